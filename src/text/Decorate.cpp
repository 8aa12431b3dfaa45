#include "text/Decorate.h"

#include <algorithm>
#include <functional>

namespace nuvo {

bool TDecorate::SameStyle(const TDecorate& o) const {
    return Color == o.Color && BorderColor == o.BorderColor && ShadowColor == o.ShadowColor && Size == o.Size &&
           Style == o.Style && Name == o.Name && NoBreak == o.NoBreak && Ruby == o.Ruby &&
           BorderWidth == o.BorderWidth && ShadowOffset == o.ShadowOffset;
}

size_t TDecorate::Hash() const {
    size_t h = std::hash<std::string>()(Name) ^ (std::hash<std::string>()(Ruby) * 31);
    for (int64_t v : {int64_t{Color}, int64_t{BorderColor}, int64_t{ShadowColor}, int64_t{Size}, int64_t{Style},
                      int64_t{NoBreak}, int64_t{BorderWidth}, int64_t{ShadowOffset}})
        h = h * 1000003u ^ std::hash<int64_t>()(v);
    return h;
}

TDecorate* TDecorateList::Intern(const TDecorate& value) {
    const size_t h = value.Hash();
    auto [from, to] = byValue_.equal_range(h);
    for (auto it = from; it != to; ++it)
        if (it->second->SameStyle(value)) return it->second;
    return Append(value);
}

TDecorate* TDecorateList::Append(const TDecorate& value) {
    auto d = std::make_unique<TDecorate>(value);
    d->Count = 0;
    d->Index = static_cast<int32_t>(items_.size());
    byValue_.emplace(d->Hash(), d.get());
    items_.push_back(std::move(d));
    return items_.back().get();
}

void TDecorateList::Compact() {
    if (std::none_of(items_.begin(), items_.end(), [](const auto& d) { return d->Count <= 0; })) return;
    std::vector<std::unique_ptr<TDecorate>> kept;
    kept.reserve(items_.size());
    byValue_.clear();
    for (auto& d : items_) {
        if (d->Count <= 0) continue;
        d->Index = static_cast<int32_t>(kept.size());
        byValue_.emplace(d->Hash(), d.get());
        kept.push_back(std::move(d));
    }
    items_ = std::move(kept);
}

void TDecorateList::Clear() {
    byValue_.clear();
    items_.clear();
}

} // namespace nuvo
