// TDBManager, the program's one list of data tables and the active table
// most DB functions act on. Table names are looked up without regard to
// letter case (the first of several namesakes is found). Ordinary tables
// belong to the game and go with each game save; status tables belong to
// the player and go with the status record.
//
// Saved form of the tables of one kind (SaveTables), little-endian, a
// string being an Int byte count and the bytes:
//   Int 100 (the record's version); Int N;
//   N times: Byte kind (0); Str name; Byte status flag; Int field count;
//            per field Int size, Str name, Byte type; Int record count;
//            the records' raw bytes; Int current record;
//   for the game's tables only: Str the active table's name (empty: none).
#pragma once

#include "script/DBTable.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TCustomParam;
class TStream;

// The version SaveTables writes.
constexpr int32_t kDBTablesVersion = 100;
// Game records from this save version on carry the game's tables.
constexpr int32_t kFirstSaveVersionWithTables = 123;

class TDBManager {
public:
    TDBManager() = default;
    TDBManager(const TDBManager&) = delete;
    TDBManager& operator=(const TDBManager&) = delete;

    int32_t Count() const { return static_cast<int32_t>(tables_.size()); }
    TDBTable& Table(int32_t i) { return *tables_[static_cast<size_t>(i)]; }
    const TDBTable& Table(int32_t i) const { return *tables_[static_cast<size_t>(i)]; }
    // Index of the active table, -1 for none.
    int32_t Active() const { return active_; }
    TDBTable* ActiveTable() { return active_ >= 0 ? tables_[static_cast<size_t>(active_)].get() : nullptr; }

    int32_t IndexOfTable(std::string_view name) const;
    TDBTable* FindTable(std::string_view name);

    // The empty name gives -1. A new name makes a table of that status; an
    // existing one is made active and, unless status is set, emptied of its
    // fields and records (its own status flag stays). The table becomes
    // active; the result is its index.
    int32_t CreateTable(std::string_view name, bool status);
    // False (and the active table stays) when there is no such table.
    bool SetActive(std::string_view name);
    // Removes the named table (nothing when absent); the active table is
    // then found again by its name.
    void DeleteTable(std::string_view name);
    // dst (not the active table) becomes a copy of the active table's layout
    // with copies of its records at the indices of list.
    bool CopyRecords(std::string_view dst, std::span<const int32_t> list);
    // Appends src's records at the indices of list to the active table;
    // the layouts must be equal (src may be the active table itself).
    bool InsertRecords(std::string_view src, std::span<const int32_t> list);

    struct Found {
        TDBTable* table = nullptr;
        int32_t record = -1;
        int32_t field = -1;
    };
    // The first record of the named table that matches (TDBTable::Locate)
    // and the index of the named field; table stays none unless all three
    // exist.
    Found DirectLookup(std::string_view table, const TCustomParam* names, const TCustomParam* values, bool ignoreCase,
                       bool partial, std::string_view field);

    // A new game: every table that is not a status table goes; none is active.
    void DeleteGameTables();
    // Every table goes, status tables too; none is active.
    void ClearAll();

    // The tables whose status flag equals status, in the saved form above.
    void SaveTables(TStream& s, bool status) const;
    // Reads that form: the tables of that kind are replaced by the ones read
    // (each takes the record's kind as its status flag). The game's record
    // makes the saved active table active again; the status record leaves
    // the last table read active. The whole record is read with checked
    // reads before anything changes: broken data raises and leaves the
    // tables as they were.
    void LoadTables(TStream& s, bool status);
    // The game's tables of a game record of that save version: read when it
    // has them; an older record has none, so the game's tables go.
    void LoadGameTables(TStream& s, int32_t saveVersion);

private:
    void removeWhere(bool status);

    std::vector<std::unique_ptr<TDBTable>> tables_;
    int32_t active_ = -1;
};

} // namespace nuvo
