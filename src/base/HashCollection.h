// The hashed, case-insensitive named collection under the variable table, the
// archive directory, the read-mark table and the picture cache: an ordered
// list of owned items plus 256 bucket chains. A named item sits at the head of
// its bucket's chain, so of several items with one name the one that most
// recently received its name is found first.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nuvo {

class THashCollection;

class THashCollectionItem {
public:
    virtual ~THashCollectionItem() = default;

    const std::string& Name() const { return name_; }
    // The item's position in its collection.
    int Index() const { return index_; }
    // The next item of the same bucket chain, or none.
    THashCollectionItem* NextInChain() const { return next_; }

private:
    friend class THashCollection;
    std::string name_;
    int index_ = -1;
    // A digest of the name with its ASCII letters lower-cased: a chain walk
    // looks at the name itself only when the digests agree.
    uint32_t key_ = 0;
    THashCollectionItem* next_ = nullptr;
    uint8_t bucket_ = 0; // last, so that a subclass's small fields fill the padding
};

class THashCollection {
public:
    THashCollection() = default;
    virtual ~THashCollection();
    THashCollection(const THashCollection&) = delete;
    THashCollection& operator=(const THashCollection&) = delete;

    // The bucket of a name: on its lower-cased bytes b[0..len-1],
    // (len * 16 + b[len-2] + b[0]) mod 256, the last two terms only when len >= 2.
    static uint8_t HashName(std::string_view name);

    int Count() const { return static_cast<int>(items_.size()); }
    // Makes room for count items in all, so adding them moves nothing.
    void Reserve(size_t count) { items_.reserve(count); }
    THashCollectionItem* Item(int index) const { return items_[static_cast<size_t>(index)].get(); }

    // Appends an item with the empty name (at the head of bucket 0's chain).
    THashCollectionItem* AddItem(std::unique_ptr<THashCollectionItem> item);
    // Appends an item and gives it a name.
    THashCollectionItem* AddNamed(std::unique_ptr<THashCollectionItem> item, std::string name);
    // Renames an item and moves it to the head of its new bucket's chain; does
    // nothing when the name is unchanged.
    void SetName(THashCollectionItem* item, std::string name);
    // Position of the first item of the name's chain with that name, or -1.
    int IndexOf(std::string_view name) const;
    THashCollectionItem* Find(std::string_view name) const;
    // The head of the chain a name hashes to (walk it with NextInChain).
    THashCollectionItem* ChainHead(std::string_view name) const { return buckets_[HashName(name)]; }
    // True when the item's name equals name without regard to letter case.
    static bool NameIs(const THashCollectionItem* item, std::string_view name);

    // Frees one item; later items' positions drop by one.
    void Delete(int index);
    // Takes one item out without freeing it.
    std::unique_ptr<THashCollectionItem> Extract(int index);
    void Clear();
    // Frees the items from position count on, the last first (undoes adding
    // them).
    void TruncateTo(int count);

private:
    void unlink(THashCollectionItem* item);
    void link(THashCollectionItem* item);

    std::vector<std::unique_ptr<THashCollectionItem>> items_;
    std::array<THashCollectionItem*, 256> buckets_{};
};

// A collection whose items are all of one class.
template <typename T>
class THashCollectionOf : public THashCollection {
public:
    T* At(int index) const { return static_cast<T*>(Item(index)); }
    T* FindItem(std::string_view name) const { return static_cast<T*>(Find(name)); }
    T* Add(std::unique_ptr<T> item, std::string name) { return static_cast<T*>(AddNamed(std::move(item), std::move(name))); }
};

} // namespace nuvo
