// The event queue: records of script events waiting for (or being run by)
// the interpreter. Components add records (TNuvoObject::RaiseEvent); the
// interpreter takes the first waiting one, marks it with its level, and
// removes it when the handler ends.
#pragma once

#include "components/NuvoObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

struct TTimerData {
    // The page to run, optionally followed by ":" and a label.
    std::string Handler;
    // Reads as none once the sender is freed.
    TNuvoRef<TNuvoObject> Sender;
    // The PR_ number of the handler property.
    uint8_t Kind = 0;
    // 0 waiting; otherwise the nesting level of the interpreter running it.
    int32_t State = 0;
    std::vector<std::string> Args;
};

class TTimerList {
public:
    void Add(TTimerData event);
    // Whether an event of that kind of that sender is in the queue (waiting or running).
    bool Contains(const TNuvoObject* sender, uint8_t kind) const;
    // Drops the waiting events of a sender (a freed component's).
    void RemoveWaitingOf(const TNuvoObject* sender);
    void Clear() { events_.clear(); }

    size_t Count() const { return events_.size(); }
    bool Empty() const { return events_.empty(); }
    TTimerData& operator[](size_t i) { return events_[i]; }
    const TTimerData& operator[](size_t i) const { return events_[i]; }
    std::vector<TTimerData>& Items() { return events_; }
    const std::vector<TTimerData>& Items() const { return events_; }

private:
    std::vector<TTimerData> events_;
};

} // namespace nuvo
