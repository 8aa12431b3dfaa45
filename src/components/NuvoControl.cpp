#include "components/NuvoControl.h"

#include "base/IntMath.h"
#include "base/StreamIO.h"
#include "components/NuvoBaseList.h"

#include <algorithm>
#include <string>

namespace nuvo {

namespace {

constexpr std::string_view kFlipSnapshotName = "\x01\x01";

// 0: internal, 1: named, 2: the flip snapshot (above everything).
int childRank(const TNuvoControl* c) {
    const std::string& name = c->Name();
    if (name == kFlipSnapshotName) return 2;
    return isInternalName(name) ? 0 : 1;
}

bool childBefore(const TNuvoControl* a, const TNuvoControl* b) {
    const int ra = childRank(a);
    const int rb = childRank(b);
    if (ra != rb) return ra < rb;
    const int32_t pa = wrapAdd(a->GetPriority(), a->GetPriorityOffset());
    const int32_t pb = wrapAdd(b->GetPriority(), b->GetPriorityOffset());
    if (pa != pb) return pa < pb;
    return a->Name() < b->Name(); // char_traits<char> compares bytes as unsigned
}

// The low byte of an afterimage's alpha, keeping the sign (its fade level).
int32_t fadeLevel(const TNuvoControl* c) { return c->GetAlpha() % 256; }

// The image an afterimage among these children copies, when that image is
// one of them too.
const TNuvoObject* siblingSource(const TNuvoControl* parent, const TNuvoControl* c) {
    const TNuvoObject* source = c->GetAfterimageSource();
    if (!source || source == c || source->GetParent() != parent || source->GetAfterimageSource()) return nullptr;
    return source;
}

class RecordDepthGuard {
public:
    explicit RecordDepthGuard(TNuvoBaseList& registry) : registry_(registry) {
        if (++registry_.RecordDepth > TNuvoBaseList::kMaxRecordDepth) {
            --registry_.RecordDepth;
            raiseBrokenData();
        }
    }
    ~RecordDepthGuard() { --registry_.RecordDepth; }
    RecordDepthGuard(const RecordDepthGuard&) = delete;
    RecordDepthGuard& operator=(const RecordDepthGuard&) = delete;

private:
    TNuvoBaseList& registry_;
};

void writeRect(TStream& s, const TRect& r) {
    WriteInt(s, r.Left);
    WriteInt(s, r.Top);
    WriteInt(s, r.Right);
    WriteInt(s, r.Bottom);
}

TRect readRect(TStream& s) {
    TRect r;
    r.Left = ReadIntChecked(s);
    r.Top = ReadIntChecked(s);
    r.Right = ReadIntChecked(s);
    r.Bottom = ReadIntChecked(s);
    return r;
}

} // namespace

TNuvoControl::TNuvoControl(TNuvoBaseList* owner) : TNuvoComponent(owner) {}

TNuvoControl::~TNuvoControl() {
    motion_.reset();
    for (TNuvoControl* child : children_)
        child->parent_ = nullptr;
    children_.clear();
    if (parent_) parent_->RemoveChild(this);
}

// ---- Geometry ------------------------------------------------------------------------

int32_t TNuvoControl::anchorOffset(bool vertical) const {
    const int32_t zoom = vertical ? GetZoomY() : GetZoomX();
    const int32_t anchor = vertical ? anchorY_ : anchorX_;
    const int32_t scaled = zoom != 256 ? wrapMul(zoom, anchor) / 256 : anchor;
    if (vertical ? GetFlipV() : GetFlipH()) return wrapSub(wrapSub(vertical ? GetHeight() : GetWidth(), scaled), 1);
    return scaled;
}

int32_t TNuvoControl::axisPosition(bool vertical) const {
    const int32_t zoom = vertical ? GetZoomY() : GetZoomX();
    const int32_t position = vertical ? top_ : left_;
    const int32_t plus = vertical ? plusY_ : plusX_;
    if (posZoomed_ && parent_ && !parent_->AsBase() && !motion_) {
        // A child drawn at its parent's zoom follows the parent's own
        // scaling of its picture, in 16.16 fixed point.
        const TCustomDIBX* parentSurface = parent_->GetSurface();
        const TCustomDIBX* ownSurface = GetSurface();
        const int32_t parentZoom = vertical ? parent_->GetZoomY() : parent_->GetZoomX();
        const int32_t parentSize = vertical ? parent_->GetHeight() : parent_->GetWidth();
        if (parentSurface && ownSurface && zoom == parentZoom && parentSize != 0) {
            const int64_t surfaceSize = vertical ? parentSurface->Height() : parentSurface->Width();
            const int64_t d = roundToInt64(static_cast<long double>(surfaceSize) / parentSize * 65536.0L);
            if (d != 0 && d != kInt64Indefinite) {
                const int64_t anchor = vertical ? anchorY_ : anchorX_;
                const int64_t own = vertical ? ownSurface->Height() : ownSurface->Width();
                const int64_t g = (vertical ? GetFlipV() : GetFlipH()) ? (surfaceSize + anchor - position - own) * 65536
                                                                       : (int64_t{position} - anchor) * 65536;
                int64_t e = g / d;
                if (g % d > 32767) ++e;
                const int32_t parentAbs = vertical ? parent_->GetAbsTop() : parent_->GetAbsLeft();
                const int32_t parentScroll = vertical ? parent_->GetScrollY() : parent_->GetScrollX();
                return wrapSub(wrapAdd(wrapAdd(static_cast<int32_t>(static_cast<uint64_t>(e)), parentAbs), plus),
                               parentScroll);
            }
        }
    }
    int32_t c = position;
    if (motion_)
        c = vertical ? motionY_ : motionX_;
    else if (posZoomed_)
        c = wrapMul(zoom, position) / 256;
    const int32_t b = anchorOffset(vertical);
    if (parent_) {
        const int32_t parentAbs = vertical ? parent_->GetAbsTop() : parent_->GetAbsLeft();
        const int32_t parentScroll = vertical ? parent_->GetScrollY() : parent_->GetScrollX();
        return wrapAdd(wrapSub(wrapSub(wrapAdd(c, parentAbs), parentScroll), b), plus);
    }
    return wrapAdd(wrapSub(c, b), plus);
}

int32_t TNuvoControl::GetAbsLeft() const { return axisPosition(false); }
int32_t TNuvoControl::GetAbsTop() const { return axisPosition(true); }

int32_t TNuvoControl::GetLocalLeft() const {
    if (!parent_) return GetAbsLeft();
    return wrapSub(GetAbsLeft(), wrapSub(parent_->GetAbsLeft(), parent_->GetScrollX()));
}

int32_t TNuvoControl::GetLocalTop() const {
    if (!parent_) return GetAbsTop();
    return wrapSub(GetAbsTop(), wrapSub(parent_->GetAbsTop(), parent_->GetScrollY()));
}

TPoint TNuvoControl::GetAnchorScreenPos() const {
    return {wrapAdd(GetAbsLeft(), anchorOffset(false)), wrapAdd(GetAbsTop(), anchorOffset(true))};
}

TRect TNuvoControl::GetScreenRect() const { return boundsRect(GetAbsLeft(), GetAbsTop(), GetWidth(), GetHeight()); }

TRect TNuvoControl::GetClipScreenRect() const {
    return boundsRect(wrapAdd(GetAbsLeft(), clipLeft_), wrapAdd(GetAbsTop(), clipTop_), clipWidth_, clipHeight_);
}

TPoint TNuvoControl::LocalToScreen(TPoint p) const { return {wrapAdd(p.X, GetAbsLeft()), wrapAdd(p.Y, GetAbsTop())}; }
TPoint TNuvoControl::ScreenToLocal(TPoint p) const { return {wrapSub(p.X, GetAbsLeft()), wrapSub(p.Y, GetAbsTop())}; }

bool TNuvoControl::IntersectsVisible(TRect& r) const {
    if (!GetVisible()) return false;
    r = intersectRect(r, GetScreenRect());
    if (HasClip()) r = intersectRect(r, GetClipScreenRect());
    if (r.isEmpty()) return false;
    return parent_ ? parent_->IntersectsVisible(r) : true;
}

// ---- Visible attributes ------------------------------------------------------------------

template <class F> void TNuvoControl::changeVisibly(F&& change, bool positional) {
    Invalidate();
    change();
    if (positional) PositionChanged();
    Invalidate();
}

void TNuvoControl::SetVisible(bool visible) {
    changeVisibly([&] { visible_ = visible; }, false);
}
void TNuvoControl::SetColor(int32_t v) {
    changeVisibly([&] { color_ = v; }, false);
}
void TNuvoControl::SetSelectionOverlay(bool v) {
    changeVisibly([&] { selectionOverlay_ = v; }, false);
}
void TNuvoControl::SetLeft(int32_t v) {
    changeVisibly([&] { left_ = v; }, true);
}
void TNuvoControl::SetTop(int32_t v) {
    changeVisibly([&] { top_ = v; }, true);
}
void TNuvoControl::SetWidth(int32_t v) {
    changeVisibly([&] { width_ = v; }, true);
}
void TNuvoControl::SetHeight(int32_t v) {
    changeVisibly([&] { height_ = v; }, true);
}
void TNuvoControl::SetAnchorX(int32_t v) {
    changeVisibly([&] { anchorX_ = v; }, true);
}
void TNuvoControl::SetAnchorY(int32_t v) {
    changeVisibly([&] { anchorY_ = v; }, true);
}
void TNuvoControl::SetPosZoomed(bool v) {
    changeVisibly([&] { posZoomed_ = v; }, true);
}
void TNuvoControl::SetMotionX(int32_t v) {
    changeVisibly([&] { motionX_ = v; }, true);
}
void TNuvoControl::SetMotionY(int32_t v) {
    changeVisibly([&] { motionY_ = v; }, true);
}
void TNuvoControl::SetPlusX(int32_t v) {
    changeVisibly([&] { plusX_ = v; }, true);
}
void TNuvoControl::SetPlusY(int32_t v) {
    changeVisibly([&] { plusY_ = v; }, true);
}

void TNuvoControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    changeVisibly(
        [&] {
            left_ = left;
            top_ = top;
            width_ = width;
            height_ = height;
        },
        true);
}

