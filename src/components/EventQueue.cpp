#include "components/EventQueue.h"

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

} // namespace nuvo
