// The data tables scripts keep: fixed-layout records of integer, real, flag
// and string fields. A table's layout (TDBFieldList) is an ordered list of
// fields; its records are blocks of RecordSize bytes, each field at the sum
// of the sizes before it:
//
//   integer  4 bytes, signed little-endian
//   real     10 bytes, 80-bit extended
//   flag     1 byte, 0 or 1
//   string   declared length + 1: zero-terminated Shift-JIS text
//
// Every read and write converts between the field's type and the requested
// one (DBTable.cpp lists the rules: real to integer rounds ties to even, a
// string is cut at the declared length even inside a double-byte character).
// No operation raises except the checked load: failures give FALSE, -1, 0 or
// the empty text, and leave the table as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TCustomParam;
class TStream;

// The largest record a table may have (1 MiB): DBAddField refuses a field
// that would make it larger, and a loaded table with a larger layout is
// broken data.
constexpr int32_t kMaxDBRecordSize = 1 << 20;
// The bytes all records of one table may take together (1 GiB), and the most
// records a table may have (16 Mi): beyond them a record is not appended and
// a field is not added.
constexpr int64_t kMaxDBTableBytes = int64_t{1} << 30;
constexpr int32_t kMaxDBRecordCount = 1 << 24;
// The length of a string field a TSV header gives without one.
constexpr int32_t kDefaultTsvStringLength = 80;

struct TDBField {
    int32_t Size = 0;
    std::string FieldName;
    uint8_t FieldType = 0; // PT_INT .. PT_STR
    int32_t Offset = 0;    // bytes before the field in a record
};

class TDBFieldList {
public:
    int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
    const TDBField& operator[](int32_t i) const { return fields_[static_cast<size_t>(i)]; }
    int32_t RecordSize() const { return recordSize_; }
    // The first field of that name, without regard to letter case; -1.
    int32_t IndexOf(std::string_view name) const;
    // Equal layouts: as many fields, each of the same name (exactly), type and size.
    bool SameLayout(const TDBFieldList& other) const;

    // The size a field of that type takes (length + 1 for a string), or -1
    // for a type that is not 1..4 or a negative string length.
    static int64_t FieldSize(int32_t type, int64_t length);

private:
    friend class TDBTable;
    void append(std::string_view name, uint8_t type, int32_t size);
    void clear();

    std::vector<TDBField> fields_;
    int32_t recordSize_ = 0;
};

class TDBTable {
public:
    // The only kind of table; written before each table in the saved data.
    static constexpr uint8_t Kind = 0;

    TDBTable() = default;
    TDBTable(std::string name, bool status) : TableName(std::move(name)), IsStatus(status ? 1 : 0) {}
    TDBTable(const TDBTable&) = delete;
    TDBTable& operator=(const TDBTable&) = delete;

    std::string TableName;
    uint8_t IsStatus = 0;

    const TDBFieldList& Fields() const { return fields_; }
    int32_t RecordCount() const { return count_; }
    int32_t RecNo() const { return recNo_; }
    // Record blocks; valid until the records change.
    const uint8_t* RecordAt(int32_t i) const { return bytes_.data() + static_cast<size_t>(i) * stride(); }
    bool HasRecord(int32_t i) const { return i >= 0 && i < count_; }

    // ---- layout ----
    // Fails when a field of that name exists, the type is not 1..4, a string
    // length is negative, or the record or the table would pass the caps.
    // Every record grows by the field's size, zero-filled, at its end.
    bool AddField(std::string_view name, int32_t type, int32_t length);
    // Copies the layout of another table (its records go).
    void CopyLayout(const TDBFieldList& fields);

    // ---- records and the current one ----
    // A zero-filled record at the end, made current; false only at the caps.
    bool Append();
    // Removes the current record; the current number is then clamped to the
    // records that remain (-1 when none).
    void DeleteRecord();
    bool First();
    bool Last();
    bool Next();
    bool Prior();
    // n below 0 gives -1; n not below the count fails.
    bool SetRecNo(int32_t n);
    // Removes all fields and records / all records.
    void Clear();
    void ClearRecords();
    // Appends copies of src's records at the indices of list (src may be this
    // table); each becomes current in turn. The layouts must be equal.
    bool AppendCopies(const TDBTable& src, std::span<const int32_t> list);

    // ---- field values by record and field index; false outside the table ----
    bool GetInt(int32_t r, int32_t f, int32_t& v) const;
    bool GetFloat(int32_t r, int32_t f, long double& v) const;
    bool GetBool(int32_t r, int32_t f, bool& v) const;
    bool GetStr(int32_t r, int32_t f, std::string& v) const;
    bool SetInt(int32_t r, int32_t f, int32_t v);
    bool SetFloat(int32_t r, int32_t f, long double v);
    bool SetBool(int32_t r, int32_t f, bool v);
    bool SetStr(int32_t r, int32_t f, std::string_view v);

    // ---- searching, sorting, loading text ----
    // The indices of the matching records, in order, at most limit of them
    // (-1: all). Without names or values every record matches. Otherwise the
    // first k = min(count of names, count of values) elements pair field
    // names with values; a name that is no field matches nothing. The
    // comparison is chosen once by the type of values: integers, reals and
    // flags compare the field read as that type; strings compare the field's
    // text, wholly or (partial) as a part of it, with or without regard to
    // letter case.
    void Locate(std::vector<int32_t>& list, const TCustomParam* names, const TCustomParam* values, bool ignoreCase,
                bool partial, int32_t limit = -1) const;
    // Sorts the records by the fields named in names, each key descending
    // where the element of descending says so (integer and real keys only);
    // the current number stays.
    void Sort(const TCustomParam& names, const TCustomParam& descending);
    // Replaces the table by tab-separated text: a header line of fields
    // ("name [int|float|bool|str [length]]") and a record per further line.
    bool LoadTsv(const std::vector<std::string>& lines);

    // ---- the saved form (after the kind byte) ----
    void SaveToStream(TStream& s) const;
    // Reads a table with checked reads: a field needs type 1..4 and that
    // type's size, the layout fits kMaxDBRecordSize, the records fit what
    // remains; a current number outside the records becomes -1. Broken data
    // raises and leaves nothing.
    static std::unique_ptr<TDBTable> LoadFromStream(TStream& s);

private:
    size_t stride() const { return static_cast<size_t>(fields_.RecordSize()); }
    uint8_t* recordAt(int32_t i) { return bytes_.data() + static_cast<size_t>(i) * stride(); }
    bool valid(int32_t r, int32_t f) const { return HasRecord(r) && f >= 0 && f < fields_.Count(); }
    bool roomFor(int64_t records, int64_t recordSize) const;

    TDBFieldList fields_;
    std::vector<uint8_t> bytes_;
    int32_t count_ = 0;
    int32_t recNo_ = -1;
};

} // namespace nuvo
