// TNuvoObject: the root of everything a script can create and name. Scripts
// reach an object only through numbered properties (PropertyDispatch.h), which
// end in the accessors declared here. Every accessor has a neutral default
// (0, false, the empty string; setters do nothing); a component overrides the
// ones it carries, and the catalogue (script/PropertyTypes.h) records which
// those are.
//
// The virtual operations keep the order of the system's class (later
// components override them by that order): identity, tree, the property
// accessors group by group, then life and behaviour. Hooks that belong to one
// component only (message box pages, list-box items, preview menus, HTTP,
// buttons) are added by those components.
//
// Objects are created and freed by their registry (TNuvoBaseList) only: the
// registry's Create<T> constructs, lists and auto-names an object; Delete marks
// it for freeing at the end of the current tick. Anything that must remember
// an object across frames holds a TNuvoRef, which reads as none once the
// object is freed.
#pragma once

#include "render/Rect.h"
#include "script/PropertyTypes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace nuvo {

class TCustomDIBX;
class TNuvoBase;
class TNuvoBaseList;
class TNuvoControl;
class TNuvoParser;
class TStream;

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// Sets of IgnoreMouse values (bit 1 << IM_x) that a hit test accepts.
enum : uint8_t {
    kHitLeftClick = (1u << IM_NONE) | (1u << IM_RCLICK),
    kHitRightClick = (1u << IM_NONE) | (1u << IM_LCLICK),
    kHitHover = (1u << IM_NONE) | (1u << IM_CLICK) | (1u << IM_LCLICK) | (1u << IM_RCLICK),
};

// Names beginning with this byte are internal objects: never saved, sorted
// before named siblings.
constexpr char kInternalNameMark = '\x01';
inline bool isInternalName(std::string_view name) { return !name.empty() && name[0] == kInternalNameMark; }

class TNuvoObject {
public:
    // owner: the registry that will list the object, or none for a free-standing
    // one. Construction does not list it: TNuvoBaseList::Create does.
    explicit TNuvoObject(TNuvoBaseList* owner);
    virtual ~TNuvoObject();
    TNuvoObject(const TNuvoObject&) = delete;
    TNuvoObject& operator=(const TNuvoObject&) = delete;

    TNuvoBaseList* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    bool IsInternal() const { return isInternalName(name_); }
    // Set by the registry between Delete and the end of the tick.
    bool IsPendingDeletion() const { return pendingDeletion_; }

    // Free text for scripts (PR_TAG).
    std::string Tag;
    int32_t GetPriority() const { return priority_; }
    int32_t GetPriorityOffset() const { return priorityOffset_; }
    // Assigning Priority clears the offset; either re-sorts the siblings and
    // invalidates (PR_PRIORITY; the offset is set by films and preview menus).
    void SetPriority(int32_t priority);
    void SetPriorityOffset(int32_t offset);

    // ---- 1. Identity -------------------------------------------------------
    // A name another object of the registry holds is taken from it: the other
    // object is deleted (this rule), or renamed (TNuvoControl's rule).
    virtual void SetName(std::string_view name);
    // Marks the object for freeing at the end of the tick and clears its name.
    virtual void Delete();
    // The surface the object paints into.
    virtual TCustomDIBX* GetDrawSurface() const { return nullptr; }
    // The LT_ number (the save record's type byte); LT_NONE for internal classes.
    virtual uint8_t GetCompoType() const { return LT_NONE; }

    // ---- 2. Tree -------------------------------------------------------------
    virtual bool GetVisible() const { return false; }
    virtual void SetVisible(bool) {}
    virtual TNuvoControl* GetParent() const { return nullptr; }
    virtual void SetParent(TNuvoControl*) {}
    virtual TNuvoObject* GetItem(int32_t) const { return nullptr; }
    virtual int32_t GetItemCount() const { return 0; }
    virtual TNuvoControl* GetChild(int32_t) const { return nullptr; }
    virtual int32_t GetChildCount() const { return 0; }
    // The base screen the object lies on, found through the parents.
    virtual TNuvoBase* GetBase() const { return nullptr; }

