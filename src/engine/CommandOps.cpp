#include "engine/CommandOps.h"

#include "engine/Command.h"
#include "engine/CommandRuntime.h"

#include <array>

namespace nuvo {
namespace {

using namespace run;

TCommandOps kind(const char* name) { return TCommandOps{name}; }

TCommandOps executes(const char* name, decltype(TCommandOps::Execute) execute) {
    TCommandOps ops{name};
    ops.Execute = execute;
    return ops;
}

TCommandOps waitOps() {
    TCommandOps ops{"Wait"};
    ops.Begin = waitBegin;
    ops.Execute = waitExecute;
    ops.BlocksEvents = waitBlocksEvents;
    ops.SaveState = waitSaveState;
    ops.LoadState = waitLoadState;
    return ops;
}

TCommandOps movieStopOps() {
    TCommandOps ops{"MovieStop"};
    ops.Begin = movieStopBegin;
    ops.Execute = movieStopExecute;
    ops.BlocksEvents = movieStopBlocksEvents;
    ops.SaveState = movieStopSaveState;
    ops.LoadState = movieStopLoadState;
    return ops;
}

TCommandOps flipOps() {
    TCommandOps ops{"Flip"};
    ops.Begin = flipBegin;
    ops.Execute = flipExecute;
    ops.BlocksEvents = flipBlocksEvents;
    ops.SaveState = flipSaveState;
    ops.LoadState = flipLoadState;
    ops.Abort = flipAbort;
    return ops;
}

// By code. Kinds whose behaviour the player does not have yet keep the
// defaults (they move on to the next command).
const std::array<TCommandOps, kCommandKindCount> kOps = {
    executes("If", ifExecute),                   // 0
    executes("Elseif", branchEndExecute),        // 1
    executes("Else", branchEndExecute),          // 2
    kind("Label"),                               // 3
    executes("Jump", jumpExecute),               // 4
    executes("Call", callExecute),               // 5
    executes("Exit", exitExecute),               // 6
    waitOps(),                                   // 7
    executes("BoxNew", createExecute),           // 8
    executes("ImgNew", createExecute),           // 9
    executes("MesNew", createExecute),           // 10
    executes("Timer", createExecute),            // 11
    executes("Movie", createExecute),            // 12
    flipOps(),                                   // 13
    executes("Calc", calcExecute),               // 14
    executes("VarNew", varNewExecute),           // 15
    executes("VarDel", varDelExecute),           // 16
    executes("GetProp", getPropExecute),         // 17
    executes("SetProp", setPropExecute),         // 18
    executes("ObjDel", objDelExecute),           // 19
    kind("TextIns"),                             // 20
    movieStopOps(),                              // 21
    kind("ClrHist"),                             // 22
    executes("Cinema", createExecute),           // 23
    executes("Caption", createExecute),          // 24
    executes("Menu", createExecute),             // 25
    executes("MenuClose", menuCloseExecute),     // 26
    kind("Comment"),                             // 27
    kind("TextClr"),                             // 28
    kind("CallHist"),                            // 29
    executes("Button", createExecute),           // 30
    executes("While", whileExecute),             // 31
    executes("WhileInit", whileInitExecute),     // 32
    executes("WhileLoop", whileLoopExecute),     // 33
    executes("Break", breakExecute),             // 34
    executes("Continue", continueExecute),       // 35
    executes("ParticleNew", createExecute),      // 36
    executes("FireNew", createExecute),          // 37
    kind("GameSave"),                            // 38
    kind("GameLoad"),                            // 39
    executes("PCReset", pcResetExecute),         // 40
    executes("Reset", resetExecute),             // 41
    executes("Sound", createExecute),            // 42
    executes("EditNew", createExecute),          // 43
    executes("MemoNew", createExecute),          // 44
    executes("Terminate", terminateExecute),     // 45
    kind("DoEvent"),                             // 46: moves on; its kind ends the frame
    kind("ClrRead"),                             // 47
    executes("MapImgNew", createExecute),        // 48
    executes("WaveNew", createExecute),          // 49
    executes("TileNew", createExecute),          // 50
    executes("SliderNew", createExecute),        // 51
    executes("ScrollbarNew", createExecute),     // 52
    executes("GaugeNew", createExecute),         // 53
    executes("CGCaption", createExecute),        // 54
    executes("MediaPlay", mediaPlayExecute),     // 55
    executes("PrevMenuNew", createExecute),      // 56
    executes("PropMotion", propMotionExecute),   // 57
    kind("FormatHist"),                          // 58
    executes("SaveCabinet", saveCabinetExecute), // 59
    executes("LoadCabinet", loadCabinetExecute), // 60
};

const TCommandOps kNone{"?"};

} // namespace

const TCommandOps& commandOps(uint8_t code) { return code < kOps.size() ? kOps[code] : kNone; }

} // namespace nuvo
