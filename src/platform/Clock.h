// Time as the player sees it: a millisecond counter and the local calendar
// time. The desktop backend reads the system clocks; the headless backend
// runs a virtual clock so that every run is the same.
#pragma once

#include <cstdint>

namespace nuvo::platform {

struct LocalTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 6; // 0 = Sunday
};

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary start, never going back.
    virtual uint64_t TickMs() = 0;
    // The local date and time now.
    virtual LocalTime Now() = 0;
    // Milliseconds since midnight of universal time (UTC), 0 .. 86399999.
    // A clock that keeps its time in no zone (the virtual clock) answers its
    // own time of day.
    virtual uint32_t UtcMillisecondsOfDay() {
        const LocalTime t = Now();
        return static_cast<uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond);
    }
    // The frame loop calls this once at the end of every frame. The virtual
    // clock advances its fixed step here (and nowhere else); real clocks
    // ignore it.
    virtual void FrameEnded() {}
    // Gives the processor away for about ms milliseconds; the virtual clock
    // returns at once without advancing.
    virtual void Sleep(uint32_t ms) { (void)ms; }
};

} // namespace nuvo::platform
