// The run-time functions of the command kinds, one group per file, gathered
// into the command table (CommandOps.cpp). Each takes the command as the kind
// the table entry is for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace nuvo {

class TCallMan;
class TComComponent;
class TCommand;
class TExpr;
class TNuvoBaseList;
class TNuvoObject;
class TKvMemoryStream;
class TPage;
class TStream;

namespace run {

// The saved state of a command that is in progress (CommandState.cpp): the
// tag "nuvo100" in front, written into the stream (made when there is none),
// which is given back for the rest; and the tag read back, as its version
// (an unknown tag reads as 0). Fewer than the tag's bytes raise the
// broken-data error.
TKvMemoryStream& beginState(std::unique_ptr<TKvMemoryStream>& stream);
int readStateTag(TStream& s);

// Flow (FlowCommands.cpp).
void ifExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void branchEndExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index); // Elseif, Else
void jumpExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void callExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void exitExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void whileExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void whileInitExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void whileLoopExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void breakExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void continueExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void terminateExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void resetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void pcResetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);

// Wait (FlowCommands.cpp).
void waitBegin(TCallMan& cm, TCommand& c);
void waitExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
bool waitBlocksEvents(const TCommand& c);
void waitSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream);
void waitLoadState(TCallMan& cm, TCommand& c, TStream& s);

// Variables (VariableCommands.cpp).
void calcExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void varNewExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void varDelExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);

// Components (ComponentCommands.cpp).
// The registry the component commands act on, or none.
TNuvoBaseList* componentRegistry(TCallMan& cm);
// Sets a new component's properties from a creating command's expressions,
// in the application order, with the defaults for values missing.
void ApplyProperties(TCallMan& cm, const TComComponent& command, TNuvoObject& object);
// The text of a name expression; no value gives the empty string.
std::string textOf(TCallMan& cm, const TExpr& e);
void createExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index); // every creating kind
void getPropExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void setPropExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void objDelExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void propMotionExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);

// Media and menus (MediaCommands.cpp).
void movieStopBegin(TCallMan& cm, TCommand& c);
void movieStopExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
bool movieStopBlocksEvents(const TCommand& c);
void movieStopSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream);
void movieStopLoadState(TCallMan& cm, TCommand& c, TStream& s);
void mediaPlayExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void menuCloseExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);

// Cabinets (CabinetCommands.cpp).
void saveCabinetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
void loadCabinetExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);

// Flip (FlipCommand.cpp).
void flipBegin(TCallMan& cm, TCommand& c);
void flipExecute(TCallMan& cm, TCommand& c, TPage*& page, int32_t& index);
bool flipBlocksEvents(const TCommand& c);
void flipSaveState(TCommand& c, std::unique_ptr<TKvMemoryStream>& stream);
void flipLoadState(TCallMan& cm, TCommand& c, TStream& s);
void flipAbort(TCallMan& cm, TCommand& c);

} // namespace run
} // namespace nuvo
