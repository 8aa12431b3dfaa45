// What each command kind does when it runs: one table, indexed by the
// command's code, naming the kind and giving a small function per
// operation. TCommand's run-time operations (Begin, Execute, BlocksEvents,
// SaveState, LoadState, Abort) dispatch through it, so the interpreter and
// anyone else calling a command see the same behaviour. An operation a kind
// leaves out has the default: Begin and Abort do nothing, Execute moves to
// the next command, BlocksEvents answers false, SaveState and LoadState keep
// and restore nothing.
//
// Each function is handed the command as the kind its code says (the table
// is indexed by that code), so it may cast to that class.
#pragma once

#include <cstdint>
#include <memory>

namespace nuvo {

class TCallMan;
class TCommand;
class TKvMemoryStream;
class TPage;
class TStream;

struct TCommandOps {
    const char* Name;
    void (*Begin)(TCallMan& callState, TCommand& command) = nullptr;
    // page and index are the interpreter's: a command moves index, or
    // changes page (none: the page ends and returns to its caller).
    void (*Execute)(TCallMan& callState, TCommand& command, TPage*& page, int32_t& index) = nullptr;
    bool (*BlocksEvents)(const TCommand& command) = nullptr;
    void (*SaveState)(TCommand& command, std::unique_ptr<TKvMemoryStream>& stream) = nullptr;
    void (*LoadState)(TCallMan& callState, TCommand& command, TStream& s) = nullptr;
    void (*Abort)(TCallMan& callState, TCommand& command) = nullptr;
};

// The operations of code (0 .. 60); any other code gives an entry of
// defaults only.
const TCommandOps& commandOps(uint8_t code);

} // namespace nuvo
