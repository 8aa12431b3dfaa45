// The program's variable table: every named variable of the scripts, the 51
// system variables first, then the variables in creation order, with a
// case-insensitive hashed index (THashCollection) for lookups by name.
//
// Lookups honour scopes: a local variable is visible only while the call
// depth that declared it is the current one, hiding a global of the same name
// during that time. Auto-delete and local variables die with their call level
// (DeleteOwnedBy); status variables survive a new game and are saved in their
// own record; system variables are never saved, cleared, renamed or deleted.
//
// Records written here are read back from save files: every loader checks
// sizes and counts against what remains in the stream, raises on truncated or
// malformed data, and then leaves no half-read entry behind.
#pragma once

#include "base/HashCollection.h"
#include "base/Stream.h"
#include "script/Param.h"
#include "script/ParamSystem.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nuvo {

class TParamCollection;

// One named variable.
class TParamCollectionItem final : public THashCollectionItem {
public:
    // The owned value object; never none.
    TCustomParam* Value() const { return value_.get(); }
    bool IsSystem() const { return system_; }

    // Preserved through save and load; 0 in entries the player creates.
    uint8_t ExtraFlag = 0;
    // 1 for a status variable (scope 3).
    uint8_t IsStatus = 0;
    // The call depth that owns an auto-delete or local variable; -1 for none.
    int32_t OwnerDepth = -1;
    // 1 for a local variable (scope 2).
    uint8_t IsLocal = 0;

private:
    friend class TParamCollection;
    std::unique_ptr<TCustomParam> value_;
    bool system_ = false;
};

// Six values of an older save layout that belong to the default message
// history format (font size, border width, shadow offset, width, page height,
// line spacing, in record order): LoadGameVariables hands them over when the
// save version holds them.
struct TLegacyHistoryLayout {
    bool Present = false;
    std::array<int32_t, 6> Values{};
};

class TParamCollection : private THashCollection {
public:
    TParamCollection();
    ~TParamCollection() override;

    using THashCollection::Count;
    using THashCollection::HashName;
    TParamCollectionItem* Entry(int index) const { return static_cast<TParamCollectionItem*>(Item(index)); }
    TParamSystem* SystemVariable(int sysIndex) const;

    // The entry a script means by name: the local of the current depth if
    // there is one, else the earliest-created non-local namesake, else none.
    TParamCollectionItem* Find(std::string_view name) const;
    // The entry a declaration re-uses: with local, the local of the current
    // depth; without, the most recently named non-local namesake.
    TParamCollectionItem* FindForDeclare(std::string_view name, bool local) const;
    // Appends an unnamed global entry holding CreateValue(typeCode); the caller
    // names it with SetName. A code that gives no value raises
    // "%s:不正な変数です".
    TParamCollectionItem* Add(uint8_t typeCode);
    // Validates (ValidateName) and sets the name, re-hashing the entry. Does
    // nothing for a system variable.
    void SetName(TParamCollectionItem* entry, std::string_view name);
    // A name that is empty, contains a blank (space or tab) or starts with a
    // digit raises the double-quoted name followed by "：変数名が不正です".
    static void ValidateName(std::string_view name);
    // Removes and frees an entry; system variables and none are ignored.
    // References held by other entries to it are unbound.
    void Delete(TParamCollectionItem* entry);
    // Entries made outside the table and taken in later: the evaluator keeps
    // its temporaries detached until something may look for them by name, and
    // recycles them. CreateEntry raises like Add; Adopt names the entry like
    // SetName (a bad name raises and the entry is dropped) and appends it;
    // Remove takes an entry out like Delete but hands it back.
    static std::unique_ptr<TParamCollectionItem> CreateEntry(uint8_t typeCode);
    TParamCollectionItem* Adopt(std::unique_ptr<TParamCollectionItem> entry, std::string_view name);
    std::unique_ptr<TParamCollectionItem> Remove(TParamCollectionItem* entry);
    // How many entries Delete and Remove have taken out so far: a holder of
    // entry pointers knows they are all still alive while it is unchanged.
    uint64_t DeleteCount() const { return deleteCount_; }
    // A stand-alone copy of a variable's value (dimensions and elements), or
    // none when the name is not found; a type other than 1..4 raises
    // "%s:不正な変数です".
    std::unique_ptr<TCustomParam> CopyValue(std::string_view name) const;
    // Deletes every entry owned by that call depth.
    void DeleteOwnedBy(int32_t depth);
    // Deletes every entry that is neither a system nor a status variable and
    // resets TextDelay and CursorName (a new game).
    void ClearGameVariables();

    // Produces the already evaluated initial value of a declaration, or none
    // when the expression yields nothing. It is called at most once.
    using InitialValue = std::function<const TCustomParam*()>;
    // The VarNew command: finds or creates the variable name of the scope
    // (SCOPE_...). An existing status variable keeps its value and the initial
    // value is not asked for; otherwise a produced value is stored with the
    // setter of the declared type, converting to the entry's own type. An
    // empty name raises "変数名がありません". Returns the entry.
    TParamCollectionItem* Declare(std::string_view name, uint8_t typeCode, uint8_t scope,
                                  const InitialValue& initialValue);

    // Snapshots of named variables: PushVar stores those of names that resolve
    // to a variable of type 1..4; PopVar restores the last snapshot
    // (re-creating missing variables as globals) and drops it. PopVar on an
    // empty stack does nothing.
    void PushVar(const std::vector<std::string>& names);
    void PopVar();
    const std::vector<std::unique_ptr<TKvMemoryStream>>& VarStack() const { return varStack_; }

    // The game record: the game variables, TextDelay, CursorName, SelStr,
    // SelIndex, TempAlias and the snapshots.
    void SaveGameVariables(TStream& s) const;
    // Deletes the game variables, then reads the game record as written by a
    // player of the given save version.
    TLegacyHistoryLayout LoadGameVariables(TStream& s, int32_t version);
    // The status record: the status variables.
    void SaveStatusVariables(TStream& s) const;
    // Adds the status record's variables to the table.
    void LoadStatusVariables(TStream& s);

    // The number of call-stack entries; the call manager keeps it current.
    int32_t CurrentDepth = 0;
    // @SelStr and @SelIndex: the last selected choice.
    std::string SelStr;
    int32_t SelIndex = 0;
    // @TextDelay, @Cursor, and the name @Temp stands for (AssignTemp).
    int32_t TextDelay = 50;
    std::string CursorName;
    std::string TempAlias;

private:
    TParamCollectionItem* addEntry(std::unique_ptr<TParamCollectionItem> entry, std::string name);
    void deleteGameEntries();
    void deleteFrom(int first);
    void saveEntries(TStream& s, bool status) const;
    void loadEntries(TStream& s);
    void loadEntry(TStream& s);

    void indexName(TParamCollectionItem* entry);
    void unindexName(TParamCollectionItem* entry);

    // Lookups by name. The hashed collection's 256 chains keep the order that
    // decides between namesakes, but its bucket rule crowds names of one
    // length and ending (flag1, flag2 ...) into a few long chains. This index
    // keeps, per name regardless of case, the namesakes in the same order as
    // their chain (the most recently named last), so a lookup is one hash
    // probe plus a walk over the namesakes only.
    struct FoldedHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const noexcept;
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };
    std::unordered_map<std::string, std::vector<TParamCollectionItem*>, FoldedHash, FoldedEqual> byName_;
    // Entries whose value is a reference: unbound when their target dies.
    std::vector<TParamCollectionItem*> references_;
    std::vector<std::unique_ptr<TKvMemoryStream>> varStack_;
    uint64_t deleteCount_ = 0;
};

} // namespace nuvo
