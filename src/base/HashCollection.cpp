#include "base/HashCollection.h"

#include "base/Cp932.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace nuvo {

THashCollection::~THashCollection() = default;

namespace {

static_assert(std::endian::native == std::endian::little, "name words are read little-endian");

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x8080808080808080ull;

// Lower-cases the ASCII letters of a word of bytes that are all below 0x80.
uint64_t lowerAsciiWord(uint64_t w) {
    const uint64_t atLeastA = w + (0x80 - 'A') * kOnes;
    const uint64_t beyondZ = w + (0x80 - 'Z' - 1) * kOnes;
    return w | ((atLeastA & ~beyondZ & kHigh) >> 2);
}

// Lower-cases count bytes (at most 8) into a word, stepping over the second
// byte of each double-byte character; trail says whether the first byte is
// one, and on return whether the byte after the last is.
uint64_t foldBytes(const uint8_t* p, size_t count, bool& trail) {
    uint64_t w = 0;
    for (size_t k = 0; k < count; ++k) {
        uint8_t c = p[k];
        if (trail) {
            trail = false;
        } else {
            if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c + 32);
            trail = isSjisLead(c);
        }
        w |= uint64_t{c} << (8 * k);
    }
    return w;
}

uint64_t mix(uint64_t h, uint64_t w) {
    h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

struct NameKey {
    uint32_t digest;
    uint8_t bucket;
};

// One pass over a name gives its bucket, (len * 16 + b[len-2] + b[0]) mod 256
// on the lower-cased bytes b (the last two terms only when len >= 2), and the
// digest of the lower-cased bytes, eight at a time.
NameKey keyOf(std::string_view name) {
    const auto* p = reinterpret_cast<const uint8_t*>(name.data());
    const size_t len = name.size();
    uint64_t h = len;
    uint8_t beforeLast = 0, first = 0;
    bool trail = false;
    size_t i = 0;
    auto take = [&](uint64_t w, size_t at) {
        if (at == 0) first = static_cast<uint8_t>(w);
        if (len >= 2 && len - 2 >= at && len - 2 < at + 8) beforeLast = static_cast<uint8_t>(w >> (8 * (len - 2 - at)));
        h = mix(h, w);
    };
    for (; i + 8 <= len; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        // No pending second byte and no byte from 0x80 on: one character per byte.
        if (!trail && !(w & kHigh))
            w = lowerAsciiWord(w);
        else
            w = foldBytes(p + i, 8, trail);
        take(w, i);
    }
    if (i < len) take(foldBytes(p + i, len - i, trail), i);
    uint32_t bucket = static_cast<uint32_t>(len) * 16u;
    if (len >= 2) bucket += beforeLast + first;
    return {static_cast<uint32_t>(h ^ (h >> 32)), static_cast<uint8_t>(bucket)};
}

// Equal without regard to ASCII letter case (the digests already agree).
bool sameFolded(const std::string& stored, std::string_view name) {
    return stored.size() == name.size() &&
           (std::memcmp(stored.data(), name.data(), name.size()) == 0 || sjisSameText(stored, name));
}

} // namespace

uint8_t THashCollection::HashName(std::string_view name) { return keyOf(name).bucket; }

void THashCollection::unlink(THashCollectionItem* item) {
    THashCollectionItem** link = &buckets_[item->bucket_];
    while (*link && *link != item) link = &(*link)->next_;
    if (*link) *link = item->next_;
    item->next_ = nullptr;
}

void THashCollection::link(THashCollectionItem* item) {
    const NameKey key = keyOf(item->name_);
    item->key_ = key.digest;
    item->bucket_ = key.bucket;
    item->next_ = buckets_[item->bucket_];
    buckets_[item->bucket_] = item;
}

THashCollectionItem* THashCollection::AddItem(std::unique_ptr<THashCollectionItem> item) {
    THashCollectionItem* raw = item.get();
    raw->index_ = Count();
    raw->name_.clear();
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
    item->name_ = std::move(name);
    link(item);
}

bool THashCollection::NameIs(const THashCollectionItem* item, std::string_view name) {
    return sameFolded(item->name_, name);
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
    const NameKey key = keyOf(name);
    for (THashCollectionItem* it = buckets_[key.bucket]; it; it = it->next_)
        if (it->key_ == key.digest && sameFolded(it->name_, name)) return it;
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

void THashCollection::TruncateTo(int count) {
    while (Count() > std::max(count, 0)) {
        unlink(items_.back().get());
        items_.pop_back();
    }
}

void THashCollection::Clear() {
    items_.clear();
    buckets_.fill(nullptr);
}

} // namespace nuvo
