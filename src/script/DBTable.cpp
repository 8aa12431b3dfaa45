#include "script/DBTable.h"

#include "base/Cp932.h"
#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "script/NumberText.h"
#include "script/Param.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

namespace nuvo {
namespace {

// ---- One field of one record --------------------------------------------------------------
//
// Field \ requested   integer            real          flag            string
// integer             same               exact         TRUE if not 0   decimal text
// real                nearest, ties even same          TRUE if not 0.0 general format
// flag                0 or 1             0.0 or 1.0    same            "TRUE" / "FALSE"
// string              integer text or 0  real text/0.0 exactly "TRUE"  same
//
// A real goes to an integer as the x87 rounds by default (ties to even,
// through 64 bits, the low 32 kept; a NaN or an overflow gives the
// "indefinite" pattern's low half, 0). Any ten bytes are a real.

int32_t loadInt(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void storeInt(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
long double loadReal(const uint8_t* p) { return float80FromBytes(p); }
void storeReal(uint8_t* p, long double v) { float80ToBytes(v, p); }

// The text of a string field: up to its terminator, never past the field
// (a loaded record need not hold one).
std::string_view fieldText(const uint8_t* p, const TDBField& f) {
    const auto* c = reinterpret_cast<const char*>(p);
    const void* end = std::memchr(c, 0, static_cast<size_t>(f.Size));
    return {c, end ? static_cast<size_t>(static_cast<const char*>(end) - c) : static_cast<size_t>(f.Size)};
}

// Stores text cut to the declared length in bytes (even inside a double-byte
// character); the rest of the field is zeroed, so a record's bytes depend
// only on what it holds.
void storeText(uint8_t* p, const TDBField& f, std::string_view s) {
    const size_t room = static_cast<size_t>(f.Size) - 1;
    const size_t n = std::min(s.size(), room);
    if (n > 0) std::memcpy(p, s.data(), n);
    std::memset(p + n, 0, static_cast<size_t>(f.Size) - n);
}

const char* flagText(bool b) { return b ? "TRUE" : "FALSE"; }

int32_t readInt(const uint8_t* rec, const TDBField& f) {
    const uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        return loadInt(p);
    case PT_FLOAT:
        return roundToInt32(loadReal(p));
    case PT_BOOL:
        return *p != 0;
    default:
        return textToInt(fieldText(p, f));
    }
}

long double readReal(const uint8_t* rec, const TDBField& f) {
    const uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        return loadInt(p);
    case PT_FLOAT:
        return loadReal(p);
    case PT_BOOL:
        return *p != 0 ? 1.0L : 0.0L;
    default:
        return textToReal(fieldText(p, f));
    }
}

bool readBool(const uint8_t* rec, const TDBField& f) {
    const uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        return loadInt(p) != 0;
    case PT_FLOAT:
        return loadReal(p) != 0.0L;
    case PT_BOOL:
        return *p != 0;
    default:
        return fieldText(p, f) == "TRUE";
    }
}

std::string readStr(const uint8_t* rec, const TDBField& f) {
    const uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        return intToText(loadInt(p));
    case PT_FLOAT:
        return realToText(loadReal(p));
    case PT_BOOL:
        return flagText(*p != 0);
    default:
        return std::string(fieldText(p, f));
    }
}

void writeInt(uint8_t* rec, const TDBField& f, int32_t v) {
    uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        storeInt(p, v);
        break;
    case PT_FLOAT:
        storeReal(p, v);
        break;
    case PT_BOOL:
        *p = v != 0;
        break;
    default:
        storeText(p, f, intToText(v));
        break;
    }
}

void writeReal(uint8_t* rec, const TDBField& f, long double v) {
    uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        storeInt(p, roundToInt32(v));
        break;
    case PT_FLOAT:
        storeReal(p, v);
        break;
    case PT_BOOL:
        *p = v != 0.0L;
        break;
    default:
        storeText(p, f, realToText(v));
        break;
    }
}

