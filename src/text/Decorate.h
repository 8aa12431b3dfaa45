// Text styles: shared, reference-counted records. Elements with equal styles
// share one record; a record whose count has dropped to 0 is freed at the
// end of the operation that released it (setting text, loading, appending).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace nuvo {

class TDecorate {
public:
    int32_t Count = 0;        // references from elements
    int32_t Color = -1;       // -1: the word's colour
    int32_t BorderColor = -1; // -1: the word's
    int32_t ShadowColor = -1; // -1: the word's
    int32_t Size = 0;         // 0: the word's FontSize
    uint8_t Style = 0;        // kStyleBold, kStyleItalic, kStyleUnderline, kStyleStrikeOut
    std::string Name;         // empty: the word's font
    bool NoBreak = false;
    std::string Ruby;         // Shift-JIS reading shown above the characters
    int32_t BorderWidth = -1; // -1: the word's
    int32_t ShadowOffset = -1; // -1: the word's

    // Equal in everything but Count.
    bool SameStyle(const TDecorate& other) const;
    size_t Hash() const;

    // Place in its list (kept by the list).
    int32_t Index = -1;
};

class TDecorateList {
public:
    TDecorateList() = default;
    TDecorateList(const TDecorateList&) = delete;
    TDecorateList& operator=(const TDecorateList&) = delete;

    // The shared record equal to value, made when missing (its count is
    // raised by the TStyleRef that takes it).
    TDecorate* Intern(const TDecorate& value);
    // A new record at the end even when an equal one exists, count 0 (a
    // loaded style table keeps its records apart).
    TDecorate* Append(const TDecorate& value);
    void AddRef(TDecorate* d) { ++d->Count; }
    void Release(TDecorate* d) { --d->Count; }
    // Frees the records no element refers to and renumbers the rest.
    void Compact();
    // Frees every record (no element may refer to one).
    void Clear();

    size_t Count() const { return items_.size(); }
    TDecorate* At(size_t i) const { return items_[i].get(); }

private:
    std::vector<std::unique_ptr<TDecorate>> items_;
    std::unordered_multimap<size_t, TDecorate*> byValue_;
};

// A counted reference to a record of a list, released on destruction. A
// reference without a list only borrows the record.
class TStyleRef {
public:
    TStyleRef() = default;
    TStyleRef(TDecorateList* list, TDecorate* style) : list_(list), style_(style) {
        if (list_ && style_) list_->AddRef(style_);
    }
    ~TStyleRef() {
        if (list_ && style_) list_->Release(style_);
    }
    TStyleRef(const TStyleRef&) = delete;
    TStyleRef& operator=(const TStyleRef&) = delete;
    void reset(TDecorateList* list, TDecorate* style) {
        if (list && style) list->AddRef(style);
        if (list_ && style_) list_->Release(style_);
        list_ = list;
        style_ = style;
    }
    TDecorate* get() const { return style_; }
    const TDecorate* operator->() const { return style_; }

private:
    TDecorateList* list_ = nullptr;
    TDecorate* style_ = nullptr;
};

} // namespace nuvo