    // ---- 3. Common accessors -------------------------------------------------
    virtual bool GetAutoScrap() const { return false; }
    virtual void SetAutoScrap(bool) {}
    virtual bool GetRClickScrap() const { return false; }
    virtual void SetRClickScrap(bool) {}
    virtual int32_t GetIgnoreMouse() const { return IM_NONE; }
    virtual void SetIgnoreMouse(int32_t) {}
    virtual std::string GetCursor() const { return {}; }
    virtual void SetCursor(std::string_view) {}
    virtual bool GetSelectionOverlay() const { return false; }
    virtual void SetSelectionOverlay(bool) {}
    virtual std::string GetOnIdle() const { return {}; }
    virtual void SetOnIdle(std::string_view) {}
    virtual bool GetPlaying() const { return false; }
    virtual bool GetHandleKey() const { return false; }
    virtual void SetHandleKey(bool) {}
    // True suppresses every event of the object.
    virtual bool IsMouseBlocked() const { return false; }
    virtual int32_t GetGroupIndex() const { return 0; }
    virtual void SetGroupIndex(int32_t) {}
    virtual bool GetSelected() const { return false; }
    virtual void SetSelected(bool) {}
    virtual bool GetAllowAllUp() const { return false; }
    virtual void SetAllowAllUp(bool) {}
    virtual int32_t GetLeft() const { return 0; }
    virtual void SetLeft(int32_t) {}
    virtual int32_t GetTop() const { return 0; }
    virtual void SetTop(int32_t) {}
    virtual int32_t GetWidth() const { return 0; }
    virtual void SetWidth(int32_t) {}
    virtual int32_t GetHeight() const { return 0; }
    virtual void SetHeight(int32_t) {}
    virtual int32_t GetOrigWidth() const { return 0; }
    virtual void SetOrigWidth(int32_t) {}
    virtual int32_t GetOrigHeight() const { return 0; }
    virtual void SetOrigHeight(int32_t) {}

    // ---- 4. Screen position of the pixel origin ------------------------------
    virtual int32_t GetAbsLeft() const { return 0; }
    virtual int32_t GetAbsTop() const { return 0; }
    // The same without the parent's contribution.
    virtual int32_t GetLocalLeft() const { return 0; }
    virtual int32_t GetLocalTop() const { return 0; }

    // ---- 5. Geometry -----------------------------------------------------------
    virtual int32_t GetZoomX() const { return 0; }
    virtual void SetZoomX(int32_t) {}
    virtual int32_t GetZoomY() const { return 0; }
    virtual void SetZoomY(int32_t) {}
    virtual int32_t GetAnchorX() const { return 0; }
    virtual int32_t GetAnchorY() const { return 0; }
    virtual void SetAnchorX(int32_t) {}
    virtual void SetAnchorY(int32_t) {}
    virtual int32_t GetHAlign() const { return 0; }
    virtual void SetHAlign(int32_t) {}
    virtual TRect GetBoundsRect() const { return {}; }
    virtual void SetBoundsRect(const TRect&) {}
    virtual bool GetPosZoomed() const { return false; }
    virtual void SetPosZoomed(bool) {}
    virtual int32_t GetDistanceX() const { return 0; }
    virtual void SetDistanceX(int32_t) {}
    virtual int32_t GetDistanceY() const { return 0; }
    virtual void SetDistanceY(int32_t) {}
    virtual int32_t GetClipLeft() const { return 0; }
    virtual int32_t GetClipTop() const { return 0; }
    virtual int32_t GetClipWidth() const { return 0; }
    virtual int32_t GetClipHeight() const { return 0; }
    virtual void SetClipLeft(int32_t) {}
    virtual void SetClipTop(int32_t) {}
    virtual void SetClipWidth(int32_t) {}
    virtual void SetClipHeight(int32_t) {}
    virtual int32_t GetMotionX() const { return 0; }
    virtual void SetMotionX(int32_t) {}
    virtual int32_t GetMotionY() const { return 0; }
    virtual void SetMotionY(int32_t) {}
    virtual int32_t GetPlusX() const { return 0; }
    virtual void SetPlusX(int32_t) {}
    virtual int32_t GetPlusY() const { return 0; }
    virtual void SetPlusY(int32_t) {}
    // Screen position of the anchor point.
    virtual TPoint GetAnchorScreenPos() const { return {}; }
    virtual int32_t GetGlyphHeight() const { return 0; }
    virtual void SetGlyphHeight(int32_t) {}
    virtual int32_t GetGlyphWidth() const { return 0; }
    virtual void SetGlyphWidth(int32_t) {}