void writeBool(uint8_t* rec, const TDBField& f, bool v) {
    uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        storeInt(p, v ? 1 : 0);
        break;
    case PT_FLOAT:
        storeReal(p, v ? 1.0L : 0.0L);
        break;
    case PT_BOOL:
        *p = v;
        break;
    default:
        storeText(p, f, flagText(v));
        break;
    }
}

void writeStr(uint8_t* rec, const TDBField& f, std::string_view v) {
    uint8_t* p = rec + f.Offset;
    switch (f.FieldType) {
    case PT_INT:
        storeInt(p, textToInt(v));
        break;
    case PT_FLOAT:
        storeReal(p, textToReal(v));
        break;
    case PT_BOOL:
        *p = v == "TRUE";
        break;
    default:
        storeText(p, f, v);
        break;
    }
}

// ---- Comparisons ---------------------------------------------------------------------------

int compareBytes(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    if (n > 0)
        if (const int c = std::memcmp(a.data(), b.data(), n)) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Reals by value, with everything that compares unordered (NaNs, and the
// encodings the x87 refuses) after every number and equal among
// themselves, so that a sort always sees a strict weak order.
int compareReals(long double a, long double b) {
    if (a < b) return -1;
    if (b < a) return 1;
    const bool an = !(a == a), bn = !(b == b);
    return an == bn ? 0 : an ? 1 : -1;
}

// t occurs in s, trying only positions where a character of s begins (so a
// letter never matches the second byte of a double-byte character). An
// empty t occurs nowhere, as with Pos.
bool containsText(std::string_view s, std::string_view t) {
    if (t.empty()) return false;
    size_t boundary = 0; // a character starts here, at or before every place found so far
    for (size_t at = s.find(t); at != std::string_view::npos; at = s.find(t, at + 1)) {
        while (boundary < at)
            boundary += charLength(s, boundary);
        if (boundary == at) return true;
    }
    return false;
}

// Folds ASCII letters to upper case into out, stepping over double-byte
// characters, whose second byte may look like a letter.
void upperInto(std::string& out, std::string_view s) {
    out.resize(s.size());
    char* o = out.data();
    for (size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (isSjisLead(static_cast<uint8_t>(c)) && i + 1 < s.size()) {
            o[i] = c;
            o[i + 1] = s[i + 1];
            i += 2;
        } else {
            o[i++] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        }
    }
}

// ---- Text lines of a TSV file ------------------------------------------------------------

// Cells at tabs (a tab is never taken from inside a double-byte character);
// an empty cell after a final tab is dropped, any other empty cell counts.
std::vector<std::string> splitCells(std::string_view line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); i += charLength(line, i)) {
        if (line[i] != '\t') continue;
        cells.emplace_back(line.substr(start, i - start));
        start = i + 1;
    }
    if (start < line.size()) cells.emplace_back(line.substr(start));
    return cells;
}

// Replaces the escapes of a record line in one pass over its characters:
// \" and \\ give the character, \n gives CR LF, a backslash before anything
// else stays. The second byte of a double-byte character (which may be 0x5C)
// is never taken for a backslash.
std::string unescape(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size();) {
        const size_t len = charLength(line, i);
        if (len == 1 && line[i] == '\\' && i + 1 < line.size()) {
            const char next = line[i + 1];
            if (next == '"' || next == '\\') {
                out += next;
                i += 2;
                continue;
            }
            if (next == 'n') {
                out += "\r\n";
                i += 2;
                continue;
            }
        }
        out.append(line.substr(i, len));
        i += len;
    }
    return out;
}

// Bytes of code 32 or below trimmed from both ends.
std::string_view trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<uint8_t>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

// The text before the first blank and the text after it (empty without one).
std::pair<std::string_view, std::string_view> splitAtBlank(std::string_view s) {
    for (size_t i = 0; i < s.size(); i += charLength(s, i))
        if (s[i] == ' ') return {s.substr(0, i), s.substr(i + 1)};
    return {s, {}};
}

// ---- Sorting ---------------------------------------------------------------------------------

struct SortKey {
    TDBField field;
    bool descending;
};

