#include "script/DBManager.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"

#include <algorithm>

namespace nuvo {

int32_t TDBManager::IndexOfTable(std::string_view name) const {
    for (size_t i = 0; i < tables_.size(); ++i)
        if (sjisSameText(tables_[i]->TableName, name)) return static_cast<int32_t>(i);
    return -1;
}

TDBTable* TDBManager::FindTable(std::string_view name) {
    const int32_t i = IndexOfTable(name);
    return i >= 0 ? tables_[static_cast<size_t>(i)].get() : nullptr;
}

int32_t TDBManager::CreateTable(std::string_view name, bool status) {
    if (name.empty()) return -1;
    int32_t i = IndexOfTable(name);
    if (i >= 0) {
        if (!status) tables_[static_cast<size_t>(i)]->Clear();
    } else {
        tables_.push_back(std::make_unique<TDBTable>(std::string(name), status));
        i = Count() - 1;
    }
    active_ = i;
    return i;
}

bool TDBManager::SetActive(std::string_view name) {
    const int32_t i = IndexOfTable(name);
    if (i < 0) return false;
    active_ = i;
    return true;
}

void TDBManager::DeleteTable(std::string_view name) {
    const std::string activeName = active_ >= 0 ? tables_[static_cast<size_t>(active_)]->TableName : std::string();
    const bool hadActive = active_ >= 0;
    const int32_t i = IndexOfTable(name);
    if (i >= 0) tables_.erase(tables_.begin() + i);
    active_ = hadActive ? IndexOfTable(activeName) : -1;
}

bool TDBManager::CopyRecords(std::string_view dst, std::span<const int32_t> list) {
    TDBTable* active = ActiveTable();
    TDBTable* target = FindTable(dst);
    if (!active || !target || target == active) return false;
    target->CopyLayout(active->Fields());
    return target->AppendCopies(*active, list);
}

bool TDBManager::InsertRecords(std::string_view src, std::span<const int32_t> list) {
    TDBTable* active = ActiveTable();
    const TDBTable* source = FindTable(src);
    if (!active || !source) return false;
    return active->AppendCopies(*source, list);
}

TDBManager::Found TDBManager::DirectLookup(std::string_view table, const TCustomParam* names,
                                           const TCustomParam* values, bool ignoreCase, bool partial,
                                           std::string_view field) {
    TDBTable* t = FindTable(table);
    if (!t) return {};
    std::vector<int32_t> list;
    t->Locate(list, names, values, ignoreCase, partial, 1);
    const int32_t f = t->Fields().IndexOf(field);
    if (list.empty() || f < 0) return {};
    return {t, list.front(), f};
}

void TDBManager::removeWhere(bool status) {
    std::erase_if(tables_, [&](const std::unique_ptr<TDBTable>& t) { return (t->IsStatus != 0) == status; });
    active_ = -1;
}

void TDBManager::DeleteGameTables() { removeWhere(false); }

void TDBManager::ClearAll() {
    tables_.clear();
    active_ = -1;
}

void TDBManager::SaveTables(TStream& s, bool status) const {
    WriteInt(s, kDBTablesVersion);
    const auto n = std::count_if(tables_.begin(), tables_.end(),
                                 [&](const std::unique_ptr<TDBTable>& t) { return (t->IsStatus != 0) == status; });
    WriteInt(s, static_cast<int32_t>(n));
    for (const auto& t : tables_) {
        if ((t->IsStatus != 0) != status) continue;
        WriteByte(s, TDBTable::Kind);
        t->SaveToStream(s);
    }
    if (!status) WriteStr(s, active_ >= 0 ? tables_[static_cast<size_t>(active_)]->TableName : std::string());
}

void TDBManager::LoadTables(TStream& s, bool status) {
    (void)ReadIntChecked(s); // the version: every version has this layout
    // A table takes at least its kind, an empty name, its flag and three counts.
    const int32_t n = ReadCountChecked(s, 1 + 4 + 1 + 4 + 4 + 4);
    std::vector<std::unique_ptr<TDBTable>> loaded;
    loaded.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        if (ReadByteChecked(s) != TDBTable::Kind) raiseBrokenData();
        loaded.push_back(TDBTable::LoadFromStream(s));
        // The record decides what kind of table this is: a flag saying
        // otherwise would leave the table out of every later save of its
        // kind while the next load of it added another.
        loaded.back()->IsStatus = status ? 1 : 0;
    }
    const std::string activeName = status ? std::string() : ReadStrChecked(s);

    removeWhere(status);
    for (auto& t : loaded)
        tables_.push_back(std::move(t));
    active_ = status ? (n > 0 ? Count() - 1 : -1) : IndexOfTable(activeName);
}

void TDBManager::LoadGameTables(TStream& s, int32_t saveVersion) {
    if (saveVersion >= kFirstSaveVersionWithTables)
        LoadTables(s, false);
    else
        DeleteGameTables();
}

} // namespace nuvo
