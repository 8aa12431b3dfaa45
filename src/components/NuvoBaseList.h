// TNuvoBaseList, the registry ("Bases"): it owns every component and the two
// base screens, names objects and finds them by name, keeps the event queue,
// the keyboard state and focus and the running screen transition, and frees
// objects (deleted ones at the end of the tick).
//
// The frame loop drives it three times a frame: ProcessInput before the
// script runs (focus, keys, the mouse on the active base), Tick after it
// (idle events, component ticks, deferred deletions), and on drawing frames
// Paint (the dirty rectangles of both bases, then the running transition),
// after which the caller presents the back buffer and calls ClearDirtyLists.
// The window's input handlers write the input state between frames
// (MouseDown, MouseMove, SetKey ...).
//
// There is no program-wide registry: the main window (or a test) makes one.
#pragma once

#include "components/BaseListHost.h"
#include "components/EventQueue.h"
#include "components/NuvoBase.h"
#include "render/DIBX.h"
#include "render/wipe/Wipe.h"

#include <array>
#include <span>

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
    // Makes the objects of component types whose classes the factory does
    // not hold (yet): consulted for those types only; none when unset.
    using TExtraCreator = TNuvoObject* (*)(TNuvoBaseList& registry, uint8_t type);
    TExtraCreator ExtraCreator = nullptr;

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
    // Back to the state of a new registry of the same size: no transition,
    // no events, no objects, two fresh bases that keep the mouse position.
    void Reset();

    // ---- Base screens ----------------------------------------------------------------
    TNuvoBase* Base(int i) const { return bases_[i & 1].get(); }
    TNuvoBase* ActiveBase() const { return Base(ActiveIndex); }
    TNuvoBase* InactiveBase() const { return Base(ActiveIndex ^ 1); }
    int ActiveIndex = 0;
    int32_t GetWidth() const override { return width_; }
    int32_t GetHeight() const override { return height_; }
    // Resizes BackSurface and both bases (every surface is made anew); a
    // running transition ends.
    void SetSize(int32_t width, int32_t height);
    // The registry's own composition surface.
    TDIBX BackSurface;
    // The picture the active base draws into while no transition runs, and
    // the one transitions compose: the screen's back buffer when one is
    // attached, else BackSurface.
    TCustomDIBX* DrawTarget() { return screenSurface_ ? screenSurface_ : &BackSurface; }
    // Attaches the screen manager's back buffer (borrowed; none detaches).
    // Every surface of the registry takes its bit count.
    void AttachScreen(TCustomDIBX* backBuffer);
    // The bit count of the screen: every base surface is made with it.
    int SurfaceBitCount() const;
    // The 2 x 2 pattern blended over a selected control, at a bit depth.
    TCustomDIBX& SelectionPattern(int bitCount);
    // Display zoom in percent, applied when the back buffer is presented.
    int32_t DisplayZoom = 100;

    // ---- Frames ------------------------------------------------------------------------
    // Frame step 1, before the script: the focus, the key tables, the mouse on
    // the active base, key events to the focused control, key repeats.
    void ProcessInput();
    // Frame step 3 (drawing frames only): repaints the dirty rectangles of
    // both bases, then lets a running transition compose the screen.
    void Paint();
    // The area the running transition changed in the last Paint (empty when
    // none runs): presented whole instead of the dirty rectangles.
    TRect PresentRect{};
    // After presenting: both bases start the next frame with nothing dirty.
    void ClearDirtyLists();

    // ---- Transitions --------------------------------------------------------------------------
    // Makes base index the active one; with force, or when a kind is given and
    // none runs, ends the running transition, marks both bases wholly dirty
    // and, for a kind other than 0, starts that transition from the active
    // base's picture to the other base's. Gives the transition started, or
    // none (the caller may still set its parameters and mask and prepare it).
    TCustomWipe* StartTransition(int32_t index, int32_t kind, bool reverse, bool force, int32_t elapsed,
                                 int32_t duration);
    TCustomWipe* Transition() const { return transition_.get(); }
    // The running transition's duration, 0 when none runs.
    int32_t TransitionDuration() const { return transition_ ? transition_->Duration : 0; }
    // Sets the running transition's elapsed time (nothing when none runs).
    void SetTransitionElapsed(int32_t ms);
    // The WP_ kind last started (0: none).
    int32_t TransitionKind = 0;
    // Randomness, mask pictures and parameter defaults of transitions (borrowed).
    TWipeContext* Wipes = nullptr;

    // ---- Input the window reports -------------------------------------------------------------
    // A button went down: both bases hold (only) that button, the active base
    // has a click of it to handle (a press of one button clears the other's).
    void MouseDown(bool left, bool right);
    // Any button went up: both bases hold nothing.
    void MouseUp();
    // The pointer is at (x, y) of the screen.
    void MouseMove(int32_t x, int32_t y);
    // One wheel notch on the active base.
    void MouseWheel(bool up);
    // A key (virtual-key code below 256) went down or up; repeated calls with
    // the same state change nothing.
    void SetKey(int32_t key, bool down);
    // A key-down message arrived (including the window system's repeats).
    void SetRawKey(int32_t key, bool pressed);
    // Forgets every key: tables, timers, flags and lists.
    void ResetKeys();
    // The five key tables (by virtual-key code).
    enum class TKeyTable { Held, RawPress, RawPressLast, PressOrRepeat, PressOrRepeatLast };
    bool KeyState(TKeyTable table, int32_t key) const;
    // Held now (@KeyPush).
    bool KeyHeld(int32_t key) const { return KeyState(TKeyTable::Held, key); }
    // Pressed since the frame before this one (@KeyClick).
    bool KeyClicked(int32_t key) const { return KeyState(TKeyTable::RawPressLast, key); }
    // Went down or repeated in the last frame (@KeyRepeat).
    bool KeyRepeated(int32_t key) const { return KeyState(TKeyTable::PressOrRepeatLast, key); }
    // First delay and interval of key repeats, in milliseconds.
    static constexpr int32_t kRepeatDelay = 300;
    static constexpr int32_t kRepeatInterval = 50;

    // ---- Right-click closing --------------------------------------------------------------------
    // Components that close on a right click (menus, map images, preview
    // menus) list themselves; later entries are asked first.
    void AddRClickTarget(TNuvoControl* control);
    void RemoveRClickTarget(TNuvoControl* control);

    // ---- Around the registry ------------------------------------------------------------------------
    // Borrowed; none: cursors, films and the picture cache are left alone.
    IBaseListHost* Host = nullptr;
    bool SoundEnabled() const { return soundEnabled_; }
    void SetSoundEnabled(bool enabled);
    // Before and after a display mode change: every surface is let go (and
    // the running transition ended), then made again and repainted whole.
    void ReleaseSurfaces() override;
    void RestoreSurfaces() override;

    // ---- Save record ------------------------------------------------------------------------------
    // Size, active index, both bases with their trees, the other saved
    // objects, the event queue and the focused control's name.
    void SaveToStream(TStream& s) const override;
    // Resets, then reads a record of that save version; damaged data raises
    // ENuvoError (the registry is then left partly read).
    void LoadFromStream(TStream& s, int32_t version) override;
    // Largest screen side a save record may ask for.
    static constexpr int32_t kMaxSavedSide = 4096;

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
    // The frame time in milliseconds (set by the frame loop before
    // ProcessInput): key repeats and motions advance by it.
    int32_t FrameDelta = 16;
    // The program clock in milliseconds (set by the frame loop with
    // FrameDelta): menus time their animation and scroll repeats by it.
    int32_t TimeCounter = 0;

    // Nesting of component records being read (a bound against damaged saves).
    static constexpr int kMaxRecordDepth = 64;
    int RecordDepth = 0;

