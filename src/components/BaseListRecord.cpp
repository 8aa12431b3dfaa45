// The registry as a whole: its reset, its save record, display mode changes
// and the sound switch.
#include "components/NuvoBaseList.h"

#include "base/Error.h"
#include "base/StreamIO.h"

namespace nuvo {

void TNuvoBaseList::Reset() {
    transition_.reset();
    TransitionKind = 0;
    const int32_t mouseX = Base(0)->MouseX;
    const int32_t mouseY = Base(0)->MouseY;
    Clear();
    makeBases();
    rclickList_.clear();
    FocusDirty = false;
    SetSize(width_, height_);
    for (auto& base : bases_) {
        base->MouseX = mouseX;
        base->MouseY = mouseY;
    }
}

// ---- Save record ---------------------------------------------------------------------------------

void TNuvoBaseList::SaveToStream(TStream& s) const {
    WriteInt(s, width_);
    WriteInt(s, height_);
    WriteInt(s, ActiveIndex);
    Base(0)->SaveToStream(s);
    Base(1)->SaveToStream(s);
    std::vector<const TNuvoObject*> saved;
    for (const auto& item : items_) {
        const TNuvoObject* o = item.get();
        if (!o->AsControl() && !o->IsPendingDeletion() && o->GetCompoType() != LT_NONE && !o->IsInternal())
            saved.push_back(o);
    }
    WriteInt(s, static_cast<int32_t>(saved.size()));
    for (const TNuvoObject* o : saved) {
        WriteByte(s, o->GetCompoType());
        o->SaveToStream(s);
    }
    Events.SaveToStream(s);
    const TNuvoControl* focused = focused_.get();
    WriteStr(s, focused ? focused->Name() : std::string());
}

void TNuvoBaseList::LoadFromStream(TStream& s, int32_t version) {
    Reset();
    const int32_t width = ReadIntChecked(s);
    const int32_t height = ReadIntChecked(s);
    if (width < 1 || height < 1 || width > kMaxSavedSide || height > kMaxSavedSide) raiseBrokenData();
    SetSize(8, 8);
    SetSize(width, height);
    const int32_t active = ReadIntChecked(s);
    if (active != 0 && active != 1) raiseBrokenData();
    ActiveIndex = active;
    Base(0)->LoadFromStream(s, version);
    Base(1)->LoadFromStream(s, version);
    markWhollyDirty();

    // An object is at least its type byte, a name length and a priority.
    const int32_t count = ReadCountChecked(s, 1 + 4 + 4);
    for (int32_t i = 0; i < count; ++i) {
        TNuvoObject* object = CreateByType(ReadByteChecked(s));
        if (!object) raiseBrokenData(); // a type without a class: the rest cannot be read
        object->LoadFromStream(s, version);
    }
    Events.LoadFromStream(s, version, [this](std::string_view name) { return FindNamed(name); });
    if (version >= 119) {
        const std::string focusName = ReadStrChecked(s);
        TNuvoObject* named = focusName.empty() ? nullptr : findNamed(focusName, true);
        RestoreFocus(named ? named->AsControl() : nullptr);
    }
}

// ---- Display mode changes and sound ----------------------------------------------------------------

void TNuvoBaseList::ReleaseSurfaces() {
    transition_.reset();
    BackSurface.Release();
    for (auto& base : bases_)
        base->Surface.Release();
    for (const auto& item : items_)
        item->ReleaseSurfaces();
    if (Host) Host->ReleasePictures();
}

void TNuvoBaseList::RestoreSurfaces() {
    const int bitCount = SurfaceBitCount();
    BackSurface.SetSize(width_, height_, bitCount);
    if (Host) Host->RestorePictures();
    for (auto& base : bases_)
        base->Surface.SetSize(width_, height_, bitCount);
    for (const auto& item : items_)
        item->RestoreSurfaces();
    markWhollyDirty();
}

void TNuvoBaseList::SetSoundEnabled(bool enabled) {
    soundEnabled_ = enabled;
    if (Host) Host->SoundEnabledChanged(enabled);
}

} // namespace nuvo