    // ---- 6. Fonts ------------------------------------------------------------------
    virtual int32_t GetFontHeight() const { return 0; }
    virtual void SetFontHeight(int32_t) {}
    virtual std::string GetFontName() const { return {}; }
    virtual void SetFontName(std::string_view) {}
    // Sets of FS_ bits.
    virtual int32_t GetFontStyle() const { return 0; }
    virtual void SetFontStyle(int32_t) {}
    virtual int32_t GetLineSpace() const { return 0; }
    virtual void SetLineSpace(int32_t) {}
    virtual int32_t GetFontColor() const { return 0; }
    virtual void SetFontColor(int32_t) {}
    virtual int32_t GetFontLinkColor() const { return 0; }
    virtual void SetFontLinkColor(int32_t) {}
    virtual int32_t GetFontHoverColor() const { return 0; }
    virtual void SetFontHoverColor(int32_t) {}
    virtual int32_t GetFontBorderColor() const { return 0; }
    virtual void SetFontBorderColor(int32_t) {}
    virtual int32_t GetFontShadowColor() const { return 0; }
    virtual void SetFontShadowColor(int32_t) {}
    virtual int32_t GetFontHoverStyle() const { return 0; }
    virtual void SetFontHoverStyle(int32_t) {}
    virtual bool GetAntialias() const { return false; }
    virtual void SetAntialias(bool) {}
    virtual int32_t GetFontBorder() const { return 0; }
    virtual void SetFontBorder(int32_t) {}
    virtual int32_t GetFontShadow() const { return 0; }
    virtual void SetFontShadow(int32_t) {}
    virtual int32_t GetFontHoverBorder() const { return 0; }
    virtual void SetFontHoverBorder(int32_t) {}
    virtual int32_t GetFontHoverShadow() const { return 0; }
    virtual void SetFontHoverShadow(int32_t) {}
    virtual int32_t GetFontHoverBorderColor() const { return 0; }
    virtual void SetFontHoverBorderColor(int32_t) {}
    virtual int32_t GetFontHoverShadowColor() const { return 0; }
    virtual void SetFontHoverShadowColor(int32_t) {}

    // ---- 7. Text -----------------------------------------------------------------------
    virtual std::string GetText() const { return {}; }
    virtual void SetText(std::string_view) {}
    // text := text + s
    virtual void AppendText(std::string_view s);
    // The message box's insertion state, reset by SetProp of PR_TEXT before the text.
    virtual void ResetInsertionState() {}
    virtual TPoint GetCaretPos() const { return {}; }
    virtual int32_t GetCaretHeight() const { return 0; }
    virtual bool GetTextPaused() const { return false; }
    virtual void SetTextPaused(bool) {}
    virtual int32_t GetTextDelay() const { return 0; }
    virtual void SetTextDelay(int32_t) {}
    virtual bool GetReadOnly() const { return false; }
    virtual void SetReadOnly(bool) {}
    virtual std::string GetMapText() const { return {}; }
    virtual void SetMapText(std::string_view) {}
    virtual bool GetCaptureLink() const { return false; }
    virtual void SetCaptureLink(bool) {}