void TNuvoControl::SetClipLeft(int32_t v) {
    changeVisibly([&] { clipLeft_ = v; }, false);
    for (TNuvoControl* child : children_)
        child->ClipChanged();
}
void TNuvoControl::SetClipTop(int32_t v) {
    changeVisibly([&] { clipTop_ = v; }, false);
    for (TNuvoControl* child : children_)
        child->ClipChanged();
}
void TNuvoControl::SetClipWidth(int32_t v) {
    changeVisibly([&] { clipWidth_ = v; }, false);
    for (TNuvoControl* child : children_)
        child->ClipChanged();
}
void TNuvoControl::SetClipHeight(int32_t v) {
    changeVisibly([&] { clipHeight_ = v; }, false);
    for (TNuvoControl* child : children_)
        child->ClipChanged();
}

void TNuvoControl::ClipChanged() {
    for (TNuvoControl* child : children_)
        child->ClipChanged();
}

void TNuvoControl::PositionChanged() {
    for (TNuvoControl* child : children_)
        child->PositionChanged();
}

void TNuvoControl::priorityChanged() {
    if (parent_) parent_->SortChildren();
    Invalidate();
}

// ---- Names and life -----------------------------------------------------------------------

void TNuvoControl::SetName(std::string_view name) {
    if (name == Name()) return;
    TNuvoBaseList* registry = Owner();
    if (registry && !name.empty()) {
        if (TNuvoObject* other = registry->FindNamed(name); other && other != this)
            other->AssignName(renamedName(*registry, other->Name()));
    }
    AssignName(std::string(name));
}

