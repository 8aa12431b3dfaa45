// The event queue: records of script events waiting for (or being run by)
// the interpreter. Components add records (TNuvoObject::RaiseEvent); the
// interpreter takes the first waiting one, marks it with the level of the
// handler that runs it, and removes the records of a level when that handler
// ends. Records keep their order of arrival.
#pragma once

#include "components/NuvoObject.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class TStream;

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

    // ---- What the interpreter does with the queue ----------------------------------
    // The first waiting record, or none.
    TTimerData* FirstPending();
    // Marks the first waiting record as taken by the handler of level.
    void TakeFirstPending(int32_t level);
    void RemoveFirstPending();
    // Removes the records taken at level.
    void RemoveLevel(int32_t level);
    // Removes every taken record (State not 0).
    void RemoveTaken();
    void Clear() { events_.clear(); }

    size_t Count() const { return events_.size(); }
    bool Empty() const { return events_.empty(); }
    TTimerData& operator[](size_t i) { return events_[i]; }
    const TTimerData& operator[](size_t i) const { return events_[i]; }
    std::vector<TTimerData>& Items() { return events_; }
    const std::vector<TTimerData>& Items() const { return events_; }

    // The queue's part of the registry's save record: the count, then per
    // record its handler, its sender's name (empty when the sender is gone),
    // kind (1 byte), state and arguments (count and strings).
    void SaveToStream(TStream& s) const;
    // Replaces the queue with the records read; senders are found by name
    // (none for names that find nothing). Before version 114 the state is one
    // byte, non-zero meaning 1. Damaged data raises ENuvoError.
    void LoadFromStream(TStream& s, int32_t version, const std::function<TNuvoObject*(std::string_view)>& findSender);

private:
    std::vector<TTimerData> events_;
};

} // namespace nuvo