int compareInts(int32_t x, int32_t y) { return x < y ? -1 : x > y ? 1 : 0; }

// Records key by key until one differs: integers and reals by value (a
// descending key reversed), flags by value, texts byte-wise (flags and texts
// ignore descending).
class RecordOrder {
public:
    explicit RecordOrder(std::vector<SortKey> keys) : keys_(std::move(keys)) {}
    int operator()(const uint8_t* a, const uint8_t* b) const {
        for (const SortKey& k : keys_) {
            const TDBField& f = k.field;
            int c;
            switch (f.FieldType) {
            case PT_INT:
                c = compareInts(loadInt(a + f.Offset), loadInt(b + f.Offset));
                if (k.descending) c = -c;
                break;
            case PT_FLOAT:
                c = compareReals(loadReal(a + f.Offset), loadReal(b + f.Offset));
                if (k.descending) c = -c;
                break;
            case PT_BOOL:
                c = int(a[f.Offset] != 0) - int(b[f.Offset] != 0);
                break;
            default:
                c = compareBytes(fieldText(a + f.Offset, f), fieldText(b + f.Offset, f));
                break;
            }
            if (c != 0) return c;
        }
        return 0;
    }

private:
    std::vector<SortKey> keys_;
};

// Quicksort with the middle element as pivot. Records of equal keys end in
// an order fixed by the data alone. The smaller part is sorted by recursion
// and the larger by the loop, and past a depth of 2 log2 n a range goes to
// std::sort, so neither the stack nor the time can run away on any input.
template <class Item, class Compare> void quickSort(Item* a, int32_t lo, int32_t hi, const Compare& cmp, int depth) {
    while (lo < hi) {
        if (depth-- <= 0) {
            std::sort(a + lo, a + hi + 1, [&](const Item& x, const Item& y) { return cmp(x, y) < 0; });
            return;
        }
        int32_t i = lo, j = hi;
        const Item pivot = a[lo + (hi - lo) / 2];
        do {
            while (cmp(a[i], pivot) < 0)
                ++i;
            while (cmp(a[j], pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(a[i], a[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            quickSort(a, lo, j, cmp, depth);
            lo = i;
        } else {
            quickSort(a, i, hi, cmp, depth);
            hi = j;
        }
    }
}

int sortDepth(size_t n) { return 2 * std::bit_width(n); }

// One key, read once per record: the keys are sorted beside the records'
// addresses, in the same order the whole records would be.
template <class Key, class Read, class Compare>
void sortByOneKey(std::vector<const uint8_t*>& records, Read read, Compare compare) {
    struct Keyed {
        Key key;
        const uint8_t* record;
    };
    std::vector<Keyed> items(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        items[i] = {read(records[i]), records[i]};
    quickSort(
        items.data(), 0, static_cast<int32_t>(items.size()) - 1,
        [&](const Keyed& x, const Keyed& y) { return compare(x.key, y.key); }, sortDepth(items.size()));
    for (size_t i = 0; i < records.size(); ++i)
        records[i] = items[i].record;
}

void sortRecords(std::vector<const uint8_t*>& records, std::vector<SortKey> keys) {
    if (keys.size() != 1) {
        const RecordOrder order(std::move(keys));
        quickSort(records.data(), 0, static_cast<int32_t>(records.size()) - 1, order, sortDepth(records.size()));
        return;
    }
    const TDBField f = keys[0].field;
    const int sign = keys[0].descending ? -1 : 1;
    switch (f.FieldType) {
    case PT_INT:
        sortByOneKey<int32_t>(
            records, [&](const uint8_t* r) { return loadInt(r + f.Offset); },
            [sign](int32_t x, int32_t y) { return sign * compareInts(x, y); });
        break;
    case PT_FLOAT:
        sortByOneKey<long double>(
            records, [&](const uint8_t* r) { return loadReal(r + f.Offset); },
            [sign](long double x, long double y) { return sign * compareReals(x, y); });
        break;
    case PT_BOOL:
        sortByOneKey<int>(
            records, [&](const uint8_t* r) { return int(r[f.Offset] != 0); }, [](int x, int y) { return x - y; });
        break;
    default:
        sortByOneKey<std::string_view>(
            records, [&](const uint8_t* r) { return fieldText(r + f.Offset, f); },
            [](std::string_view x, std::string_view y) { return compareBytes(x, y); });
        break;
    }
}

} // namespace

// ---- TDBFieldList ----------------------------------------------------------------------------

int32_t TDBFieldList::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i)
        if (sjisSameText(fields_[i].FieldName, name)) return static_cast<int32_t>(i);
    return -1;
}

bool TDBFieldList::SameLayout(const TDBFieldList& other) const {
    if (fields_.size() != other.fields_.size()) return false;
    for (size_t i = 0; i < fields_.size(); ++i) {
        const TDBField &a = fields_[i], &b = other.fields_[i];
        if (a.FieldName != b.FieldName || a.FieldType != b.FieldType || a.Size != b.Size) return false;
    }
    return true;
}

int64_t TDBFieldList::FieldSize(int32_t type, int64_t length) {
    switch (type) {
    case PT_INT:
        return 4;
    case PT_FLOAT:
        return 10;
    case PT_BOOL:
        return 1;
    case PT_STR:
        return length < 0 ? -1 : length + 1;
    default:
        return -1;
    }
}

void TDBFieldList::append(std::string_view name, uint8_t type, int32_t size) {
    fields_.push_back({size, std::string(name), type, recordSize_});
    recordSize_ += size;
}

void TDBFieldList::clear() {
    fields_.clear();
    recordSize_ = 0;
}

// ---- TDBTable: layout and records ------------------------------------------------------------

bool TDBTable::roomFor(int64_t records, int64_t recordSize) const {
    return records <= kMaxDBRecordCount && records * recordSize <= kMaxDBTableBytes;
}

bool TDBTable::AddField(std::string_view name, int32_t type, int32_t length) {
    if (fields_.IndexOf(name) >= 0) return false;
    const int64_t size = TDBFieldList::FieldSize(type, length);
    if (size < 0) return false;
    const int64_t newSize = fields_.RecordSize() + size;
    if (newSize > kMaxDBRecordSize || !roomFor(count_, newSize)) return false;
    if (count_ > 0 && size > 0) {
        // Every record grows at its end; the last moves first, so the work
        // is done in place.
        const size_t oldStride = stride(), newStride = static_cast<size_t>(newSize);
        bytes_.resize(static_cast<size_t>(count_) * newStride);
        for (int32_t i = count_ - 1; i >= 0; --i) {
            uint8_t* to = bytes_.data() + static_cast<size_t>(i) * newStride;
            std::memmove(to, bytes_.data() + static_cast<size_t>(i) * oldStride, oldStride);
            std::memset(to + oldStride, 0, newStride - oldStride);
        }
    }
    fields_.append(name, static_cast<uint8_t>(type), static_cast<int32_t>(size));
    return true;
}

void TDBTable::CopyLayout(const TDBFieldList& fields) {
    Clear();
    for (const TDBField& f : fields.fields_)
        fields_.append(f.FieldName, f.FieldType, f.Size);
}

bool TDBTable::Append() {
    if (!roomFor(int64_t{count_} + 1, fields_.RecordSize())) return false;
    bytes_.resize(bytes_.size() + stride(), 0);
    recNo_ = count_++;
    return true;
}

void TDBTable::DeleteRecord() {
    if (!HasRecord(recNo_)) return;
    const auto at = bytes_.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(recNo_) * stride());
    bytes_.erase(at, at + static_cast<std::ptrdiff_t>(stride()));
    --count_;
    if (recNo_ >= count_) recNo_ = count_ - 1;
}

bool TDBTable::First() {
    if (count_ == 0) return false;
    recNo_ = 0;
    return true;
}

bool TDBTable::Last() {
    if (count_ == 0) return false;
    recNo_ = count_ - 1;
    return true;
}

bool TDBTable::Next() {
    if (!HasRecord(recNo_) || recNo_ == count_ - 1) return false;
    ++recNo_;
    return true;
}

bool TDBTable::Prior() {
    if (!HasRecord(recNo_) || recNo_ == 0) return false;
    --recNo_;
    return true;
}

bool TDBTable::SetRecNo(int32_t n) {
    if (n >= 0 && n >= count_) return false;
    recNo_ = n < 0 ? -1 : n;
    return true;
}

void TDBTable::Clear() {
    fields_.clear();
    ClearRecords();
}

void TDBTable::ClearRecords() {
    std::vector<uint8_t>().swap(bytes_);
    count_ = 0;
    recNo_ = -1;
}

bool TDBTable::AppendCopies(const TDBTable& src, std::span<const int32_t> list) {
    if (!fields_.SameLayout(src.fields_)) return false;
    for (const int32_t i : list)
        if (!src.HasRecord(i)) return false;
    if (!roomFor(int64_t{count_} + static_cast<int64_t>(list.size()), fields_.RecordSize())) return false;
    // Growing the records may move them: with src being this table, the
    // records to copy are gathered first.
    std::vector<uint8_t> gathered;
    const uint8_t* from = src.bytes_.data();
    const size_t n = stride();
    if (&src == this) {
        gathered.resize(list.size() * n);
        for (size_t k = 0; k < list.size(); ++k)
            std::memcpy(gathered.data() + k * n, src.RecordAt(list[k]), n);
    }
    bytes_.reserve(bytes_.size() + list.size() * n);
    for (size_t k = 0; k < list.size(); ++k) {
        const uint8_t* record = &src == this ? gathered.data() + k * n : from + static_cast<size_t>(list[k]) * n;
        bytes_.insert(bytes_.end(), record, record + n);
        recNo_ = count_++;
    }
    return true;
}

// ---- field values ----------------------------------------------------------------------------

bool TDBTable::GetInt(int32_t r, int32_t f, int32_t& v) const {
    if (!valid(r, f)) return false;
    v = readInt(RecordAt(r), fields_[f]);
    return true;
}

bool TDBTable::GetFloat(int32_t r, int32_t f, long double& v) const {
    if (!valid(r, f)) return false;
    v = readReal(RecordAt(r), fields_[f]);
    return true;
}

bool TDBTable::GetBool(int32_t r, int32_t f, bool& v) const {
    if (!valid(r, f)) return false;
    v = readBool(RecordAt(r), fields_[f]);
    return true;
}

bool TDBTable::GetStr(int32_t r, int32_t f, std::string& v) const {
    if (!valid(r, f)) return false;
    v = readStr(RecordAt(r), fields_[f]);
    return true;
}

bool TDBTable::SetInt(int32_t r, int32_t f, int32_t v) {
    if (!valid(r, f)) return false;
    writeInt(recordAt(r), fields_[f], v);
    return true;
}

bool TDBTable::SetFloat(int32_t r, int32_t f, long double v) {
    if (!valid(r, f)) return false;
    writeReal(recordAt(r), fields_[f], v);
    return true;
}

bool TDBTable::SetBool(int32_t r, int32_t f, bool v) {
    if (!valid(r, f)) return false;
    writeBool(recordAt(r), fields_[f], v);
    return true;
}

bool TDBTable::SetStr(int32_t r, int32_t f, std::string_view v) {
    if (!valid(r, f)) return false;
    writeStr(recordAt(r), fields_[f], v);
    return true;
}

// ---- Locate ----------------------------------------------------------------------------------

void TDBTable::Locate(std::vector<int32_t>& list, const TCustomParam* names, const TCustomParam* values,
                      bool ignoreCase, bool partial, int32_t limit) const {
    list.clear();
    if (limit == 0) return;
    const auto scan = [&](auto matches) {
        for (int32_t r = 0; r < count_; ++r) {
            if (!matches(RecordAt(r))) continue;
            list.push_back(r);
            if (limit > 0 && static_cast<int32_t>(list.size()) >= limit) return;
        }
    };
    if (!names || !values) {
        scan([](const uint8_t*) { return true; });
        return;
    }
    const int32_t k = std::min(names->Count(), values->Count());
    std::vector<TDBField> keys;
    for (int32_t i = 0; i < k; ++i) {
        const int32_t f = fields_.IndexOf(names->GetStrAt(i));
        if (f < 0) return;
        keys.push_back(fields_[f]);
    }
    // Each field with its value, read as the type the comparison was chosen by.
    const auto conditions = [&](auto get) {
        std::vector<std::pair<TDBField, decltype(get(0))>> c;
        for (int32_t i = 0; i < k; ++i)
            c.emplace_back(keys[static_cast<size_t>(i)], get(i));
        return c;
    };
    switch (values->ParamType()) {
    case PT_INT: {
        const auto c = conditions([&](int32_t i) { return values->GetIntAt(i); });
        if (k == 1 && keys[0].FieldType == PT_INT) {
            const int32_t offset = keys[0].Offset, value = c[0].second;
            scan([=](const uint8_t* rec) { return loadInt(rec + offset) == value; });
            return;
        }
        scan([&](const uint8_t* rec) {
            return std::all_of(c.begin(), c.end(), [rec](const auto& x) { return readInt(rec, x.first) == x.second; });
        });
        return;
    }
    case PT_FLOAT: {
        const auto c = conditions([&](int32_t i) { return values->GetFloatAt(i); });
        scan([&](const uint8_t* rec) {
            return std::all_of(c.begin(), c.end(), [rec](const auto& x) { return readReal(rec, x.first) == x.second; });
        });
        return;
    }
    case PT_BOOL: {
        const auto c = conditions([&](int32_t i) { return values->GetBoolAt(i); });
        scan([&](const uint8_t* rec) {
            return std::all_of(c.begin(), c.end(), [rec](const auto& x) { return readBool(rec, x.first) == x.second; });
        });
        return;
    }
    default:
        break;
    }
    // Texts: with partial the value must occur in the field's text (both
    // upper-cased first with ignoreCase), else equal it.
    const auto c = conditions([&](int32_t i) {
        std::string t = values->GetStrAt(i);
        if (!partial || !ignoreCase) return t;
        std::string upper;
        upperInto(upper, t);
        return upper;
    });
    if (k == 1 && keys[0].FieldType == PT_STR && !partial && !ignoreCase) {
        // The field holds the text when its bytes start with it and end
        // there or with the field (a text with a zero byte in it is held by
        // no field).
        const std::string& t = c[0].second;
        const size_t offset = static_cast<size_t>(keys[0].Offset), size = static_cast<size_t>(keys[0].Size);
        if (t.size() > size || t.find('\0') != std::string::npos) return;
        scan([&](const uint8_t* rec) {
            const uint8_t* p = rec + offset;
            return (t.size() == size || p[t.size()] == 0) && std::memcmp(p, t.data(), t.size()) == 0;
        });
        return;
    }
    std::string converted, folded;
    scan([&](const uint8_t* rec) {
        for (const auto& [f, t] : c) {
            std::string_view s;
            if (f.FieldType == PT_STR) {
                s = fieldText(rec + f.Offset, f);
            } else {
                converted = readStr(rec, f);
                s = converted;
            }
            bool match;
            if (partial && ignoreCase) {
                upperInto(folded, s);
                match = containsText(folded, t);
            } else if (partial) {
                match = containsText(s, t);
            } else {
                match = ignoreCase ? sjisSameText(s, t) : s == t;
            }
            if (!match) return false;
        }
        return true;
    });
}

// ---- Sort ------------------------------------------------------------------------------------

void TDBTable::Sort(const TCustomParam& names, const TCustomParam& descending) {
    const int32_t n = std::min(names.Count(), descending.Count());
    std::vector<SortKey> keys;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t f = fields_.IndexOf(names.GetStrAt(i));
        if (f >= 0) keys.push_back({fields_[f], descending.GetBoolAt(i)});
    }
    // Without a key, or with records without bytes, every order is sorted:
    // the records stay as they are.
    if (count_ < 2 || stride() == 0 || keys.empty()) return;
    std::vector<const uint8_t*> records(static_cast<size_t>(count_));
    for (int32_t i = 0; i < count_; ++i)
        records[static_cast<size_t>(i)] = RecordAt(i);
    sortRecords(records, std::move(keys));
    std::vector<uint8_t> sorted(bytes_.size());
    const size_t size = stride();
    for (size_t i = 0; i < records.size(); ++i)
        std::memcpy(sorted.data() + i * size, records[i], size);
    bytes_ = std::move(sorted);
}