void TNuvoControl::Delete() {
    Invalidate();
    TNuvoObject::Delete();
}

TCustomDIBX* TNuvoControl::GetDrawSurface() const { return parent_ ? parent_->GetDrawSurface() : nullptr; }

void TNuvoControl::SetMotion(std::unique_ptr<TNuvoMotion> motion) {
    if (motion_) {
        motion_.reset();
        motionX_ = 0;
        motionY_ = 0;
        SetPriorityOffset(0);
    }
    motion_ = std::move(motion);
}

void TNuvoControl::StartMotion(std::string_view fileName) {
    TNuvoBaseList* registry = Owner();
    std::unique_ptr<IMotionFilm> film =
        registry && registry->Host ? registry->Host->LoadMotionFilm(std::string(fileName), *this) : nullptr;
    SetMotion(film ? std::make_unique<TNuvoMotion>(*this, std::move(film)) : nullptr);
}

void TNuvoControl::RestartMotion() {
    if (motion_) motion_->Restart();
}

bool TNuvoControl::Tick() {
    if (!motion_) return false;
    const int32_t frameMs = Owner() ? Owner()->FrameDelta : 0;
    if (!motion_->Advance(frameMs)) return false;
    if (GetAutoScrap()) return true;
    RaiseEvent(PR_ONPLAYEND);
    return false;
}

// ---- Tree ------------------------------------------------------------------------------------

TNuvoControl* TNuvoControl::GetChild(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < children_.size() ? children_[static_cast<size_t>(i)] : nullptr;
}

