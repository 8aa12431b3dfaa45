#include "shell/PlayerRun.h"

#include "base/Error.h"
#include "platform/FileSystem.h"
#include "render/ScreenManager.h"
#include "script/VariableDump.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace nuvo {

int RunHeadlessFrames(TFormView& view, platform::IBackend& backend, const TPlayerOptions& options) {
    platform::IWindow& window = backend.Window();
    platform::IClock& clock = backend.Clock();
    while (!view.CloseRequested()) {
        const int64_t frame = backend.FrameNumber();
        if (options.Frames >= 0 && frame >= options.Frames) break;
        // The script's events of frame N come with the pump made after N
        // frames have ended.
        view.PumpEvents();
        if (view.CloseRequested()) break;
        view.IdleStep();
        if (options.WantsShot(frame)) {
            const std::string path = ShotFileName(options.ShotsDir, frame);
            if (!SaveWindowPicture(window, path))
                std::fprintf(stderr, "nuvoplayer: frame %lld: nothing has been shown yet, no screenshot\n",
                             static_cast<long long>(frame));
        }
        clock.FrameEnded();
    }
    return kExitOk;
}

void WriteVariableDump(const TParamCollection& vars, const std::string& nativePath) {
    const std::string json = dumpVariablesJson(vars) + "\n";
    platform::writeFileAtomic(nativePath, reinterpret_cast<const uint8_t*>(json.data()), json.size());
}

TWatchdog::TWatchdog(double seconds) {
    if (seconds <= 0) return;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    thread_ = std::thread([this, limit, seconds] {
        std::unique_lock lock(mutex_);
        if (cv_.wait_until(lock, limit, [this] { return disarmed_; })) return;
        std::fflush(stdout);
        std::fprintf(stderr,
                     "nuvoplayer: the run took longer than --timeout %g seconds (a script that never yields?); "
                     "stopped\n",
                     seconds);
        std::fflush(stderr);
        std::_Exit(kExitTimeout);
    });
}

TWatchdog::~TWatchdog() {
    {
        std::lock_guard lock(mutex_);
        disarmed_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

} // namespace nuvo
