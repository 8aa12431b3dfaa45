#include "components/NuvoBaseList.h"

#include <algorithm>

namespace nuvo {

namespace {

constexpr std::string_view kBase0Name = "\x01"
                                        "BASE0";
constexpr std::string_view kBase1Name = "\x01"
                                        "BASE1";
constexpr std::string_view kOtherBaseName = "\x01";

} // namespace

TNuvoBaseList::TNuvoBaseList() : TNuvoComponent(nullptr) {
    makeBases();
    SetSize(width_, height_);
    ClearDirtyLists();
}

TNuvoBaseList::~TNuvoBaseList() {
    transition_.reset();
    Clear();
    bases_[0].reset();
    bases_[1].reset();
}

void TNuvoBaseList::makeBases() {
    bases_[0] = std::make_unique<TNuvoBase>(this, 0);
    bases_[1] = std::make_unique<TNuvoBase>(this, 1);
}

// ---- Creation and names ------------------------------------------------------------------

void TNuvoBaseList::adopt(std::unique_ptr<TNuvoObject> object) {
    TNuvoObject* o = object.get();
    o->serial_ = nextSerial_++;
    o->listed_ = true;
    items_.push_back(std::move(object));
    if (!o->name_.empty()) names_.emplace(o->name_, o);
    if (o->WantsAutoName()) o->AssignName(UniqueName("object"));
    if (o->AsControl() && !focused_.get()) FocusDirty = true;
}

void TNuvoBaseList::indexName(TNuvoObject* object, const std::string& oldName, const std::string& newName) {
    if (!oldName.empty()) {
        auto [it, end] = names_.equal_range(oldName);
        for (; it != end; ++it) {
            if (it->second == object) {
                names_.erase(it);
                break;
            }
        }
    }
    if (!newName.empty()) names_.emplace(newName, object);
}

TNuvoObject* TNuvoBaseList::findNamed(std::string_view name, bool controlsOnly) const {
    if (name.empty()) return nullptr;
    TNuvoObject* first = nullptr;
    auto [it, end] = names_.equal_range(std::string(name));
    for (; it != end; ++it) {
        TNuvoObject* o = it->second;
        if (o->pendingDeletion_ || (controlsOnly && !o->AsControl())) continue;
        if (!first || o->serial_ < first->serial_) first = o;
    }
    return first;
}

bool TNuvoBaseList::NameInUse(std::string_view name) const { return names_.count(std::string(name)) != 0; }

std::string TNuvoBaseList::UniqueName(std::string_view prefix) const {
    for (uint64_t counter = 0;; ++counter) {
        std::string name(prefix);
        name += std::to_string(counter);
        if (!NameInUse(name)) return name;
    }
}

TNuvoObject* TNuvoBaseList::FindByName(std::string_view name) const {
    if (name.empty() || name == kBase0Name) return ActiveBase();
    if (name == kOtherBaseName || name == kBase1Name) return InactiveBase();
    return findNamed(name, false);
}

TNuvoControl* TNuvoBaseList::FindControlByName(std::string_view name) const {
    if (name.empty()) return ActiveBase();
    if (name == kOtherBaseName) return InactiveBase();
    if (name == kBase0Name) return Base(0);
    if (name == kBase1Name) return Base(1);
    TNuvoObject* o = findNamed(name, true);
    return o ? o->AsControl() : nullptr;
}

TNuvoObject* TNuvoBaseList::GetItem(int32_t i) const {
    return i >= 0 && static_cast<size_t>(i) < items_.size() ? items_[static_cast<size_t>(i)].get() : nullptr;
}

int32_t TNuvoBaseList::IndexOf(const TNuvoObject* object) const {
    if (!object || !object->listed_ || object->owner_ != this) return -1;
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == object) return static_cast<int32_t>(i);
    return -1;
}

int32_t TNuvoBaseList::IndexOfName(std::string_view name) const { return IndexOf(findNamed(name, false)); }

int32_t TNuvoBaseList::ListNames(std::vector<std::string>& names, uint8_t type, const TNuvoObject* parent) const {
    int32_t count = 0;
    for (const auto& item : items_) {
        const TNuvoObject* o = item.get();
        if (o->pendingDeletion_ || (type != 0 && o->GetCompoType() != type)) continue;
        if (parent != this && o->GetParent() != parent) continue;
        names.push_back(o->Name());
        ++count;
    }
    return count;
}

// ---- Freeing -----------------------------------------------------------------------------

void TNuvoBaseList::MarkPendingDeletion(TNuvoObject* object) {
    if (!object || !object->listed_ || object->owner_ != this || object->pendingDeletion_) return;
    object->pendingDeletion_ = true;
    pendingDelete_.push_back(object);
}

void TNuvoBaseList::removeFromItems(TNuvoObject* object) {
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == object; });
    if (it == items_.end()) return;
    const size_t position = static_cast<size_t>(it - items_.begin());
    if (ticking_ && position < tickIndex_) --tickIndex_;
    std::unique_ptr<TNuvoObject> owned = std::move(*it);
    items_.erase(it);
    owned.reset();
}