TNuvoBase* TNuvoControl::GetBase() const {
    for (const TNuvoControl* c = this; c; c = c->parent_)
        if (const TNuvoBase* base = c->AsBase()) return const_cast<TNuvoBase*>(base);
    return nullptr;
}

bool TNuvoControl::IsAncestorOf(const TNuvoObject* object) const {
    if (!object) return false;
    for (const TNuvoControl* p = object->GetParent(); p; p = p->parent_)
        if (p == this) return true;
    return false;
}

bool TNuvoControl::IsInCabinet() const {
    for (const TNuvoControl* p = parent_; p; p = p->parent_)
        if (p->GetCompoType() == LT_CABINET) return true;
    return false;
}

bool TNuvoControl::IsShown() const {
    if (!GetVisible()) return false;
    return parent_ ? parent_->IsShown() : AsBase() != nullptr;
}

std::string TNuvoControl::GetEffectiveCursor() const {
    for (const TNuvoControl* c = this; c; c = c->parent_) {
        std::string cursor = c->GetCursor();
        if (!cursor.empty()) return cursor;
    }
    return {};
}

void TNuvoControl::detachFromParent() {
    if (parent_) parent_->RemoveChild(this);
    parent_ = nullptr;
}

void TNuvoControl::SetParent(TNuvoControl* parent) {
    if (parent == parent_) return;
    if (parent && (parent == this || IsAncestorOf(parent))) return;
    Invalidate();
    if (TNuvoControl* old = parent_) {
        detachFromParent();
        if (old->GetCompoType() == LT_CABINET) CabinetDetached();
    }
    parent_ = parent;
    if (parent) {
        parent->AddChild(this);
        if (parent->GetCompoType() == LT_CABINET) CabinetAttached();
    }
    Invalidate();
    if (TNuvoBaseList* registry = Owner()) {
        const TNuvoControl* focused = registry->FocusedControl();
        const bool focusInside = focused && (focused == this || IsAncestorOf(focused));
        if (focusInside || (GetBase() && GetBase() == registry->ActiveBase())) registry->ClearFocus();
    }
}

void TNuvoControl::AddChild(TNuvoControl* child, bool sort) {
    if (!child || std::find(children_.begin(), children_.end(), child) != children_.end()) return;
    if (!sort) {
        children_.push_back(child);
        return;
    }
    const bool trails = child->GetAfterimageSource() ||
                        std::any_of(children_.begin(), children_.end(),
                                    [](const TNuvoControl* c) { return c->GetAfterimageSource() != nullptr; });
    if (trails) {
        children_.push_back(child);
        SortChildren();
        return;
    }
    children_.insert(std::upper_bound(children_.begin(), children_.end(), child, childBefore), child);
}

void TNuvoControl::RemoveChild(TNuvoControl* child) {
    const auto it = std::find(children_.begin(), children_.end(), child);
    if (it != children_.end()) children_.erase(it);
}

void TNuvoControl::SortChildren() {
    // Afterimages are not ordered against the other children: each group of
    // them is placed right before its image, so that the order stays one
    // consistent sort of the rest.
    std::vector<TNuvoControl*> rest;
    std::vector<std::pair<const TNuvoObject*, TNuvoControl*>> trails;
    rest.reserve(children_.size());
    for (TNuvoControl* c : children_) {
        if (const TNuvoObject* source = siblingSource(this, c))
            trails.emplace_back(source, c);
        else
            rest.push_back(c);
    }
    std::stable_sort(rest.begin(), rest.end(), childBefore);
    if (trails.empty()) {
        children_ = std::move(rest);
        return;
    }
    std::stable_sort(trails.begin(), trails.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return std::less<const TNuvoObject*>()(a.first, b.first);
        return fadeLevel(a.second) < fadeLevel(b.second);
    });
    children_.clear();
    for (TNuvoControl* c : rest) {
        auto it = std::lower_bound(
            trails.begin(), trails.end(), static_cast<const TNuvoObject*>(c),
            [](const auto& t, const TNuvoObject* s) { return std::less<const TNuvoObject*>()(t.first, s); });
        for (; it != trails.end() && it->first == c; ++it)
            children_.push_back(it->second);
        children_.push_back(c);
    }
}

// ---- Invalidation and painting ----------------------------------------------------------------

