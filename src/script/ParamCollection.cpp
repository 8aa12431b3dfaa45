#include "script/ParamCollection.h"

#include "base/Cp932.h"
#include "base/StreamIO.h"
#include "script/ParamMessages.h"
#include "script/ParamVar.h"

#include <algorithm>

namespace nuvo {
namespace {

bool isNameBlank(char c) { return c == ' ' || c == '\t'; }

TParamVar* asReference(const TParamCollectionItem* entry) { return dynamic_cast<TParamVar*>(entry->Value()); }

// The type byte of an entry record: the value's own class. A reference
// records 0 even when bound (its ParamType would report the target's type,
// and reading the record back as that storage class would misparse it).
uint8_t recordTypeCode(const TCustomParam& value) {
    return dynamic_cast<const TParamVar*>(&value) ? uint8_t{PT_NONE} : value.ParamType();
}

// Smallest possible entry record (type byte, empty name, empty value record,
// the four trailing fields), for counts read from a stream.
constexpr int64_t kMinEntryBytes = 1 + 4 + 8 + 7;

void writeEntry(TStream& s, const TParamCollectionItem& e) {
    WriteByte(s, recordTypeCode(*e.Value()));
    WriteStr(s, e.Name());
    e.Value()->SaveToStream(s);
    WriteByte(s, e.IsStatus);
    WriteByte(s, e.ExtraFlag);
    WriteInt(s, e.OwnerDepth);
    WriteByte(s, e.IsLocal);
}

} // namespace

size_t TParamCollection::FoldedHash::operator()(std::string_view name) const noexcept {
    // FNV-1a over the name with single-byte letters lower-cased, stepping over
    // double-byte characters as the name comparison does.
    constexpr uint64_t prime = 1099511628211ull;
    uint64_t h = 14695981039346656037ull;
    const size_t n = name.size();
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = static_cast<uint8_t>(name[i]);
        if (isSjisLead(b) && i + 1 < n) {
            h = (h ^ b) * prime;
            b = static_cast<uint8_t>(name[++i]);
        } else if (static_cast<uint8_t>(b - 'A') < 26) {
            b = static_cast<uint8_t>(b + 32);
        }
        h = (h ^ b) * prime;
    }
    return static_cast<size_t>(h);
}

bool TParamCollection::FoldedEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    // Scripts mostly spell a name the same way each time: try the bytes first.
    return a.size() == b.size() && (a == b || sjisSameText(a, b));
}

// Mirrors the chain: an entry joins its name's namesakes at the head (here:
// the back) whenever the collection links it into a chain.
void TParamCollection::indexName(TParamCollectionItem* entry) {
    auto it = byName_.find(std::string_view(entry->Name()));
    if (it == byName_.end()) it = byName_.emplace(entry->Name(), std::vector<TParamCollectionItem*>()).first;
    it->second.push_back(entry);
}

void TParamCollection::unindexName(TParamCollectionItem* entry) {
    auto it = byName_.find(std::string_view(entry->Name()));
    if (it == byName_.end()) return;
    std::erase(it->second, entry);
    // Keys of temporaries come back with every evaluation: keep small ones.
    if (it->second.empty() && it->second.capacity() > 4) byName_.erase(it);
}

TParamCollection::TParamCollection() {
    for (int i = 0; i < kSystemVariableCount; ++i) {
        auto entry = std::make_unique<TParamCollectionItem>();
        entry->value_ = std::make_unique<TParamSystem>(static_cast<uint8_t>(i));
        entry->system_ = true;
        addEntry(std::move(entry), std::string(systemVariableInfo(i).Name));
    }
}

TParamCollection::~TParamCollection() = default;

TParamSystem* TParamCollection::SystemVariable(int sysIndex) const {
    if (sysIndex < 0 || sysIndex >= kSystemVariableCount) return nullptr;
    return static_cast<TParamSystem*>(Entry(sysIndex)->Value());
}

// Namesakes are walked in chain order, from the most recently named.
TParamCollectionItem* TParamCollection::Find(std::string_view name) const {
    const auto it = byName_.find(name);
    if (it == byName_.end()) return nullptr;
    TParamCollectionItem* nonLocal = nullptr;
    for (auto e = it->second.rbegin(); e != it->second.rend(); ++e) {
        if (!(*e)->IsLocal)
            nonLocal = *e;
        else if ((*e)->OwnerDepth == CurrentDepth)
            return *e;
    }
    return nonLocal;
}

