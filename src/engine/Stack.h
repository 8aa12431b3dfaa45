// The interpreter's call stack. A frame is pushed by a Call (the caller's
// place, the variable that receives the result, the called page's result
// slot) and by an event handler that interrupts a script (the interrupted
// place and, when a command was half done, its in-progress state). Popping a
// frame returns to that place.
//
// The stack keeps the variable table's call depth equal to its number of
// frames on every push, pop and clear: local and auto-delete variables are
// owned by that depth.
#pragma once

#include "engine/ScriptEvents.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nuvo {

class TCustomParam;
class TKvMemoryStream;
class TParamCollection;
class TStream;

struct TStack {
    TStack();
    ~TStack();
    TStack(TStack&&) noexcept;
    TStack& operator=(TStack&&) noexcept;

    // The caller's page, where it continues, and its state there.
    std::string PageName;
    int32_t PC = 0;
    uint8_t Started = 0;
    // The caller's variable that receives the result; empty: none.
    std::string ResultVar;
    std::vector<std::string> Args;
    TEventSenderRef EventSource;
    uint8_t Running = 0;
    // The in-progress state of the caller's command, when an event
    // interrupted it half done.
    std::unique_ptr<TKvMemoryStream> SavedState;
    // The called page's result slot (of its result type), or none.
    std::unique_ptr<TCustomParam> ReturnValue;

    // An independent copy (state bytes and result slot copied).
    TStack Clone() const;

    // The frame record of the interpreter record; sources by name.
    void SaveToStream(TStream& s) const;
    // Reads a frame record with checked reads; sources are looked up in
    // events (none without it or when not found). Raises on bad data.
    void LoadFromStream(TStream& s, IScriptEvents* events);
};

class TStackList {
public:
    // vars may be none (no depth is kept then).
    explicit TStackList(TParamCollection* vars) : vars_(vars) {}

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    TStack& At(int32_t index) { return *items_[static_cast<size_t>(index)]; }
    const TStack& At(int32_t index) const { return *items_[static_cast<size_t>(index)]; }
    TStack& Top() { return *items_.back(); }

    void Push(std::unique_ptr<TStack> frame);
    // Takes the top frame off, leaving a copy in Scratch. An empty stack
    // raises "スタックエラー".
    std::unique_ptr<TStack> Pop();
    void Clear();

    // A copy of the frame popped last; saved with the stack.
    TStack Scratch;

    // The stack part of the interpreter record: the scratch frame, the count,
    // the frames from the bottom up.
    void SaveToStream(TStream& s) const;
    // Replaces the frames by the record's; on bad data raises and leaves the
    // stack as it was.
    void LoadFromStream(TStream& s, IScriptEvents* events);

private:
    void syncDepth();

    TParamCollection* vars_;
    std::vector<std::unique_ptr<TStack>> items_;
};

} // namespace nuvo