void TNuvoControl::Invalidate() {
    if (!GetVisible()) return;
    TNuvoBase* base = GetBase();
    if (!base) return;
    TRect r = GetScreenRect();
    if (parent_) {
        r = intersectRect(r, parent_->GetScreenRect());
        if (r.isEmpty()) return;
    }
    if (HasClip()) {
        r = intersectRect(r, GetClipScreenRect());
        if (r.isEmpty()) return;
    }
    for (const TNuvoControl* p = parent_; p; p = p->parent_)
        p->AdjustInvalidRect(r);
    base->AddDirtyRect(r);
}

void TNuvoControl::Paint() { paintChildren(); }

void TNuvoControl::paintChildren() {
    TCustomDIBX* surface = GetDrawSurface();
    if (!surface) return;
    const TRect saved = surface->ClipRect;
    const TRect area = intersectRect(surface->EffectiveClip(), GetScreenRect());
    if (!area.isEmpty()) {
        for (size_t i = 0; i < children_.size(); ++i) {
            TNuvoControl* child = children_[i];
            if (child->Name().empty() || !child->GetVisible()) continue;
            const TRect r = child->HasClip() ? intersectRect(area, child->GetClipScreenRect()) : area;
            if (r.isEmpty()) continue;
            surface->ClipRect = r;
            child->Paint();
        }
    }
    surface->ClipRect = saved;
    if (selectionOverlay_ && allowsSelectionOverlay() && Owner()) {
        TCustomDIBX& pattern = Owner()->SelectionPattern(surface->BitCount());
        surface->TileDrawAlpha(GetScreenRect(), pattern, makeRect(0, 0, 2, 2), 0, 0, 0, 0, 128);
    }
}

// ---- Mouse and keys -----------------------------------------------------------------------------

TNuvoControl* TNuvoControl::HitTest(int32_t x, int32_t y, uint8_t accepted) {
    if (!GetVisible() || !GetScreenRect().contains(x, y)) return nullptr;
    for (size_t i = children_.size(); i-- > 0;)
        if (TNuvoControl* hit = children_[i]->HitTest(x, y, accepted)) return hit;
    return AcceptsMouse(accepted) ? this : nullptr;
}

bool TNuvoControl::raiseMouseEvent(int32_t kind, bool once) {
    const TNuvoBase* base = GetBase();
    const std::string args[2] = {std::to_string(wrapSub(base ? base->MouseX : 0, GetAbsLeft())),
                                 std::to_string(wrapSub(base ? base->MouseY : 0, GetAbsTop()))};
    return RaiseEvent(kind, args, once);
}

void TNuvoControl::raiseKeyEvent(int32_t kind, std::span<const int32_t> keys) {
    std::vector<std::string> args;
    args.reserve(keys.size());
    for (int32_t key : keys)
        args.push_back(std::to_string(key));
    RaiseEvent(kind, args, true);
}

void TNuvoControl::DoLBtnDown() {
    const int32_t mode = GetIgnoreMouse();
    if (mode == IM_NONE || mode == IM_RCLICK) raiseMouseEvent(PR_ONLBTNDOWN, true);
    if (TNuvoBase* base = GetBase()) {
        base->CaptureFlags |= TNuvoBase::kCaptureLeft;
        base->LClick = false;
    }
}

void TNuvoControl::DoRBtnDown() {
    const int32_t mode = GetIgnoreMouse();
    if (mode == IM_NONE || mode == IM_LCLICK) raiseMouseEvent(PR_ONRBTNDOWN, true);
    if (TNuvoBase* base = GetBase()) {
        base->CaptureFlags |= TNuvoBase::kCaptureRight;
        base->RClick = false;
    }
}

void TNuvoControl::DoLBtnUp() { raiseMouseEvent(PR_ONLBTNUP, false); }
void TNuvoControl::DoRBtnUp() { raiseMouseEvent(PR_ONRBTNUP, false); }
void TNuvoControl::DoMouseMove() { raiseMouseEvent(PR_ONMOUSEMOVE, true); }
void TNuvoControl::DoMouseOut(TNuvoObject*) { RaiseEvent(PR_ONMOUSEOUT); }
void TNuvoControl::DoMouseIn(TNuvoObject*) { RaiseEvent(PR_ONMOUSEIN); }
void TNuvoControl::DoKeyDown(std::span<const int32_t> keys) { raiseKeyEvent(PR_ONKEYDOWN, keys); }
void TNuvoControl::DoKeyUp(std::span<const int32_t> keys) { raiseKeyEvent(PR_ONKEYUP, keys); }
void TNuvoControl::DoKeyRepeat(std::span<const int32_t> keys) { raiseKeyEvent(PR_ONKEYREPEAT, keys); }