TParamCollectionItem* TParamCollection::FindForDeclare(std::string_view name, bool local) const {
    const auto it = byName_.find(name);
    if (it == byName_.end()) return nullptr;
    for (auto e = it->second.rbegin(); e != it->second.rend(); ++e)
        if (local ? ((*e)->IsLocal && (*e)->OwnerDepth == CurrentDepth) : !(*e)->IsLocal) return *e;
    return nullptr;
}

TParamCollectionItem* TParamCollection::addEntry(std::unique_ptr<TParamCollectionItem> entry, std::string name) {
    auto* raw = static_cast<TParamCollectionItem*>(AddNamed(std::move(entry), std::move(name)));
    indexName(raw);
    if (asReference(raw)) references_.push_back(raw);
    return raw;
}

TParamCollectionItem* TParamCollection::Add(uint8_t typeCode) {
    auto value = CreateValue(typeCode);
    if (!value) raiseBadVariable({});
    auto entry = std::make_unique<TParamCollectionItem>();
    entry->value_ = std::move(value);
    return addEntry(std::move(entry), std::string());
}

void TParamCollection::ValidateName(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9') || std::any_of(name.begin(), name.end(), isNameBlank))
        raiseBadName(name);
}

void TParamCollection::SetName(TParamCollectionItem* entry, std::string_view name) {
    ValidateName(name);
    if (entry->IsSystem() || entry->Name() == name) return;
    unindexName(entry);
    THashCollection::SetName(entry, std::string(name));
    indexName(entry);
}

void TParamCollection::Delete(TParamCollectionItem* entry) { Remove(entry); }

std::unique_ptr<TParamCollectionItem> TParamCollection::Remove(TParamCollectionItem* entry) {
    if (!entry || entry->IsSystem()) return nullptr;
    unindexName(entry);
    std::erase(references_, entry);
    for (TParamCollectionItem* holder : references_) {
        TParamVar* ref = asReference(holder);
        if (ref->Target == entry) ref->Target = nullptr;
    }
    ++deleteCount_;
    return std::unique_ptr<TParamCollectionItem>(static_cast<TParamCollectionItem*>(Extract(entry->Index()).release()));
}

std::unique_ptr<TParamCollectionItem> TParamCollection::CreateEntry(uint8_t typeCode) {
    auto value = CreateValue(typeCode);
    if (!value) raiseBadVariable({});
    auto entry = std::make_unique<TParamCollectionItem>();
    entry->value_ = std::move(value);
    return entry;
}

TParamCollectionItem* TParamCollection::Adopt(std::unique_ptr<TParamCollectionItem> entry, std::string_view name) {
    ValidateName(name);
    return addEntry(std::move(entry), std::string(name));
}

std::unique_ptr<TCustomParam> TParamCollection::CopyValue(std::string_view name) const {
    const TParamCollectionItem* entry = Find(name);
    if (!entry) return nullptr;
    const uint8_t type = entry->Value()->ParamType();
    if (type < PT_INT || type > PT_STR) raiseBadVariable(name);
    auto copy = CreateValue(type);
    copy->AssignFrom(*entry->Value());
    return copy;
}

void TParamCollection::deleteFrom(int first) {
    for (int i = Count() - 1; i >= first && i >= kSystemVariableCount; --i)
        Delete(Entry(i));
}

void TParamCollection::DeleteOwnedBy(int32_t depth) {
    for (int i = Count() - 1; i >= kSystemVariableCount; --i)
        if (Entry(i)->OwnerDepth == depth) Delete(Entry(i));
}

void TParamCollection::deleteGameEntries() {
    for (int i = Count() - 1; i >= kSystemVariableCount; --i)
        if (!Entry(i)->IsStatus) Delete(Entry(i));
}

void TParamCollection::ClearGameVariables() {
    deleteGameEntries();
    TextDelay = 50;
    CursorName.clear();
}