    // ---- 8. Frames and sources -------------------------------------------------------------
    virtual int32_t GetBorderWidth() const { return 0; }
    virtual void SetBorderWidth(int32_t) {}
    virtual int32_t GetBorderColor() const { return 0; }
    virtual void SetBorderColor(int32_t) {}
    // Cells 0..8 of the 3 x 3 border grid, row by row.
    virtual int32_t GetBorderHAlign(int32_t) const { return 0; }
    virtual void SetBorderHAlign(int32_t, int32_t) {}
    virtual int32_t GetBorderVAlign(int32_t) const { return 0; }
    virtual void SetBorderVAlign(int32_t, int32_t) {}
    virtual int32_t GetMarginX() const { return 0; }
    virtual void SetMarginX(int32_t) {}
    virtual int32_t GetMarginY() const { return 0; }
    virtual void SetMarginY(int32_t) {}
    virtual int32_t GetColor() const { return 0; }
    virtual void SetColor(int32_t) {}
    // The object's own pixel surface, none by default.
    virtual TCustomDIBX* GetSurface() const { return nullptr; }
    virtual std::string GetSource() const { return {}; }
    virtual void SetSource(std::string_view) {}
    virtual bool GetFlipH() const { return false; }
    virtual void SetFlipH(bool) {}
    virtual bool GetFlipV() const { return false; }
    virtual void SetFlipV(bool) {}
    // Pictures 0..8 of the border grid.
    virtual std::string GetBorderSource(int32_t) const { return {}; }
    virtual void SetBorderSource(int32_t, std::string_view) {}
    virtual std::string GetScrollSource() const { return {}; }
    virtual void SetScrollSource(std::string_view) {}
    virtual std::string GetCheckSource() const { return {}; }
    virtual void SetCheckSource(std::string_view) {}
    virtual std::string GetHoverSource() const { return {}; }
    virtual void SetHoverSource(std::string_view) {}
    virtual std::string GetPressedSource() const { return {}; }
    virtual void SetPressedSource(std::string_view) {}
    virtual std::string GetClickedSource() const { return {}; }
    virtual void SetClickedSource(std::string_view) {}
    virtual bool GetCaptureMask() const { return false; }
    virtual void SetCaptureMask(bool) {}
    virtual std::string GetMapSource() const { return {}; }
    virtual void SetMapSource(std::string_view) {}
    virtual std::string GetThumbSource() const { return {}; }
    virtual void SetThumbSource(std::string_view) {}
    virtual std::string GetButtonSource() const { return {}; }
    virtual void SetButtonSource(std::string_view) {}