void TNuvoBaseList::FreeObject(TNuvoObject* object) {
    if (!object || !object->listed_ || object->owner_ != this) return;
    if (TNuvoControl* control = object->AsControl()) {
        while (!control->children_.empty()) {
            TNuvoControl* child = control->children_.back();
            if (child->listed_ && child->owner_ == this)
                FreeObject(child);
            else
                child->detachFromParent();
        }
        control->Invalidate();
        control->motion_.reset();
        control->detachFromParent();
        if (focused_.refersTo(control)) ClearFocus();
    }
    Events.RemoveWaitingOf(object);
    std::erase(pendingDelete_, object);
    indexName(object, object->name_, {});
    object->listed_ = false;
    removeFromItems(object);
}

void TNuvoBaseList::FreePendingDeletions() {
    while (!pendingDelete_.empty()) {
        TNuvoObject* object = pendingDelete_.front();
        FreeObject(object);
        std::erase(pendingDelete_, object);
    }
}

bool TNuvoBaseList::Tick() {
    for (auto& base : bases_)
        base->Tick();
    ticking_ = true;
    for (tickIndex_ = 0; tickIndex_ < items_.size();) {
        TNuvoObject* o = items_[tickIndex_].get();
        if (o->pendingDeletion_) {
            ++tickIndex_;
            continue;
        }
        const bool parked = o->IsInCabinet();
        if (!parked) o->RaiseEvent(PR_ONIDLE, {}, true);
        if (o->GetPaused() || parked) {
            ++tickIndex_;
            continue;
        }
        if (o->Tick()) {
            // Freed at once; what followed it moves into its place.
            FreeObject(o);
            continue;
        }
        ++tickIndex_;
    }
    ticking_ = false;
    FreePendingDeletions();
    return false;
}

void TNuvoBaseList::Clear() {
    while (!items_.empty())
        FreeObject(items_.back().get());
    pendingDelete_.clear();
    Events.Clear();
    focused_.reset();
}

// ---- Screens -------------------------------------------------------------------------------

void TNuvoBaseList::SetSize(int32_t width, int32_t height) {
    // A running transition keeps tables sized for the old screens.
    transition_.reset();
    width_ = std::clamp(width, 1, kMaxSurfaceSide);
    height_ = std::clamp(height, 1, kMaxSurfaceSide);
    const int bitCount = SurfaceBitCount();
    BackSurface.SetSize(width_, height_, bitCount);
    for (auto& base : bases_)
        base->SetScreenSize(width_, height_, bitCount);
}

int TNuvoBaseList::SurfaceBitCount() const {
    const int bitCount = screenSurface_ ? screenSurface_->BitCount() : 32;
    return bitCount >= 15 ? bitCount : 32;
}

void TNuvoBaseList::AttachScreen(TCustomDIBX* backBuffer) {
    const int before = SurfaceBitCount();
    transition_.reset();
    screenSurface_ = backBuffer;
    if (SurfaceBitCount() != before) SetSize(width_, height_);
    markWhollyDirty();
}

void TNuvoBaseList::markWhollyDirty() {
    for (auto& base : bases_)
        base->AddDirtyRect(makeRect(0, 0, base->GetWidth(), base->GetHeight()));
}

void TNuvoBaseList::ClearDirtyLists() {
    for (auto& base : bases_)
        base->DirtyList.Clear();
}

TCustomDIBX& TNuvoBaseList::SelectionPattern(int bitCount) {
    if (!selectionPattern_ || selectionPattern_->BitCount() != bitCount) {
        auto pattern = std::make_unique<TDIBX>(2, 2, 32);
        const int32_t white = pattern->ColorToPixel(0xFFFFFF);
        const int32_t black = pattern->ColorToPixel(0);
        pattern->SetPixel(0, 0, white);
        pattern->SetPixel(1, 0, black);
        pattern->SetPixel(0, 1, black);
        pattern->SetPixel(1, 1, white);
        pattern->SetBitCount(bitCount);
        selectionPattern_ = std::move(pattern);
    }
    return *selectionPattern_;
}

// ---- Focus --------------------------------------------------------------------------------------

void TNuvoBaseList::SetFocus(TNuvoControl* control) {
    TNuvoControl* old = focused_.get();
    if (old == control) return;
    focused_.reset(control);
    if (old) old->RaiseEvent(PR_ONFOCUSOUT);
    if (control) control->RaiseEvent(PR_ONFOCUSIN);
}

void TNuvoBaseList::RestoreFocus(TNuvoControl* control) {
    focused_.reset(control);
    if (control) control->FocusEntered();
}

void TNuvoBaseList::ClearFocus() {
    focused_.reset();
    FocusDirty = true;
}

} // namespace nuvo
