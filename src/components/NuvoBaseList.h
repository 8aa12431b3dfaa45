// TNuvoBaseList, the registry: it owns every component and the two base
// screens, names objects, finds them by name, keeps the event queue and the
// keyboard focus, and frees objects (deleted ones at the end of the tick).
//
// This is the registry's core, what the component rules rest on: creation
// and the factory, names, lookups, deletion, the focus flag, the tick walk and
// the screens' size and surfaces. Input dispatch, painting of whole frames,
// transitions and the registry's save record build on it.
//
// There is no program-wide registry: the main window (or a test) makes one.
#pragma once

#include "components/EventQueue.h"
#include "components/NuvoBase.h"
#include "render/DIBX.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nuvo {

class TNuvoBaseList : public TNuvoComponent {
public:
    TNuvoBaseList();
    ~TNuvoBaseList() override;

    // ---- Creation -------------------------------------------------------------------
    // Constructs a T(this, args...), lists it (creation order), names it
    // "object<n>" when it wants a name, and flags the focus for a new choice
    // when it is a control and nothing has the focus.
    template <class T, class... Args> T* Create(Args&&... args) {
        auto object = std::make_unique<T>(this, std::forward<Args>(args)...);
        T* raw = object.get();
        adopt(std::move(object));
        return raw;
    }
    // The factory: the low 7 bits of the type byte select the class of that
    // component type; types without a class (LT_NONE, LT_AUDIO, LT_MAP, and
    // those whose class is not built in) give none.
    TNuvoObject* CreateByType(uint8_t typeByte);

    // ---- Objects --------------------------------------------------------------------
    int32_t GetItemCount() const override { return static_cast<int32_t>(items_.size()); }
    TNuvoObject* GetItem(int32_t i) const override;
    int32_t IndexOf(const TNuvoObject* object) const;
    int32_t IndexOfName(std::string_view name) const;
    // "" and 0x01 "BASE0" give the active base, 0x01 and 0x01 "BASE1" the
    // inactive one; otherwise the first listed object of that name that is not
    // pending deletion, or none.
    TNuvoObject* FindByName(std::string_view name) const;
    // "" the active base, 0x01 the inactive one, 0x01 "BASE0" Base0,
    // 0x01 "BASE1" Base1; otherwise the first control of that name not
    // pending deletion, or none.
    TNuvoControl* FindControlByName(std::string_view name) const;
    // The first listed object (control) of exactly that name not pending
    // deletion, or none; no special names.
    TNuvoObject* FindNamed(std::string_view name) const { return findNamed(name, false); }
    // Whether a listed object has that name.
    bool NameInUse(std::string_view name) const;
    // prefix followed by the first decimal counter from 0 that no object has.
    std::string UniqueName(std::string_view prefix) const;
    // Appends the names of the objects of a type (0: all) whose parent is
    // parent (the registry itself: all objects); gives the number appended.
    int32_t ListNames(std::vector<std::string>& names, uint8_t type, const TNuvoObject* parent) const;

    // Marks an object for freeing at the end of the tick (Delete does this).
    void MarkPendingDeletion(TNuvoObject* object);
    const std::vector<TNuvoObject*>& PendingDelete() const { return pendingDelete_; }
    // Frees an object now: its children first, then its motion, focus, queued
    // events and its place in the parent and in the lists.
    void FreeObject(TNuvoObject* object);
    // Frees every object marked for deletion.
    void FreePendingDeletions();
    // The per-frame update after the script: the bases' ticks, then every
    // listed object in order (idle events, ticks, objects asking to go are
    // freed at once), then the deferred deletions. Never asks to be freed.
    bool Tick() override;
    // Frees every object and empties the event queue (the bases stay).
    void Clear();

    // ---- Base screens ----------------------------------------------------------------
    TNuvoBase* Base(int i) const { return bases_[i & 1].get(); }
    TNuvoBase* ActiveBase() const { return Base(ActiveIndex); }
    TNuvoBase* InactiveBase() const { return Base(ActiveIndex ^ 1); }
    int ActiveIndex = 0;
    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    // Resizes BackSurface and both bases.
    void SetSize(int32_t width, int32_t height);
    // The registry's own composition surface (32 bits).
    TDIBX BackSurface;
    // The picture the active base draws into while no transition runs: the
    // screen's back buffer when one is set (borrowed), else BackSurface.
    TCustomDIBX* ScreenSurface = nullptr;
    TCustomDIBX* DrawTarget() { return ScreenSurface ? ScreenSurface : &BackSurface; }
    // Set while a transition composes the screen (the bases then draw into
    // their own pictures).
    bool TransitionRunning = false;
    // The 2 x 2 pattern blended over a selected control, at a bit depth.
    TCustomDIBX& SelectionPattern(int bitCount);

    // ---- Focus -------------------------------------------------------------------------
    TNuvoControl* FocusedControl() const { return focused_.get(); }
    // Moves the focus, raising PR_ONFOCUSOUT and PR_ONFOCUSIN.
    void SetFocus(TNuvoControl* control);
    // Gives the focus without events (FocusEntered is called).
    void RestoreFocus(TNuvoControl* control);
    // Drops the focus and asks for a new choice.
    void ClearFocus();
    bool FocusDirty = false;

    // ---- Events and time ------------------------------------------------------------------
    TTimerList Events;
    // The frame time in milliseconds (set by the frame loop before the tick).
    int32_t FrameDelta = 16;

    // Nesting of component records being read (a bound against damaged saves).
    static constexpr int kMaxRecordDepth = 64;
    int RecordDepth = 0;

private:
    friend class TNuvoObject;

    void adopt(std::unique_ptr<TNuvoObject> object);
    TNuvoObject* findNamed(std::string_view name, bool controlsOnly) const;
    void indexName(TNuvoObject* object, const std::string& oldName, const std::string& newName);
    void removeFromItems(TNuvoObject* object);

    std::unique_ptr<TNuvoBase> bases_[2];
    int32_t width_ = 8;
    int32_t height_ = 8;
    std::vector<std::unique_ptr<TNuvoObject>> items_;
    std::unordered_multimap<std::string, TNuvoObject*> names_;
    std::vector<TNuvoObject*> pendingDelete_;
    uint64_t nextSerial_ = 1;
    // Position of the object being ticked, kept right when objects before it go.
    size_t tickIndex_ = 0;
    bool ticking_ = false;
    TNuvoRef<TNuvoControl> focused_;
    std::unique_ptr<TDIBX> selectionPattern_;
};

} // namespace nuvo