    // ---- 9. Values ---------------------------------------------------------------------------
    virtual int32_t GetAlpha() const { return 0; }
    virtual void SetAlpha(int32_t) {}
    virtual int32_t GetBrightness() const { return 0; }
    virtual void SetBrightness(int32_t) {}
    virtual int32_t GetBlurDelay() const { return 0; }
    virtual int32_t GetBlurSpan() const { return 0; }
    virtual void SetBlurDelay(int32_t) {}
    virtual void SetBlurSpan(int32_t) {}
    virtual int32_t GetAngle() const { return 0; }
    virtual void SetAngle(int32_t) {}
    virtual int32_t GetOrientation() const { return 0; }
    virtual void SetOrientation(int32_t) {}
    virtual bool GetReverse() const { return false; }
    virtual void SetReverse(bool) {}
    virtual int32_t GetDelay() const { return 0; }
    virtual void SetDelay(int32_t) {}
    virtual int32_t GetIndex() const { return 0; }
    virtual void SetIndex(int32_t) {}
    virtual int32_t GetCount() const { return 0; }
    virtual void SetCount(int32_t) {}
    virtual bool GetRepeat() const { return false; }
    virtual void SetRepeat(bool) {}
    virtual int32_t GetRepeatPos() const { return 0; }
    virtual void SetRepeatPos(int32_t) {}
    virtual bool GetPaused() const { return false; }
    virtual void SetPaused(bool) {}
    virtual bool GetAniPaused() const { return false; }
    virtual void SetAniPaused(bool) {}
    virtual int32_t GetColCount() const { return 0; }
    virtual void SetColCount(int32_t) {}
    virtual int32_t GetRowCount() const { return 0; }
    virtual void SetRowCount(int32_t) {}
    virtual int32_t GetPower() const { return 0; }
    virtual void SetPower(int32_t) {}
    virtual int32_t GetDuration() const { return 0; }
    virtual void SetDuration(int32_t) {}
    virtual int32_t GetMin() const { return 0; }
    virtual void SetMin(int32_t) {}
    virtual int32_t GetMax() const { return 0; }
    virtual void SetMax(int32_t) {}
    virtual int32_t GetValue() const { return 0; }
    virtual void SetValue(int32_t) {}
    virtual int32_t GetSmallChange() const { return 0; }
    virtual void SetSmallChange(int32_t) {}
    virtual int32_t GetLargeChange() const { return 0; }
    virtual void SetLargeChange(int32_t) {}
    virtual bool GetRewindOnLoad() const { return false; }
    virtual void SetRewindOnLoad(bool) {}
    virtual bool GetMuteOnLoad() const { return false; }
    virtual void SetMuteOnLoad(bool) {}
    virtual int32_t GetBarSize() const { return 0; }
    virtual void SetBarSize(int32_t) {}
    virtual int32_t GetScrollX() const { return 0; }
    virtual void SetScrollX(int32_t) {}
    virtual int32_t GetScrollY() const { return 0; }
    virtual void SetScrollY(int32_t) {}
    virtual int32_t GetTopIndex() const { return 0; }
    virtual void SetTopIndex(int32_t) {}
    virtual std::string GetOnHold() const { return {}; }
    virtual std::string GetOnRelease() const { return {}; }
    virtual void SetOnHold(std::string_view) {}
    virtual void SetOnRelease(std::string_view) {}
    virtual int32_t GetHoverColor() const { return 0; }
    virtual void SetHoverColor(int32_t) {}
    // List boxes: the check flag of item i.
    virtual bool GetCheck(int32_t) const { return false; }
    virtual void SetCheck(int32_t, bool) {}
    virtual bool GetOverlay() const { return false; }
    virtual void SetOverlay(bool) {}
    virtual int32_t GetVolume() const { return 0; }
    virtual void SetVolume(int32_t) {}
    virtual int32_t GetBalance() const { return 0; }
    virtual void SetBalance(int32_t) {}
    // 0 playing, 2 stopped (message boxes, menus, sounds and videos answer).
    virtual int32_t GetPlayState() const { return 0; }
    virtual void SetPlayState(int32_t) {}
    virtual int32_t GetPartMotion() const { return 0; }
    virtual void SetPartMotion(int32_t) {}
    // Param(0..2): PR_PARAM1 .. PR_PARAM3.
    virtual double GetParam(int32_t) const { return 0.0; }
    virtual void SetParam(int32_t, double) {}
    virtual int32_t GetAmp() const { return 0; }
    virtual void SetAmp(int32_t) {}
    virtual int32_t GetWaveLen() const { return 0; }
    virtual void SetWaveLen(int32_t) {}

    // ---- 10. Event handlers (a page name, optionally ":" and a label) ------------------------
    virtual std::string GetOnNotify() const { return {}; }
    virtual void SetOnNotify(std::string_view) {}
    virtual std::string GetOnMouseMove() const { return {}; }
    virtual void SetOnMouseMove(std::string_view) {}
    virtual std::string GetOnMouseIn() const { return {}; }
    virtual void SetOnMouseIn(std::string_view) {}
    virtual std::string GetOnMouseOut() const { return {}; }
    virtual void SetOnMouseOut(std::string_view) {}
    virtual std::string GetOnLBtnDown() const { return {}; }
    virtual void SetOnLBtnDown(std::string_view) {}
    virtual std::string GetOnLBtnUp() const { return {}; }
    virtual void SetOnLBtnUp(std::string_view) {}
    virtual std::string GetOnRBtnDown() const { return {}; }
    virtual void SetOnRBtnDown(std::string_view) {}
    virtual std::string GetOnRBtnUp() const { return {}; }
    virtual void SetOnRBtnUp(std::string_view) {}
    virtual std::string GetOnWheelDown() const { return {}; }
    virtual void SetOnWheelDown(std::string_view) {}
    virtual std::string GetOnWheelUp() const { return {}; }
    virtual void SetOnWheelUp(std::string_view) {}
    virtual std::string GetOnPlaying() const { return {}; }
    virtual void SetOnPlaying(std::string_view) {}
    virtual std::string GetOnPlayStart() const { return {}; }
    virtual void SetOnPlayStart(std::string_view) {}
    virtual std::string GetOnPlayEnd() const { return {}; }
    virtual void SetOnPlayEnd(std::string_view) {}
    virtual std::string GetOnLink() const { return {}; }
    virtual void SetOnLink(std::string_view) {}
    virtual std::string GetOnSelect() const { return {}; }
    virtual void SetOnSelect(std::string_view) {}
    virtual std::string GetOnOpening() const { return {}; }
    virtual void SetOnOpening(std::string_view) {}
    virtual std::string GetOnOpened() const { return {}; }
    virtual void SetOnOpened(std::string_view) {}
    virtual std::string GetOnClosing() const { return {}; }
    virtual void SetOnClosing(std::string_view) {}
    virtual std::string GetOnClosed() const { return {}; }
    virtual void SetOnClosed(std::string_view) {}
    virtual std::string GetOnMapIn() const { return {}; }
    virtual void SetOnMapIn(std::string_view) {}
    virtual std::string GetOnMapOut() const { return {}; }
    virtual void SetOnMapOut(std::string_view) {}
    virtual std::string GetOnKeyDown() const { return {}; }
    virtual std::string GetOnKeyRepeat() const { return {}; }
    virtual std::string GetOnKeyUp() const { return {}; }
    virtual void SetOnKeyDown(std::string_view) {}
    virtual void SetOnKeyRepeat(std::string_view) {}
    virtual void SetOnKeyUp(std::string_view) {}
    virtual std::string GetOnFocusIn() const { return {}; }
    virtual std::string GetOnFocusOut() const { return {}; }
    virtual void SetOnFocusIn(std::string_view) {}
    virtual void SetOnFocusOut(std::string_view) {}

