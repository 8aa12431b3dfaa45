// Layout: elements into rows and pages.
//
// Elements are placed in unbreakable units (a latin word, a NOBR run, a ruby
// run, a character with the closing marks after it, an opening bracket with
// what follows). A unit that does not fit in what is left of a row starts a
// new one; a unit wider than a whole row is split between elements, never
// before a character that may not start a row nor after one that may not end
// it (where no such place fits, the row overflows). Every measure comes from
// prefix sums, so a unit of any length is measured once.
#include "base/Error.h"
#include "text/KvWord.h"

#include <algorithm>
#include <unordered_set>

namespace nuvo {

namespace {

// Characters that never start a row, and those that never end one.
const std::unordered_set<uint16_t>& noStartCodes() {
    static const std::unordered_set<uint16_t> codes = [] {
        std::unordered_set<uint16_t> s;
        for (uint16_t c : charCodes(sjisText("。、｣」』)）､｡!?！？】"))) s.insert(c);
        return s;
    }();
    return codes;
}

const std::unordered_set<uint16_t>& noEndCodes() {
    static const std::unordered_set<uint16_t> codes = [] {
        std::unordered_set<uint16_t> s;
        for (uint16_t c : charCodes(sjisText("｢「『（([<【"))) s.insert(c);
        return s;
    }();
    return codes;
}

// Characters of a value shown by VAR or HISTCHAR, at most.
constexpr size_t kMaxValueChars = 65536;

enum class Kind { Rowable, Align, Indent, Undent, Return, Float };

struct Item {
    TWdGlyph* g = nullptr;
    Kind kind = Kind::Rowable;
    int32_t w = 0;
    int32_t h = 0;
    bool visible = false;
    bool isChar = false;
    bool isImg = false;
    uint16_t code = 0;
    bool noBreak = false;
    const std::string* ruby = nullptr;
};

int32_t clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

class TLayouter {
public:
    TLayouter(TKvWord& word, TWdPageList& pages) : w_(word), pages_(pages), limited_(word.Width > 0) {}

    void expand(int32_t first, int32_t last);
    void run();

private:
    struct Float {
        bool left;
        int64_t x, y, w, h;
    };

    bool rowable(size_t k) const { return items_[k].kind == Kind::Rowable; }
    bool isSpace(size_t k) const { return items_[k].isChar && items_[k].code == ' '; }
    bool noStart(size_t k) const { return items_[k].isChar && noStartCodes().count(items_[k].code); }
    bool noEnd(size_t k) const { return items_[k].isChar && noEndCodes().count(items_[k].code); }
    bool breakAllowed(size_t k) const;
    size_t unitEnd(size_t i) const;
    size_t splitPoint(size_t i, size_t end, int64_t room) const;
    int64_t widthOf(size_t from, size_t to) const { return prefix_[to] - prefix_[from]; }

    void addMade(std::unique_ptr<TWdGlyph> g, Kind kind, int32_t w, int32_t h, bool visible);
    void ensurePage();
    void newRow(size_t i);
    void addItem(size_t k);
    void placeOp(size_t k);
    size_t placeUnit(size_t i);
    void placeFloat(size_t k);
    int64_t rowHeight() const;
    void finishRow(bool byReturn);
    void finishPage();
    void rollBack();
    std::pair<int64_t, int64_t> freeAt(int64_t y) const;
    void alignRow(TWdRow& row) const;

    TKvWord& w_;
    TWdPageList& pages_;
    const bool limited_;
    std::vector<Item> items_;
    std::vector<int64_t> prefix_;
    std::shared_ptr<TWdMadeElements> made_ = std::make_shared<TWdMadeElements>();

    TWdPage* page_ = nullptr;
    TWdRow* row_ = nullptr;
    int64_t y_ = 0;
    int32_t align_ = kAlignLeft;
    int64_t indent_ = 0;
    std::vector<Float> floats_;
    std::vector<size_t> pending_;
    int32_t pendingAlign_ = kAlignLeft;
    int64_t pendingIndent_ = 0;
    size_t continueTo_ = SIZE_MAX;
    int64_t widest_ = 0;

