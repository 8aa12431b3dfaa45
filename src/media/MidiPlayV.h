// TMidiPlayV: plays a loaded MIDI file on an output port from a 10 ms timer,
// with seeking (controllers, programs and system-exclusive messages chased
// up to the start), repeat, loop points, a master volume through the
// channel-volume controller, and the choice of port.
//
// The timer's rounds run on the audio device's job (a thread on the
// desktop); everything else on the frame loop's thread. One lock guards the
// position, the next index, Repeat, the loops and the controller tables;
// starting, stopping and seeking first take the timer out of its round.
#pragma once

#include "media/MidiV.h"
#include "media/MMTimer.h"
#include "platform/MidiOut.h"

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace nuvo {

struct TMidiDevice {
    uint16_t ManufacturerId = 0;
    uint16_t ProductId = 0;
    std::string DriverVersion; // "%2.2d.%2.2d"
    std::string Name;          // UTF-8, as the port names itself
    int32_t Technology = 0;
    int32_t Voices = 0;
    int32_t Notes = 0;
    uint16_t ChannelMask = 0xFFFF;
    uint32_t Support = 0;
};

struct TMidiLoop {
    int32_t From = 0;
    int32_t To = 0;
    bool Armed = true;
    bool RearmAll = false;
};

class TMidiPlayV : public TMidiV {
public:
    static constexpr uint32_t kTimerInterval = 10;
    // The longest the chase of one PlayFrom waits for system-exclusive
    // messages to reach a slow port (it holds up the frame).
    static constexpr uint32_t kMaxChaseWaitMs = 250;

    // Both borrowed; ports may be null (no device can be opened).
    TMidiPlayV(platform::IAudioDevice& device, platform::IMidiPorts* ports);
    ~TMidiPlayV() override;

    // Stops, reads the file, clears the loops, prepares the volume.
    bool LoadFromStream(TStream& stream) override;
    bool LoadMidi(const uint8_t* data, size_t size);

    const std::vector<TMidiDevice>& Devices() const { return devices_; }
    // Index -1 is the MIDI mapper (port 0). A port already open is closed
    // first. False when it cannot be opened (LastError says why).
    bool OpenDevice(int index);
    void CloseDevice();
    bool Opened() const { return port_ != nullptr; }
    std::string LastError;

    // Starts from the event at Tick when Tick > 0, else from the time Ms.
    void PlayFrom(int64_t tick, int32_t ms, int32_t key = -1);
    void Stop();
    bool IsPlaying() const;
    bool IsEnd();
    int32_t GetPosition();
    void SetPosition(int32_t ms);
    bool GetRepeat();
    void SetRepeat(bool repeat);
    void SetControllerScale(int controller, int percent);
    // The General MIDI System On message as one long message.
    void SendReset();

    void AddLoop(int32_t from, int32_t to, bool rearmAll);
    void ClearLoops();
    int32_t LoopsPassed();

    // Elapsed time is multiplied by this.
    double Speed = 1.0;
    // From the last tempo sent.
    int32_t BeatsPerMinute();

    uint8_t ControllerValue(int channel, int controller);
    int32_t ControllerScale(int channel, int controller);
    int32_t NextIndex();
    int32_t PendingLongMessages();

    // The timer's round, as the timer runs it.
    void TimerRound();

private:
    void sendLocked(const TMidiMsgEvent& e);
    void sendControl(int channel, int controller);
    void sendShort(const uint8_t* bytes, size_t length);
    void sendLong(const uint8_t* bytes, size_t length);
    void allNotesOff();
    void stopTimer();

    platform::IAudioDevice& device_;
    platform::IMidiPorts* ports_;
    std::vector<TMidiDevice> devices_;
    std::unique_ptr<platform::IMidiPort> port_;
    // A port opened since the last start: the next start chases from the
    // first event, so the fresh receiver gets every program and controller.
    bool freshPort_ = false;

    std::recursive_mutex lock_;
    int32_t nextIndex_ = 0;
    int64_t positionMs_ = 0;
    uint64_t lastTick_ = 0;
    bool repeat_ = false;
    std::vector<TMidiLoop> loops_;
    int32_t loopsPassed_ = 0;
    int32_t beatsPerMinute_ = 120;
    uint8_t controllerValue_[16][128] = {};
    int32_t controllerScale_[16][128];

    std::mutex pendingMutex_;
    struct PendingLong {
        uint64_t id;
        std::vector<uint8_t> bytes;
    };
    std::list<PendingLong> pending_;
    uint64_t nextPendingId_ = 0;

    TMMTimer timer_;
};

} // namespace nuvo