    // ---- 11. Life and behaviour ----------------------------------------------------------------
    // Adds the object's visible area to its base screen's dirty list.
    virtual void Invalidate() {}
    // Paints into GetDrawSurface(), whose clip the caller has set.
    virtual void Paint() {}
    // The control hit at screen point (x, y) among those whose IgnoreMouse is
    // in the accepted set (kHitLeftClick, kHitRightClick, kHitHover).
    virtual TNuvoControl* HitTest(int32_t /*x*/, int32_t /*y*/, uint8_t /*accepted*/) { return nullptr; }
    // Once per frame; true asks the registry to free the object now.
    virtual bool Tick() { return false; }
    virtual void DoLBtnDown() {}
    virtual void DoLBtnUp() {}
    virtual void DoRBtnDown() {}
    virtual void DoRBtnUp() {}
    virtual void DoMouseMove() {}
    virtual void DoMouseOut(TNuvoObject* /*newlyHovered*/) {}
    virtual void DoMouseIn(TNuvoObject* /*previouslyHovered*/) {}
    // Every frame while a button pressed on the object is held.
    virtual void DoPressedTick() {}
    // The save record (integers little-endian, strings with a 32-bit length).
    virtual void SaveToStream(TStream& s) const;
    // Reads the record of that save version with checked reads: damaged data
    // raises ENuvoError (the object may then be half read).
    virtual void LoadFromStream(TStream& s, int32_t version);
    virtual TPoint LocalToScreen(TPoint p) const { return p; }
    virtual TPoint ScreenToLocal(TPoint p) const { return p; }
    // Whether the registry names the object "object<n>" when listing it.
    virtual bool WantsAutoName() const { return true; }
    // Film animations: plays a film file on the object, or starts it again.
    virtual void StartMotion(std::string_view /*fileName*/) {}
    virtual void RestartMotion() {}
    // Media: plays again from the start (sounds and videos; the MediaPlay
    // command).
    virtual void RestartMedia() {}
    // A creating command hands over its own copy of one of its property
    // expressions, which the object evaluates itself later (the images'
    // pause after their last frame, PR_DELAY; a particle emitter's values
    // for each particle). Objects that keep none drop it.
    virtual void TakeExpression(int32_t property, std::unique_ptr<TNuvoParser> expression);
    // True when the right click closed the object.
    virtual bool CloseByRightClick() { return false; }
    // Narrows r to the part of it where the object and its ancestors show
    // (their rectangles and clips); false when nothing of r shows.
    virtual bool IntersectsVisible(TRect&) const { return false; }
    // Around display mode changes.
    virtual void ReleaseSurfaces() {}
    virtual void RestoreSurfaces() {}
    virtual TNuvoControl* FindFocusTarget() { return nullptr; }
    virtual void DoKeyDown(std::span<const int32_t> /*keys*/) {}
    virtual void DoKeyUp(std::span<const int32_t> /*keys*/) {}
    virtual void DoKeyRepeat(std::span<const int32_t> /*keys*/) {}
    virtual bool IsAncestorOf(const TNuvoObject*) const { return false; }
    // Lets an ancestor widen a rectangle being invalidated inside it.
    virtual void AdjustInvalidRect(TRect&) const {}
    virtual bool IsInCabinet() const { return false; }
    virtual std::string GetEffectiveCursor() const { return {}; }
    // The object received the focus without an event (a loaded save).
    virtual void FocusEntered() {}
    virtual void CabinetAttached() {}
    virtual void CabinetDetached() {}
    // Visible together with every ancestor, on a base screen.
    virtual bool IsShown() const { return false; }
    virtual void PositionChanged() {}