// ---- LoadTsv ---------------------------------------------------------------------------------

bool TDBTable::LoadTsv(const std::vector<std::string>& lines) {
    Clear();
    if (lines.empty()) return false;
    for (const std::string& cell : splitCells(lines[0])) {
        const auto [head, rest] = splitAtBlank(cell);
        const std::string_view name = trimmed(head);
        if (name.empty()) {
            Clear();
            return false;
        }
        const auto [typeWord, lengthText] = splitAtBlank(rest);
        const std::string_view word = trimmed(typeWord);
        int32_t type = PT_STR, length = 0;
        if (word == "int")
            type = PT_INT;
        else if (word == "float")
            type = PT_FLOAT;
        else if (word == "bool")
            type = PT_BOOL;
        else
            length = parseInt(trimmed(lengthText)).value_or(kDefaultTsvStringLength);
        // A repeated name, or a length the layout cannot take, adds nothing.
        AddField(name, type, length);
    }
    for (size_t l = 1; l < lines.size(); ++l) {
        if (lines[l].empty()) continue;
        const std::vector<std::string> cells = splitCells(unescape(lines[l]));
        if (!Append()) return false;
        const int32_t n = std::min(static_cast<int32_t>(cells.size()), fields_.Count());
        for (int32_t i = 0; i < n; ++i)
            writeStr(recordAt(recNo_), fields_[i], cells[static_cast<size_t>(i)]);
    }
    return true;
}