TNuvoControl* TNuvoControl::FindFocusTarget() {
    for (size_t i = children_.size(); i-- > 0;) {
        TNuvoControl* child = children_[i];
        if (!child->GetVisible() || child->IsPendingDeletion()) continue;
        if (TNuvoControl* inner = child->FindFocusTarget()) return inner;
        if (child->GetHandleKey() && !child->GetPaused()) return child;
    }
    return nullptr;
}

// ---- Save record ----------------------------------------------------------------------------------

void TNuvoControl::SaveToStream(TStream& s) const {
    TNuvoObject::SaveToStream(s);
    WriteInt(s, left_);
    WriteInt(s, top_);
    WriteInt(s, width_);
    WriteInt(s, height_);
    WriteInt(s, anchorX_);
    WriteInt(s, anchorY_);
    WriteBool(s, posZoomed_);
    WriteInt(s, motionX_);
    WriteInt(s, motionY_);
    WriteInt(s, plusX_);
    WriteInt(s, plusY_);
    WriteInt(s, clipLeft_);
    WriteInt(s, clipTop_);
    WriteInt(s, clipWidth_);
    WriteInt(s, clipHeight_);
    WriteBool(s, aniPaused_);
    WriteBool(s, visible_);
    WriteInt(s, color_);
    writeRect(s, boundsRect_);
    WriteByte(s, ignoreMouse_);
    WriteStr(s, cursor_);
    for (const std::string& handler : mouseHandlers_)
        WriteStr(s, handler);
    WriteBool(s, handleKey_);
    for (const std::string& handler : keyHandlers_)
        WriteStr(s, handler);

    std::vector<const TNuvoControl*> saved;
    for (const TNuvoControl* child : children_)
        if (!child->IsPendingDeletion() && child->GetCompoType() != LT_NONE && !child->IsInternal())
            saved.push_back(child);
    WriteInt(s, static_cast<int32_t>(saved.size()));
    for (const TNuvoControl* child : saved) {
        WriteByte(s, child->GetCompoType());
        child->SaveToStream(s);
    }
}

void TNuvoControl::LoadFromStream(TStream& s, int32_t version) {
    TNuvoObject::LoadFromStream(s, version);
    left_ = ReadIntChecked(s);
    top_ = ReadIntChecked(s);
    width_ = ReadIntChecked(s);
    height_ = ReadIntChecked(s);
    anchorX_ = ReadIntChecked(s);
    anchorY_ = ReadIntChecked(s);
    posZoomed_ = ReadBoolChecked(s);
    if (version >= 130) {
        motionX_ = ReadIntChecked(s);
        motionY_ = ReadIntChecked(s);
        plusX_ = ReadIntChecked(s);
        plusY_ = ReadIntChecked(s);
    }
    if (version > 103) {
        clipLeft_ = ReadIntChecked(s);
        clipTop_ = ReadIntChecked(s);
        clipWidth_ = ReadIntChecked(s);
        clipHeight_ = ReadIntChecked(s);
        aniPaused_ = ReadBoolChecked(s);
    }
    visible_ = ReadBoolChecked(s);
    color_ = ReadIntChecked(s);
    boundsRect_ = readRect(s);
    ignoreMouse_ = ReadByteChecked(s);
    cursor_ = ReadStrChecked(s);
    for (int i = 0; i < 9; ++i) {
        if (i == kMouseIn && version <= 101) continue;
        mouseHandlers_[i] = ReadStrChecked(s);
    }
    if (version > 117) {
        handleKey_ = ReadBoolChecked(s);
        for (std::string& handler : keyHandlers_)
            handler = ReadStrChecked(s);
    }

    // A child is at least its type byte, a name length and a priority.
    const int32_t count = ReadCountChecked(s, 9);
    if (count == 0) return;
    TNuvoBaseList* registry = Owner();
    if (!registry) raiseBrokenData();
    RecordDepthGuard depth(*registry);
    for (int32_t i = 0; i < count; ++i) {
        TNuvoObject* object = registry->CreateByType(ReadByteChecked(s));
        TNuvoControl* child = object ? object->AsControl() : nullptr;
        if (!child) {
            // A type without a class, or not a control: the rest cannot be read.
            registry->FreeObject(object);
            raiseBrokenData();
        }
        child->parent_ = this;
        AddChild(child, false);
        child->LoadFromStream(s, version);
    }
    SortChildren();
}

} // namespace nuvo