    // An afterimage names the image it copies; it is kept right before that
    // image among their siblings.
    virtual TNuvoObject* GetAfterimageSource() const { return nullptr; }
    virtual TNuvoControl* AsControl() { return nullptr; }
    virtual const TNuvoControl* AsControl() const { return nullptr; }
    virtual TNuvoBase* AsBase() { return nullptr; }
    virtual const TNuvoBase* AsBase() const { return nullptr; }

    // Queues an event of kind (the PR_ number of the handler property) when
    // the object has a handler for it and may raise events now: not paused,
    // not a base screen, not mouse-blocked and, with once, no event of that
    // kind of this object already queued. True when one was queued.
    bool RaiseEvent(int32_t kind, std::span<const std::string> args = {}, bool once = false);
    // The handler text of a handler property number (the empty string for others).
    std::string HandlerOf(int32_t kind) const;

    // The token TNuvoRef watches; dies with the object.
    const std::shared_ptr<TNuvoObject*>& LifeToken() const { return life_; }

    // Gives the object a name without the collision rules (loading, renames
    // made by the rules themselves); keeps the registry's name index.
    void AssignName(std::string name);

protected:
    // The name a control's rename rule gives the holder of a taken name: the
    // name without its "_<counter>" suffix (counters above 1; the scan walks
    // characters, so a trail byte 0x5F is no "_"), followed by "_" and the
    // first free counter.
    static std::string renamedName(const TNuvoBaseList& registry, const std::string& taken);
    // Re-sorts the siblings after a priority change.
    virtual void priorityChanged() {}

private:
    friend class TNuvoBaseList;

    TNuvoBaseList* owner_;
    std::string name_;
    int32_t priority_ = 0;
    int32_t priorityOffset_ = 0;
    bool pendingDeletion_ = false;
    bool listed_ = false; // in the registry's items and name index
    uint64_t serial_ = 0; // creation order within the registry
    std::shared_ptr<TNuvoObject*> life_;
};

// A reference to an object that reads as none once the object is freed. Event
// records, the running handler's sender, hovered and focused controls and
// the components commands wait for hold these instead of pointers.
template <class T> class TNuvoRef {
public:
    TNuvoRef() = default;
    TNuvoRef(T* object) { reset(object); }
    void reset(T* object = nullptr) {
        if (object)
            token_ = object->LifeToken();
        else
            token_.reset();
    }
    T* get() const {
        const std::shared_ptr<TNuvoObject*> p = token_.lock();
        return p && *p ? static_cast<T*>(*p) : nullptr;
    }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    bool refersTo(const TNuvoObject* object) const { return object && get() == object; }

private:
    std::weak_ptr<TNuvoObject*> token_;
};

// The non-visual components (sounds, timers, HTTP, property motions) and the
// registry derive from this class. Listing, unlisting and marking objects for
// deletion are the registry's own operations (TNuvoBaseList), reached
// through Owner(), rather than hooks that every other component leaves empty.
class TNuvoComponent : public TNuvoObject {
public:
    using TNuvoObject::TNuvoObject;
};

} // namespace nuvo
