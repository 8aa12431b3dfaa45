// The two ways the player runs a title once its window is made: the headless
// loop on the virtual clock (input script, screenshots, a bounded number of
// frames), and the wall-clock watchdog of --timeout. The desktop loop is
// TFormView::RunLoop.
#pragma once

#include "shell/FormView.h"
#include "shell/PlayerOptions.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace nuvo {

// Runs the view's title on the headless backend until the frames are done,
// the title ends or the window is closed; writes the screenshots the options
// ask for. Returns the exit code (kExitOk for a normal end).
int RunHeadlessFrames(TFormView& view, platform::IBackend& backend, const TPlayerOptions& options);

// Writes the variable table as JSON (atomically); raises ENuvoError when the
// file cannot be written.
void WriteVariableDump(const TParamCollection& vars, const std::string& nativePath);

// Ends the process with kExitTimeout and a message when it is still running
// after the given wall time; disarmed when destroyed.
class TWatchdog {
public:
    explicit TWatchdog(double seconds);
    ~TWatchdog();
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool disarmed_ = false;
    std::thread thread_;
};

} // namespace nuvo
