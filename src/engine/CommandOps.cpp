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
    executes("If", ifExecute),               // 0
    executes("Elseif", branchEndExecute),    // 1
    executes("Else", branchEndExecute),      // 2
    kind("Label"),                           // 3
    executes("Jump", jumpExecute),           // 4
    executes("Call", callExecute),           // 5
    executes("Exit", exitExecute),           // 6
    waitOps(),                               // 7
    executes("BoxNew", createExecute),        // 8
    executes("ImgNew", createExecute),        // 9
    kind("MesNew"),                          // 10
    kind("Timer"),                           // 11
    kind("Movie"),                           // 12
    flipOps(),                               // 13
    executes("Calc", calcExecute),           // 14
    executes("VarNew", varNewExecute),       // 15
    executes("VarDel", varDelExecute),       // 16
    executes("GetProp", getPropExecute),      // 17
    executes("SetProp", setPropExecute),      // 18
    executes("ObjDel", objDelExecute),        // 19
    kind("TextIns"),                         // 20
    kind("MovieStop"),                       // 21
    kind("ClrHist"),                         // 22
    kind("Cinema"),                          // 23
    kind("Caption"),                         // 24
    kind("Menu"),                            // 25
    kind("MenuClose"),                       // 26
    kind("Comment"),                         // 27
    kind("TextClr"),                         // 28
    kind("CallHist"),                        // 29
    kind("Button"),                          // 30
    executes("While", whileExecute),         // 31
    executes("WhileInit", whileInitExecute), // 32
    executes("WhileLoop", whileLoopExecute), // 33
    executes("Break", breakExecute),         // 34
    executes("Continue", continueExecute),   // 35
    kind("ParticleNew"),                     // 36
    kind("FireNew"),                         // 37
    kind("GameSave"),                        // 38
    kind("GameLoad"),                        // 39
    executes("PCReset", pcResetExecute),     // 40
    executes("Reset", resetExecute),         // 41
    kind("Sound"),                           // 42
    kind("EditNew"),                         // 43
    kind("MemoNew"),                         // 44
    executes("Terminate", terminateExecute), // 45
    kind("DoEvent"),                         // 46: moves on; its kind ends the frame
    kind("ClrRead"),                         // 47
    kind("MapImgNew"),                       // 48
    kind("WaveNew"),                         // 49
    executes("TileNew", createExecute),       // 50
    kind("SliderNew"),                       // 51
    kind("ScrollbarNew"),                    // 52
    kind("GaugeNew"),                        // 53
    kind("CGCaption"),                       // 54
    kind("MediaPlay"),                       // 55
    kind("PrevMenuNew"),                     // 56
    kind("PropMotion"),                      // 57
    kind("FormatHist"),                      // 58
    kind("SaveCabinet"),                     // 59
    kind("LoadCabinet"),                     // 60
};

const TCommandOps kNone{"?"};

} // namespace

const TCommandOps& commandOps(uint8_t code) { return code < kOps.size() ? kOps[code] : kNone; }

} // namespace nuvo