// ---- The saved form --------------------------------------------------------------------------

void TDBTable::SaveToStream(TStream& s) const {
    WriteStr(s, TableName);
    WriteByte(s, IsStatus);
    WriteInt(s, fields_.Count());
    for (const TDBField& f : fields_.fields_) {
        WriteInt(s, f.Size);
        WriteStr(s, f.FieldName);
        WriteByte(s, f.FieldType);
    }
    WriteInt(s, count_);
    if (!bytes_.empty()) s.write(bytes_.data(), static_cast<int64_t>(bytes_.size()));
    WriteInt(s, recNo_);
}

std::unique_ptr<TDBTable> TDBTable::LoadFromStream(TStream& s) {
    auto table = std::make_unique<TDBTable>();
    table->TableName = ReadStrChecked(s);
    table->IsStatus = ReadByteChecked(s);
    // A field takes at least its size, an empty name and its type: 9 bytes.
    const int32_t fieldCount = ReadCountChecked(s, 9);
    for (int32_t i = 0; i < fieldCount; ++i) {
        const int32_t size = ReadIntChecked(s);
        std::string name = ReadStrChecked(s);
        const uint8_t type = ReadByteChecked(s);
        const int64_t expected = TDBFieldList::FieldSize(type, int64_t{size} - 1);
        if (expected < 1 || expected != size) raiseBrokenData();
        if (int64_t{table->fields_.RecordSize()} + size > kMaxDBRecordSize) raiseBrokenData();
        table->fields_.append(name, type, size);
    }
    const int32_t size = table->fields_.RecordSize();
    const int32_t count = ReadCountChecked(s, size);
    if (count > kMaxDBRecordCount) raiseBrokenData();
    table->bytes_.resize(static_cast<size_t>(count) * static_cast<size_t>(size));
    ReadExact(s, table->bytes_.data(), static_cast<int64_t>(table->bytes_.size()));
    table->count_ = count;
    const int32_t recNo = ReadIntChecked(s);
    table->recNo_ = recNo >= 0 && recNo < count ? recNo : -1;
    return table;
}

} // namespace nuvo