TParamCollectionItem* TParamCollection::Declare(std::string_view name, uint8_t typeCode, uint8_t scope,
                                                const InitialValue& initialValue) {
    if (name.empty()) raiseNoName();
    TParamCollectionItem* entry = FindForDeclare(name, scope == SCOPE_LOCAL);
    if (!entry) {
        ValidateName(name);
        if (!CreateValue(typeCode)) raiseBadVariable(name);
        entry = Add(typeCode);
        SetName(entry, name);
        if (scope == SCOPE_AUTODELETE || scope == SCOPE_LOCAL) entry->OwnerDepth = CurrentDepth;
        if (scope == SCOPE_LOCAL) entry->IsLocal = 1;
        if (scope == SCOPE_STATUS) entry->IsStatus = 1;
    } else if (entry->IsStatus) {
        return entry;
    }
    const TCustomParam* initial = initialValue ? initialValue() : nullptr;
    if (!initial) return entry;
    TCustomParam& value = *entry->Value();
    switch (typeCode & 0x7F) {
    case PT_INT:
        value.SetInteger(initial->AsInteger());
        break;
    case PT_FLOAT:
        value.SetFloat(initial->AsFloat());
        break;
    case PT_BOOL:
        value.SetBool(initial->AsBool());
        break;
    case PT_STR:
        value.SetString(initial->AsString());
        break;
    default:
        break;
    }
    return entry;
}

// ---- Snapshots

void TParamCollection::PushVar(const std::vector<std::string>& names) {
    std::vector<std::pair<const std::string*, const TParamCollectionItem*>> found;
    for (const std::string& name : names) {
        const TParamCollectionItem* entry = Find(name);
        const uint8_t type = entry ? entry->Value()->ParamType() : uint8_t{PT_NONE};
        if (type >= PT_INT && type <= PT_STR) found.emplace_back(&name, entry);
    }
    auto snapshot = std::make_unique<TKvMemoryStream>();
    WriteInt(*snapshot, static_cast<int32_t>(found.size()));
    for (const auto& [name, entry] : found) {
        const uint8_t type = entry->Value()->ParamType();
        // Through a plain copy, so that references and system variables leave
        // an ordinary value record.
        auto copy = CreateValue(type);
        copy->AssignFrom(*entry->Value());
        WriteInt(*snapshot, type);
        WriteStr(*snapshot, *name);
        copy->SaveToStream(*snapshot);
    }
    varStack_.push_back(std::move(snapshot));
}

void TParamCollection::PopVar() {
    if (varStack_.empty()) return;
    // Dropped first: a snapshot from a damaged save must not stay on the stack.
    std::unique_ptr<TKvMemoryStream> snapshot = std::move(varStack_.back());
    varStack_.pop_back();
    TStream& s = *snapshot;
    s.setPosition(0);
    const int32_t n = ReadCountChecked(s, 4 + 4 + 8);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t type = ReadIntChecked(s);
        if (type < PT_INT || type > PT_STR) raiseBrokenData();
        const std::string name = ReadStrChecked(s);
        auto value = CreateValue(static_cast<uint8_t>(type));
        value->LoadFromStream(s);
        // Another type is deleted; a namesake it hid may then be the variable.
        TParamCollectionItem* entry = Find(name);
        while (entry && !entry->IsSystem() && entry->Value()->ParamType() != type) {
            Delete(entry);
            entry = Find(name);
        }
        if (entry && entry->Value()->ParamType() != type) continue; // a system variable of another type
        if (!entry) {
            ValidateName(name);
            entry = Add(static_cast<uint8_t>(type));
            SetName(entry, name);
        }
        entry->Value()->AssignFrom(*value);
    }
}

// ---- Records

// Entries are written from the last position to the first. A reference whose
// target is among them waits until the target has been written, so that
// loading can bind it by name; references caught in a cycle are written once
// no more progress is possible, and references to entries outside the record
// are written after all others.
void TParamCollection::saveEntries(TStream& s, bool status) const {
    std::vector<const TParamCollectionItem*> selected;
    std::vector<char> inRecord(static_cast<size_t>(Count()), 0), written(static_cast<size_t>(Count()), 0);
    for (int i = Count() - 1; i >= kSystemVariableCount; --i) {
        const TParamCollectionItem* e = Entry(i);
        if ((e->IsStatus != 0) != status || e->Name().empty()) continue;
        selected.push_back(e);
        inRecord[static_cast<size_t>(i)] = 1;
    }
    WriteInt(s, static_cast<int32_t>(selected.size()));
    auto write = [&](const TParamCollectionItem* e) {
        writeEntry(s, *e);
        written[static_cast<size_t>(e->Index())] = 1;
    };
    auto targetOf = [](const TParamCollectionItem* e) -> const TParamCollectionItem* {
        const TParamVar* ref = asReference(e);
        return ref ? ref->Target : nullptr;
    };
    std::vector<const TParamCollectionItem*> held, outside;
    for (const TParamCollectionItem* e : selected) {
        const TParamCollectionItem* target = targetOf(e);
        if (!target || written[static_cast<size_t>(target->Index())])
            write(e);
        else if (inRecord[static_cast<size_t>(target->Index())])
            held.push_back(e);
        else
            outside.push_back(e);
    }
    for (bool progress = true; progress && !held.empty();) {
        progress = false;
        std::vector<const TParamCollectionItem*> still;
        for (const TParamCollectionItem* e : held) {
            if (written[static_cast<size_t>(targetOf(e)->Index())]) {
                write(e);
                progress = true;
            } else {
                still.push_back(e);
            }
        }
        held = std::move(still);
    }
    for (const TParamCollectionItem* e : held)
        write(e);
    for (const TParamCollectionItem* e : outside)
        write(e);
}

