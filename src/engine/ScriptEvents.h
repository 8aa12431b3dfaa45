// What the interpreter needs of the component registry: its event queue
// (script events waiting for, or being run by, a handler) and its components
// by name. The registry's side supplies an implementation; the interpreter
// reaches it through TProgramContext::Events and starts no handler while
// there is none.
//
// An event is queued with level 0 (waiting). The interpreter takes the first
// waiting one between two commands, marks it with the level of the handler
// that runs it, and removes the records of a level when that handler ends.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TNuvoBaseList;

// The component that raised an event, as the interpreter holds it: the
// running handler's source and the sources saved in call frames. A sender
// outlives its component; it then no longer exists and has no name. Whether
// a frame holds a sender at all (not whether it still exists) is what tells
// a frame pushed inside a handler from one of the main script.
class TEventSender {
public:
    virtual ~TEventSender() = default;
    // Whether the component is still in the registry.
    virtual bool Exists() const = 0;
    // Its name while it exists, else empty.
    virtual std::string Name() const = 0;
};

using TEventSenderRef = std::shared_ptr<TEventSender>;

// A copy of what a queued event record holds for the interpreter.
struct TScriptEvent {
    // A page file name, optionally followed by ":" and a label.
    std::string Handler;
    // None only when the registry lost track of the component.
    TEventSenderRef Sender;
    std::vector<std::string> Args;
};

class IScriptEvents {
public:
    virtual ~IScriptEvents() = default;

    // The first record still waiting (level 0); false when there is none.
    virtual bool FirstPending(TScriptEvent& event) = 0;
    // Marks that same record as taken by the handler of level (>= 1).
    virtual void TakeFirstPending(int32_t level) = 0;
    // Drops that same record (its handler cannot run).
    virtual void RemoveFirstPending() = 0;
    // Removes every record taken at level.
    virtual void RemoveLevel(int32_t level) = 0;
    // Removes every taken record (level not 0).
    virtual void RemoveTaken() = 0;
    // Removes every record.
    virtual void RemoveAll() = 0;

    // The component of that name as a sender (a saved interpreter record
    // names its sources); none when no component has the name.
    virtual TEventSenderRef FindSender(std::string_view name) = 0;
    // Resets the base screens and frees every component (the Reset command).
    virtual void ResetComponents() = 0;
    // The registry itself, for the commands that create, change and delete
    // components and switch the screens; none leaves them without effect.
    virtual TNuvoBaseList* Components() { return nullptr; }
};

} // namespace nuvo
