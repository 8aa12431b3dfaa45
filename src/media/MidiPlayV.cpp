#include "media/MidiPlayV.h"

#include "base/Stream.h"

#include <algorithm>
#include <cmath>

namespace nuvo {

namespace {

bool isNote(const TMidiMsgEvent& e) { return e.Kind == TMidiKind::NoteOn || e.Kind == TMidiKind::NoteOff; }

} // namespace

TMidiPlayV::TMidiPlayV(platform::IAudioDevice& device, platform::IMidiPorts* ports)
    : device_(device), ports_(ports), timer_(device, kTimerInterval, [this] { TimerRound(); }) {
    for (auto& channel : controllerScale_)
        std::fill(std::begin(channel), std::end(channel), 100);
    if (ports_)
        for (const platform::MidiPortInfo& info : ports_->List()) {
            TMidiDevice d;
            d.Name = info.name;
            d.DriverVersion = "01.00";
            d.Technology = info.technology;
            d.Voices = info.voices;
            d.Notes = info.notes;
            devices_.push_back(d);
        }
}

TMidiPlayV::~TMidiPlayV() { CloseDevice(); }

bool TMidiPlayV::LoadFromStream(TStream& stream) {
    Stop();
    std::lock_guard lock(lock_);
    const bool ok = TMidiV::LoadFromStream(stream);
    loops_.clear();
    loopsPassed_ = 0;
    nextIndex_ = 0;
    positionMs_ = 0;
    for (auto& channel : controllerValue_)
        channel[7] = 127;
    return ok;
}

bool TMidiPlayV::LoadMidi(const uint8_t* data, size_t size) {
    TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    return LoadFromStream(s);
}

// ---- The port ----

bool TMidiPlayV::OpenDevice(int index) {
    if (port_) CloseDevice();
    LastError.clear();
    if (!ports_) {
        LastError = "no MIDI ports";
        return false;
    }
    std::unique_ptr<platform::IMidiPort> port = ports_->Open(index, LastError);
    if (!port) return false;
    std::lock_guard lock(lock_);
    port_ = std::move(port);
    freshPort_ = true;
    return true;
}

void TMidiPlayV::CloseDevice() {
    Stop();
    std::lock_guard lock(lock_);
    if (!port_) return;
    port_->Reset();
    port_.reset();
    // A closed port finishes nothing more: what is still pending is freed.
    std::lock_guard pending(pendingMutex_);
    pending_.clear();
}

void TMidiPlayV::sendShort(const uint8_t* bytes, size_t length) {
    if (port_) port_->ShortMessage(bytes, length);
}

void TMidiPlayV::sendLong(const uint8_t* bytes, size_t length) {
    if (!port_) return;
    uint64_t id = 0;
    const uint8_t* copy = nullptr;
    {
        std::lock_guard pending(pendingMutex_);
        id = ++nextPendingId_;
        pending_.push_back(PendingLong{id, std::vector<uint8_t>(bytes, bytes + length)});
        copy = pending_.back().bytes.data();
    }
    port_->LongMessage(copy, length, [this, id] {
        std::lock_guard pending(pendingMutex_);
        pending_.remove_if([id](const PendingLong& p) { return p.id == id; });
    });
}

void TMidiPlayV::sendControl(int channel, int controller) {
    const int64_t scaled = int64_t{controllerValue_[channel][controller]} * controllerScale_[channel][controller] / 100;
    const uint8_t msg[] = {static_cast<uint8_t>(0xB0 | channel), static_cast<uint8_t>(controller),
                           static_cast<uint8_t>(std::clamp<int64_t>(scaled, 0, 127))};
    sendShort(msg, 3);
}

void TMidiPlayV::sendLocked(const TMidiMsgEvent& e) {
    switch (e.Route) {
    case TMidiRoute::Short:
        if (e.Kind == TMidiKind::Control && e.Data.size() >= 3) {
            controllerValue_[e.Channel()][e.Data[1] & 0x7F] = e.Data[2] & 0x7F;
            sendControl(e.Channel(), e.Data[1] & 0x7F);
        } else {
            sendShort(e.Data.data(), e.Data.size());
        }
        break;
    case TMidiRoute::Long:
        // An F7 escape carries raw bytes; F0 is sent whole.
        if (e.Data.size() > 1 && e.Data[0] == 0xF7) sendLong(e.Data.data() + 1, e.Data.size() - 1);
        else if (e.Data[0] == 0xF0) sendLong(e.Data.data(), e.Data.size());
        break;
    case TMidiRoute::None:
        if (e.Kind == TMidiKind::Tempo && e.TempoValue() > 0) beatsPerMinute_ = 60000000 / e.TempoValue();
        break;
    }
}

void TMidiPlayV::allNotesOff() {
    for (int ch = 0; ch < 16; ++ch) {
        const uint8_t msg[] = {static_cast<uint8_t>(0xB0 | ch), 123, 0};
        sendShort(msg, 3);
    }
}

void TMidiPlayV::SendReset() {
    static const uint8_t kGmSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    std::lock_guard lock(lock_);
    sendLong(kGmSystemOn, sizeof kGmSystemOn);
}

// ---- Playing ----

void TMidiPlayV::stopTimer() {
    timer_.SetEnabled(false);
    timer_.WaitIdle();
}

void TMidiPlayV::TimerRound() {
    std::lock_guard lock(lock_);
    const int32_t count = static_cast<int32_t>(Events.size());
    if (nextIndex_ >= count) {
        timer_.SetEnabled(false);
        return;
    }
    const uint64_t now = device_.ClockMs();
    const int64_t elapsed = static_cast<int64_t>(std::min<uint64_t>(1000, now >= lastTick_ ? now - lastTick_ : 0));
    int64_t step = std::llround(static_cast<double>(elapsed) * std::max(Speed, 0.0));
    if (step == 0) step = elapsed;
    positionMs_ += step;
    lastTick_ = now;
    while (nextIndex_ < count && Events[static_cast<size_t>(nextIndex_)].Time < positionMs_) {
        sendLocked(Events[static_cast<size_t>(nextIndex_)]);
        ++nextIndex_;
        bool jumped = false;
        for (TMidiLoop& loop : loops_) {
            if (loop.From != nextIndex_ || !loop.Armed || loop.To < 0 || loop.To >= count) continue;
            loop.Armed = false;
            if (loop.RearmAll)
                for (TMidiLoop& other : loops_)
                    other.Armed = true;
            ++loopsPassed_;
            allNotesOff();
            nextIndex_ = loop.To;
            positionMs_ = Events[static_cast<size_t>(nextIndex_)].Time;
            jumped = true;
            break;
        }
        if (jumped || nextIndex_ < count) continue;
        // Everything has been sent.
        if (repeat_) {
            allNotesOff();
            nextIndex_ = 0;
            positionMs_ = Events[0].Time;
        } else {
            timer_.SetPaused(true);
        }
        break;
    }
}

void TMidiPlayV::PlayFrom(int64_t tick, int32_t ms, int32_t) {
    stopTimer();
    std::lock_guard lock(lock_);
    for (TMidiLoop& loop : loops_)
        loop.Armed = true;
    const int32_t count = static_cast<int32_t>(Events.size());
    int32_t target = 0;
    if (tick > 0) {
        while (target < count && Events[static_cast<size_t>(target)].Tick < tick)
            ++target;
    } else {
        // The event exactly at ms, else the last one before it.
        while (target < count && Events[static_cast<size_t>(target)].Time < ms)
            ++target;
        if (target > 0 && (target == count || Events[static_cast<size_t>(target)].Time != ms)) --target;
    }
    if (freshPort_) {
        freshPort_ = false;
        nextIndex_ = 0;
        positionMs_ = 0;
    } else if (target < nextIndex_) {
        allNotesOff();
        nextIndex_ = 0;
        positionMs_ = 0;
    }
    const bool slowPort = port_ && port_->SlowSystemExclusive();
    uint32_t waited = 0;
    for (; nextIndex_ < target; ++nextIndex_) {
        const TMidiMsgEvent& e = Events[static_cast<size_t>(nextIndex_)];
        if (!isNote(e)) {
            sendLocked(e);
            if (e.Route == TMidiRoute::Long && slowPort && waited < kMaxChaseWaitMs) {
                device_.Sleep(10);
                waited += 10;
            }
        }
        positionMs_ = e.Time;
    }
    lastTick_ = device_.ClockMs();
    timer_.SetPaused(false);
    timer_.SetEnabled(true);
}

void TMidiPlayV::Stop() {
    stopTimer();
    device_.Sleep(1);
    std::lock_guard lock(lock_);
    allNotesOff();
}

bool TMidiPlayV::IsPlaying() const { return timer_.Enabled() && !timer_.Paused(); }

bool TMidiPlayV::IsEnd() {
    std::lock_guard lock(lock_);
    return !repeat_ && nextIndex_ >= static_cast<int32_t>(Events.size());
}

int32_t TMidiPlayV::GetPosition() {
    std::lock_guard lock(lock_);
    return static_cast<int32_t>(std::clamp<int64_t>(positionMs_, INT32_MIN, INT32_MAX));
}

void TMidiPlayV::SetPosition(int32_t ms) {
    std::lock_guard lock(lock_);
    positionMs_ = ms;
}

bool TMidiPlayV::GetRepeat() {
    std::lock_guard lock(lock_);
    return repeat_;
}

void TMidiPlayV::SetRepeat(bool repeat) {
    std::lock_guard lock(lock_);
    repeat_ = repeat;
}

void TMidiPlayV::SetControllerScale(int controller, int percent) {
    if (controller < 0 || controller > 127) return;
    std::lock_guard lock(lock_);
    for (auto& channel : controllerScale_)
        channel[controller] = percent;
    if (IsPlaying())
        for (int ch = 0; ch < 16; ++ch)
            sendControl(ch, controller);
}

void TMidiPlayV::AddLoop(int32_t from, int32_t to, bool rearmAll) {
    std::lock_guard lock(lock_);
    loops_.push_back(TMidiLoop{from, to, true, rearmAll});
}

void TMidiPlayV::ClearLoops() {
    std::lock_guard lock(lock_);
    loops_.clear();
    loopsPassed_ = 0;
}

int32_t TMidiPlayV::LoopsPassed() {
    std::lock_guard lock(lock_);
    return loopsPassed_;
}

int32_t TMidiPlayV::BeatsPerMinute() {
    std::lock_guard lock(lock_);
    return beatsPerMinute_;
}

uint8_t TMidiPlayV::ControllerValue(int channel, int controller) {
    std::lock_guard lock(lock_);
    return controllerValue_[channel & 15][controller & 127];
}

int32_t TMidiPlayV::ControllerScale(int channel, int controller) {
    std::lock_guard lock(lock_);
    return controllerScale_[channel & 15][controller & 127];
}

int32_t TMidiPlayV::NextIndex() {
    std::lock_guard lock(lock_);
    return nextIndex_;
}

int32_t TMidiPlayV::PendingLongMessages() {
    std::lock_guard pending(pendingMutex_);
    return static_cast<int32_t>(pending_.size());
}

} // namespace nuvo