void TParamCollection::loadEntry(TStream& s) {
    const uint8_t type = ReadByteChecked(s);
    std::string name = ReadStrChecked(s);
    auto entry = std::make_unique<TParamCollectionItem>();
    entry->value_ = name.empty() ? std::make_unique<TParamVar>() : CreateValue(type);
    if (!entry->value_) raiseBrokenData();
    entry->value_->LoadFromStream(s);
    entry->IsStatus = ReadByteChecked(s);
    entry->ExtraFlag = ReadByteChecked(s);
    entry->OwnerDepth = ReadIntChecked(s);
    entry->IsLocal = ReadByteChecked(s);
    if (name.empty()) return; // an unnamed entry's record is read and dropped
    ValidateName(name);
    if (TParamVar* ref = asReference(entry.get()); ref && !ref->LoadedEntryName().empty())
        ref->Target = Find(ref->LoadedEntryName());
    addEntry(std::move(entry), std::move(name));
}

void TParamCollection::loadEntries(TStream& s) {
    const int32_t n = ReadCountChecked(s, kMinEntryBytes);
    for (int32_t i = 0; i < n; ++i)
        loadEntry(s);
}

void TParamCollection::SaveGameVariables(TStream& s) const {
    saveEntries(s, false);
    WriteInt(s, TextDelay);
    WriteStr(s, CursorName);
    WriteStr(s, SelStr);
    WriteInt(s, SelIndex);
    WriteStr(s, TempAlias);
    WriteInt(s, static_cast<int32_t>(varStack_.size()));
    for (const auto& snapshot : varStack_) {
        WriteInt(s, static_cast<int32_t>(snapshot->size()));
        s.write(snapshot->memory(), snapshot->size());
    }
}

TLegacyHistoryLayout TParamCollection::LoadGameVariables(TStream& s, int32_t version) {
    deleteGameEntries();
    const int first = Count();
    try {
        loadEntries(s);
        const int32_t textDelay = ReadIntChecked(s);
        std::string cursorName = ReadStrChecked(s);
        std::string selStr = SelStr;
        int32_t selIndex = SelIndex;
        if (version > 102) {
            selStr = ReadStrChecked(s);
            selIndex = ReadIntChecked(s);
        }
        TLegacyHistoryLayout legacy;
        if (version > 112 && version < 135) {
            legacy.Present = true;
            for (int32_t& v : legacy.Values)
                v = ReadIntChecked(s);
        }
        std::string tempAlias = TempAlias;
        if (version > 120) tempAlias = ReadStrChecked(s);
        std::vector<std::unique_ptr<TKvMemoryStream>> stack;
        if (version >= 139) {
            const int32_t count = ReadCountChecked(s, 4);
            for (int32_t i = 0; i < count; ++i) {
                const int32_t size = ReadCountChecked(s, 1);
                std::vector<uint8_t> bytes(static_cast<size_t>(size));
                ReadExact(s, bytes.data(), size);
                stack.push_back(std::make_unique<TKvMemoryStream>(std::move(bytes)));
            }
        }
        TextDelay = textDelay;
        CursorName = std::move(cursorName);
        SelStr = std::move(selStr);
        SelIndex = selIndex;
        TempAlias = std::move(tempAlias);
        varStack_ = std::move(stack);
        return legacy;
    } catch (...) {
        deleteFrom(first);
        throw;
    }
}

void TParamCollection::SaveStatusVariables(TStream& s) const { saveEntries(s, true); }

void TParamCollection::LoadStatusVariables(TStream& s) {
    const int first = Count();
    try {
        loadEntries(s);
    } catch (...) {
        deleteFrom(first);
        throw;
    }
}

} // namespace nuvo
