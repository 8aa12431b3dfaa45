#include "components/EventQueue.h"

#include "base/StreamIO.h"

#include <algorithm>

namespace nuvo {

void TTimerList::Add(TTimerData event) { events_.push_back(std::move(event)); }

bool TTimerList::Contains(const TNuvoObject* sender, uint8_t kind) const {
    return std::any_of(events_.begin(), events_.end(),
                       [&](const TTimerData& e) { return e.Kind == kind && e.Sender.refersTo(sender); });
}

void TTimerList::RemoveWaitingOf(const TNuvoObject* sender) {
    std::erase_if(events_, [&](const TTimerData& e) { return e.State == 0 && e.Sender.refersTo(sender); });
}

TTimerData* TTimerList::FirstPending() {
    const auto it = std::find_if(events_.begin(), events_.end(), [](const TTimerData& e) { return e.State == 0; });
    return it == events_.end() ? nullptr : &*it;
}

void TTimerList::TakeFirstPending(int32_t level) {
    if (TTimerData* e = FirstPending()) e->State = level;
}

void TTimerList::RemoveFirstPending() {
    const auto it = std::find_if(events_.begin(), events_.end(), [](const TTimerData& e) { return e.State == 0; });
    if (it != events_.end()) events_.erase(it);
}

void TTimerList::RemoveLevel(int32_t level) {
    std::erase_if(events_, [&](const TTimerData& e) { return e.State == level; });
}

void TTimerList::RemoveTaken() {
    std::erase_if(events_, [](const TTimerData& e) { return e.State != 0; });
}

void TTimerList::SaveToStream(TStream& s) const {
    WriteInt(s, static_cast<int32_t>(events_.size()));
    for (const TTimerData& e : events_) {
        WriteStr(s, e.Handler);
        const TNuvoObject* sender = e.Sender.get();
        WriteStr(s, sender ? sender->Name() : std::string());
        WriteByte(s, e.Kind);
        WriteInt(s, e.State);
        WriteInt(s, static_cast<int32_t>(e.Args.size()));
        for (const std::string& a : e.Args)
            WriteStr(s, a);
    }
}

void TTimerList::LoadFromStream(TStream& s, int32_t version,
                                const std::function<TNuvoObject*(std::string_view)>& findSender) {
    events_.clear();
    // A record is at least two string lengths, the kind, a state byte and
    // the argument count.
    const int32_t count = ReadCountChecked(s, 4 + 4 + 1 + 1 + 4);
    std::vector<TTimerData> loaded;
    loaded.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        TTimerData e;
        e.Handler = ReadStrChecked(s);
        const std::string senderName = ReadStrChecked(s);
        if (!senderName.empty()) e.Sender.reset(findSender(senderName));
        e.Kind = ReadByteChecked(s);
        e.State = version < 114 ? (ReadByteChecked(s) != 0 ? 1 : 0) : ReadIntChecked(s);
        const int32_t args = ReadCountChecked(s, 4);
        e.Args.reserve(static_cast<size_t>(args));
        for (int32_t k = 0; k < args; ++k)
            e.Args.push_back(ReadStrChecked(s));
        loaded.push_back(std::move(e));
    }
    events_ = std::move(loaded);
}

} // namespace nuvo