private:
    friend class TNuvoObject;

    void adopt(std::unique_ptr<TNuvoObject> object);
    TNuvoObject* findNamed(std::string_view name, bool controlsOnly) const;
    void indexName(TNuvoObject* object, const std::string& oldName, const std::string& newName);
    void removeFromItems(TNuvoObject* object);
    void makeBases();
    void markWhollyDirty();
    void dispatchMouse(TNuvoBase& base);
    bool closeByRightClick(TNuvoBase& base);
    void updateCursor(TNuvoBase& base, const TNuvoControl* found);
    void advanceKeyRepeats();

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
    TCustomDIBX* screenSurface_ = nullptr;
    std::unique_ptr<TCustomWipe> transition_;
    std::vector<TNuvoRef<TNuvoControl>> rclickList_;
    bool soundEnabled_ = true;
    // The cursor file the window was last asked to show ("" the arrow).
    std::string shownCursor_;

    // Key tables, one byte per virtual key.
    std::array<std::array<uint8_t, 256>, 5> keys_{};
    std::array<int32_t, 256> repeatTimers_{};
    bool keyWentDown_ = false;
    bool keyWentUp_ = false;
    bool keyRepeated_ = false;
    std::vector<int32_t> downKeys_;
    std::vector<int32_t> upKeys_;
    std::vector<int32_t> repeatKeys_;
};

} // namespace nuvo