    // The row being filled.
    size_t rowFirst_ = 0;
    int32_t rowStartAlign_ = kAlignLeft;
    int64_t rowStartIndent_ = 0;
    int64_t rowWidth_ = 0;
    bool rowContent_ = false;
    int32_t maxChar_ = 0, maxBottom_ = 0, maxTop_ = 0, maxCentre_ = 0;
};

void TLayouter::addMade(std::unique_ptr<TWdGlyph> g, Kind kind, int32_t w, int32_t h, bool visible) {
    g->Width = w;
    g->Height = h;
    Item it;
    it.g = g.get();
    it.kind = kind;
    it.w = w;
    it.h = h;
    it.visible = visible;
    if (auto* c = dynamic_cast<TWdChar*>(g.get())) {
        it.isChar = true;
        it.code = c->Code;
        it.noBreak = c->Style() && c->Style()->NoBreak;
        it.ruby = c->Style() ? &c->Style()->Ruby : nullptr;
    }
    made_->push_back(std::move(g));
    items_.push_back(it);
}

void TLayouter::expand(int32_t first, int32_t last) {
    first = std::max(first, 0);
    if (last < 0 || last >= w_.Count()) last = w_.Count() - 1;
    for (int32_t i = first; i <= last; ++i) {
        TWdGlyph* g = w_.Elements[static_cast<size_t>(i)].get();
        g->Parent = nullptr;
        g->Slot = -1;
        Item it;
        it.g = g;
        switch (g->TypeCode()) {
        case kWdChar: {
            auto* c = static_cast<TWdChar*>(g);
            const TKvWord::TCellStyle cs = w_.CellOf(c->Style());
            it.w = cs.widthOf(c->Code);
            it.h = cs.height;
            it.visible = it.isChar = true;
            it.code = c->Code;
            it.noBreak = c->Style() && c->Style()->NoBreak;
            it.ruby = c->Style() ? &c->Style()->Ruby : nullptr;
            break;
        }
        case kWdImg: {
            auto* img = static_cast<TWdImg*>(g);
            IWordPicture* p = img->Picture(w_);
            it.w = p ? std::max(0, p->Width()) : 0;
            it.h = p ? std::max(0, p->Height()) : 0;
            it.visible = it.isImg = true;
            it.noBreak = img->NoBreak;
            it.ruby = &img->Ruby;
            it.kind = img->IsFloat() ? Kind::Float : Kind::Rowable;
            break;
        }
        case kWdAlign: it.kind = Kind::Align; break;
        case kWdIndent: it.kind = Kind::Indent; break;
        case kWdUndent: it.kind = Kind::Undent; break;
        case kWdReturn: it.kind = Kind::Return; break;
        default: break;
        }
        g->Width = it.w;
        g->Height = it.h;
        items_.push_back(it);
        // The characters of a variable's value, or of a history value in a recall.
        std::optional<std::string> value;
        if (g->TypeCode() == kWdVar && w_.VariableText) value = w_.VariableText(static_cast<TWdOpeVar*>(g)->Value);
        if (g->TypeCode() == kWdHistChar && w_.HistoryRecall) value = static_cast<TWdOpeHistChar*>(g)->Value;
        if (value) {
            auto* ope = static_cast<TWdStyledOpe*>(g);
            const TKvWord::TCellStyle cs = w_.CellOf(ope->Style());
            std::vector<uint16_t> codes = charCodes(*value);
            if (codes.size() > kMaxValueChars) codes.resize(kMaxValueChars);
            for (uint16_t code : codes)
                addMade(std::make_unique<TWdVarChar>(&w_, code, ope->Style(), g), Kind::Rowable, cs.widthOf(code), cs.height, true);
        }
    }
    prefix_.resize(items_.size() + 1);
    prefix_[0] = 0;
    for (size_t k = 0; k < items_.size(); ++k) prefix_[k + 1] = prefix_[k] + items_[k].w;
}

bool TLayouter::breakAllowed(size_t k) const {
    const Item& a = items_[k - 1];
    const Item& b = items_[k];
    if (a.noBreak && b.noBreak) return false;
    if (a.ruby && b.ruby && !a.ruby->empty() && *a.ruby == *b.ruby) return false;
    if (a.isChar && b.isChar && a.code > 32 && a.code <= 255 && b.code > 32 && b.code <= 255) return false;
    if (isSpace(k) && !isSpace(k - 1)) return false;
    if (noStart(k)) return false;
    return true;
}

size_t TLayouter::unitEnd(size_t i) const {
    const size_t n = items_.size();
    size_t j = i + 1;
    const auto extend = [&] {
        while (j < n && rowable(j) && !breakAllowed(j)) ++j;
    };
    extend();
    // An opening bracket takes what follows it.
    while (j < n && noEnd(j - 1) && rowable(j)) {
        ++j;
        extend();
    }
    return j;
}

size_t TLayouter::splitPoint(size_t i, size_t end, int64_t room) const {
    // The most elements that fit, at least one.
    size_t lo = i + 1, hi = end;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (widthOf(i, mid) <= room) lo = mid;
        else hi = mid - 1;
    }
    const auto splittable = [&](size_t b) { return b == end || (!noStart(b) && !noEnd(b - 1)); };
    for (size_t b = lo; b > i; --b)
        if (splittable(b)) return b;
    for (size_t b = lo + 1; b <= end; ++b)
        if (splittable(b)) return b;
    return end;
}

std::pair<int64_t, int64_t> TLayouter::freeAt(int64_t y) const {
    int64_t left = 0, right = limited_ ? w_.Width : INT32_MAX / 4;
    for (const Float& f : floats_) {
        if (y < f.y || y >= f.y + f.h) continue;
        if (f.left) left = std::max(left, f.x + f.w);
        else right = std::min(right, f.x);
    }
    return {left, right};
}

void TLayouter::ensurePage() {
    if (page_) return;
    pages_.push_back(std::make_unique<TWdPage>(&w_));
    page_ = pages_.back().get();
    page_->Made = made_;
}

void TLayouter::newRow(size_t i) {
    ensurePage();
    auto row = std::make_unique<TWdRow>(&w_);
    row->Page = page_;
    row->Parent = page_;
    row->Y = clamp32(y_);
    const auto [left, right] = freeAt(y_);
    row->FreeLeft = clamp32(left);
    row->FreeRight = clamp32(right);
    row_ = row.get();
    page_->Rows.push_back(std::move(row));
    rowWidth_ = 0;
    rowContent_ = false;
    maxChar_ = maxBottom_ = maxTop_ = maxCentre_ = 0;
    if (pending_.empty()) {
        rowFirst_ = i;
        rowStartAlign_ = align_;
        rowStartIndent_ = indent_;
    } else {
        rowFirst_ = pending_.front();
        rowStartAlign_ = pendingAlign_;
        rowStartIndent_ = pendingIndent_;
    }
    row_->Align = align_;
    for (size_t k : pending_) addItem(k);
    pending_.clear();
    if (indent_ > 0) {
        auto space = std::make_unique<TWdSpace>(&w_);
        TWdGlyph* s = space.get();
        s->Width = clamp32(indent_);
        made_->push_back(std::move(space));
        s->Parent = row_;
        s->X = 0;
        s->Slot = static_cast<int32_t>(row_->Items.size());
        row_->Items.push_back(s);
        rowWidth_ += s->Width;
    }
}

void TLayouter::addItem(size_t k) {
    const Item& it = items_[k];
    TWdGlyph* g = it.g;
    g->Parent = row_;
    g->X = clamp32(rowWidth_);
    g->Slot = static_cast<int32_t>(row_->Items.size());
    row_->Items.push_back(g);
    rowWidth_ += it.w;
    if (!it.visible) return;
    row_->HasVisible = true;
    if (it.isChar) maxChar_ = std::max(maxChar_, it.h);
    else if (it.isImg) {
        const int32_t a = static_cast<TWdImg*>(g)->Align;
        int32_t& m = a == kAlignTop ? maxTop_ : a == kAlignCenter ? maxCentre_ : maxBottom_;
        m = std::max(m, it.h);
    }
}

void TLayouter::placeOp(size_t k) {
    if (row_) {
        addItem(k);
        return;
    }
    if (pending_.empty()) {
        pendingAlign_ = align_;
        pendingIndent_ = indent_;
    }
    pending_.push_back(k);
}

int64_t TLayouter::rowHeight() const {
    const int64_t c = maxChar_;
    const int64_t centre = maxCentre_ > c ? (maxCentre_ - c + 1) / 2 : 0;
    const int64_t above = std::max<int64_t>({0, maxBottom_ - c, centre});
    const int64_t below = std::max<int64_t>({0, maxTop_ - c, centre});
    return above + c + below;
}

void TLayouter::alignRow(TWdRow& row) const {
    const int64_t left = row.FreeLeft, right = row.FreeRight, width = row.Width;
    if (row.Align == kAlignRight) row.X = clamp32(right - width);
    else if (row.Align == kAlignCenter) row.X = clamp32(left + (right - left - width) / 2);
    else row.X = clamp32(left);
}

void TLayouter::finishRow(bool byReturn) {
    TWdRow& row = *row_;
    const int32_t c = maxChar_;
    const int32_t centre = maxCentre_ > c ? (maxCentre_ - c + 1) / 2 : 0;
    const int32_t above = std::max({0, maxBottom_ - c, centre});
    const int32_t below = std::max({0, maxTop_ - c, centre});
    row.TextHeight = c;
    row.Above = above;
    row.Below = below;
    for (TWdGlyph* g : row.Items) {
        if (g->TypeCode() == kWdImg) {
            const int32_t a = static_cast<TWdImg*>(g)->Align;
            if (a == kAlignTop) g->Y = above;
            else if (a == kAlignCenter) g->Y = above + static_cast<int32_t>((int64_t{c} - g->Height) >> 1);
            else g->Y = above + c - g->Height;
        } else if (g->IsVisible())
            g->Y = above + c - g->Height;
        else
            g->Y = above;
    }
    int64_t height = int64_t{above} + c + below;
    if (byReturn && !row.HasVisible) height = std::clamp(w_.FontSize, 1, 1024);
    row.Height = clamp32(height);
    row.Width = clamp32(rowWidth_);
    alignRow(row);
    widest_ = std::max<int64_t>(widest_, int64_t{row.FreeLeft} + row.Width);
    y_ += height + w_.LineSpace;
    row_ = nullptr;
    rowContent_ = false;
    rowWidth_ = 0;
}

void TLayouter::finishPage() {
    if (row_) finishRow(false);
    page_ = nullptr;
    y_ = 0;
    floats_.clear();
}

void TLayouter::rollBack() {
    for (TWdGlyph* g : row_->Items) {
        g->Parent = nullptr;
        g->Slot = -1;
    }
    page_->Rows.pop_back();
    row_ = nullptr;
    rowContent_ = false;
    rowWidth_ = 0;
    align_ = rowStartAlign_;
    indent_ = rowStartIndent_;
    pending_.clear();
    continueTo_ = SIZE_MAX;
    page_ = nullptr;
    y_ = 0;
    floats_.clear();
}

size_t TLayouter::placeUnit(size_t i) {
    if (!row_) newRow(i);
    size_t end = continueTo_ != SIZE_MAX ? continueTo_ : unitEnd(i);
    continueTo_ = SIZE_MAX;
    const int64_t unit = widthOf(i, end);
    if (limited_ && rowContent_ && row_->FreeRight - row_->FreeLeft < rowWidth_ + unit) {
        finishRow(false);
        newRow(i);
    }
    size_t stop = end;
    const int64_t room = int64_t{row_->FreeRight} - row_->FreeLeft - rowWidth_;
    if (limited_ && unit > room && end - i > 1) {
        stop = splitPoint(i, end, room);
        if (stop < end) continueTo_ = end;
    }
    for (size_t k = i; k < stop; ++k) addItem(k);
    rowContent_ = true;
    if (w_.Paging && page_->Rows.size() > 1 && y_ + rowHeight() > w_.PageHeight) {
        const size_t restart = rowFirst_;
        rollBack();
        return restart;
    }
    if (stop < end) finishRow(false);
    return stop;
}

void TLayouter::placeFloat(size_t k) {
    ensurePage();
    const Item& it = items_[k];
    const bool left = static_cast<TWdImg*>(it.g)->Align == kAlignLeft || !limited_;
    const auto [fl, fr] = freeAt(y_);
    const int64_t x = left ? fl : fr - it.w;
    auto row = std::make_unique<TWdRow>(&w_);
    row->Page = page_;
    row->Parent = page_;
    row->IsFloat = true;
    row->HasVisible = true;
    row->Y = clamp32(y_);
    row->Height = it.h;
    row->Width = clamp32(x + it.w);
    row->FreeLeft = 0;
    row->FreeRight = row->Width;
    TWdGlyph* g = it.g;
    g->Parent = row.get();
    g->X = clamp32(x);
    g->Y = 0;
    g->Slot = 0;
    row->Items.push_back(g);
    page_->Rows.push_back(std::move(row));
    floats_.push_back(Float{left, x, y_, it.w, it.h});
    widest_ = std::max(widest_, x + it.w);
}

void TLayouter::run() {
    size_t i = 0;
    const size_t n = items_.size();
    while (i < n) {
        const Item& it = items_[i];
        switch (it.kind) {
        case Kind::Align:
            align_ = static_cast<TWdOpeAlign*>(it.g)->Align;
            if (row_ && !row_->HasVisible) row_->Align = align_;
            placeOp(i++);
            break;
        case Kind::Indent:
            indent_ = row_ ? rowWidth_ : 0;
            placeOp(i++);
            break;
        case Kind::Undent:
            indent_ = 0;
            placeOp(i++);
            break;
        case Kind::Float:
            if (row_ && rowContent_) finishRow(false);
            placeFloat(i++);
            break;
        case Kind::Return: {
            if (!row_) newRow(i);
            addItem(i);
            finishRow(true);
            if (static_cast<TWdOpeReturn*>(it.g)->Clear) finishPage();
            ++i;
            break;
        }
        case Kind::Rowable: i = placeUnit(i); break;
        }
    }
    if (row_) finishRow(false);
    // Ops after the last row belong to it.
    if (!pending_.empty() && page_ && !page_->Rows.empty()) {
        TWdRow& last = *page_->Rows.back();
        for (size_t k : pending_) {
            TWdGlyph* g = items_[k].g;
            g->Parent = &last;
            g->X = last.Width;
            g->Y = last.Above;
            g->Slot = static_cast<int32_t>(last.Items.size());
            last.Items.push_back(g);
        }
    }
    if (!limited_) {
        w_.Width = clamp32(widest_);
        for (auto& page : pages_)
            for (auto& row : page->Rows)
                if (!row->IsFloat) {
                    row->FreeRight = std::max(row->FreeRight == INT32_MAX / 4 ? w_.Width : std::min(row->FreeRight, w_.Width), row->FreeLeft);
                    alignRow(*row);
                }
    }
}

} // namespace

void TKvWord::Layout(TWdPageList& pages, int32_t first, int32_t last) {
    pages.clear();
    TLayouter layouter(*this, pages);
    layouter.expand(first, last);
    layouter.run();
}

} // namespace nuvo
