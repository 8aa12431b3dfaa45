#include "base/HashCollection.h"

#include "base/Cp932.h"

namespace nuvo {

THashCollection::~THashCollection() = default;

namespace {

uint8_t hashFolded(std::string_view lower) {
    const size_t len = lower.size();
    uint32_t h = static_cast<uint32_t>(len) * 16u;
    if (len >= 2) h += static_cast<uint8_t>(lower[len - 2]) + static_cast<uint8_t>(lower[0]);
    return static_cast<uint8_t>(h);
}

} // namespace

uint8_t THashCollection::HashName(std::string_view name) { return hashFolded(sjisLower(name)); }

void THashCollection::unlink(THashCollectionItem* item) {
    THashCollectionItem** link = &buckets_[item->bucket_];
    while (*link && *link != item) link = &(*link)->next_;
    if (*link) *link = item->next_;
    item->next_ = nullptr;
}

void THashCollection::link(THashCollectionItem* item) {
    item->bucket_ = hashFolded(item->folded_);
    item->next_ = buckets_[item->bucket_];
    buckets_[item->bucket_] = item;
}

THashCollectionItem* THashCollection::AddItem(std::unique_ptr<THashCollectionItem> item) {
    THashCollectionItem* raw = item.get();
    raw->index_ = Count();
    raw->name_.clear();
    raw->folded_.clear();
    items_.push_back(std::move(item));
    link(raw);
    return raw;
}

THashCollectionItem* THashCollection::AddNamed(std::unique_ptr<THashCollectionItem> item, std::string name) {
    THashCollectionItem* raw = AddItem(std::move(item));
    SetName(raw, std::move(name));
    return raw;
}

void THashCollection::SetName(THashCollectionItem* item, std::string name) {
    if (item->name_ == name) return;
    unlink(item);
    item->folded_ = sjisLower(name);
    item->name_ = std::move(name);
    link(item);
}

bool THashCollection::NameIs(const THashCollectionItem* item, std::string_view name) {
    return item->folded_.size() == name.size() && item->folded_ == sjisLower(name);
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
    const std::string folded = sjisLower(name);
    for (THashCollectionItem* it = buckets_[hashFolded(folded)]; it; it = it->next_)
        if (it->folded_ == folded) return it;
    return nullptr;
}

int THashCollection::IndexOf(std::string_view name) const {
    const THashCollectionItem* it = Find(name);
    return it ? it->index_ : -1;
}

std::unique_ptr<THashCollectionItem> THashCollection::Extract(int index) {
    auto pos = items_.begin() + index;
    std::unique_ptr<THashCollectionItem> item = std::move(*pos);
    unlink(item.get());
    items_.erase(pos);
    for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i);
    item->index_ = -1;
    return item;
}

void THashCollection::Delete(int index) { Extract(index); }

void THashCollection::Clear() {
    items_.clear();
    buckets_.fill(nullptr);
}

} // namespace nuvo
