// TNuvoControl: a component with a place on a base screen. It holds the rules
// every visual component shares: parent and children with their order,
// position and size with the anchor, zoom and flip arithmetic, clipping,
// invalidation into the base screen's dirty rectangles, painting of the
// children, hit testing with the mouse modes, the mouse and key events, the
// per-frame tick of an attached motion, and the control part of the save
// record.
//
// Children are borrowed (the registry owns every object); parent and child
// links are kept symmetric, and both ends are cut when either is freed.
#pragma once

#include "components/NuvoMotion.h"
#include "components/NuvoObject.h"

#include <memory>
#include <vector>

namespace nuvo {

class TNuvoControl : public TNuvoComponent {
public:
    explicit TNuvoControl(TNuvoBaseList* owner);
    ~TNuvoControl() override;

    const std::vector<TNuvoControl*>& Children() const { return children_; }

    // The control's rectangle on the screen: (AbsLeft, AbsTop, Width, Height).
    // Components drawn turned override it with their bounding box.
    virtual TRect GetScreenRect() const;
    // Whether the control is clipped (ClipWidth and ClipHeight at least 1), and
    // the clip in screen coordinates.
    bool HasClip() const { return clipWidth_ >= 1 && clipHeight_ >= 1; }
    TRect GetClipScreenRect() const;
    // Whether IgnoreMouse lies in an accepted set.
    bool AcceptsMouse(uint8_t accepted) const {
        const int32_t mode = GetIgnoreMouse();
        return mode >= 0 && mode < 8 && ((accepted >> mode) & 1) != 0;
    }

    // ---- TNuvoObject -------------------------------------------------------------
    void SetName(std::string_view name) override;
    void Delete() override;
    TCustomDIBX* GetDrawSurface() const override;
    bool GetVisible() const override { return visible_; }
    void SetVisible(bool visible) override;
    TNuvoControl* GetParent() const override { return parent_; }
    void SetParent(TNuvoControl* parent) override;
    TNuvoControl* GetChild(int32_t i) const override;
    int32_t GetChildCount() const override { return static_cast<int32_t>(children_.size()); }
    TNuvoBase* GetBase() const override;

    int32_t GetIgnoreMouse() const override { return ignoreMouse_; }
    void SetIgnoreMouse(int32_t v) override { ignoreMouse_ = static_cast<uint8_t>(v); }
    std::string GetCursor() const override { return cursor_; }
    void SetCursor(std::string_view v) override { cursor_ = v; }
    bool GetSelectionOverlay() const override { return selectionOverlay_; }
    void SetSelectionOverlay(bool v) override;
    bool GetHandleKey() const override { return handleKey_; }
    void SetHandleKey(bool v) override { handleKey_ = v; }
    int32_t GetLeft() const override { return left_; }
    void SetLeft(int32_t v) override;
    int32_t GetTop() const override { return top_; }
    void SetTop(int32_t v) override;
    int32_t GetWidth() const override { return width_; }
    void SetWidth(int32_t v) override;
    int32_t GetHeight() const override { return height_; }
    void SetHeight(int32_t v) override;

    int32_t GetAbsLeft() const override;
    int32_t GetAbsTop() const override;
    int32_t GetLocalLeft() const override;
    int32_t GetLocalTop() const override;

    int32_t GetAnchorX() const override { return anchorX_; }
    int32_t GetAnchorY() const override { return anchorY_; }
    void SetAnchorX(int32_t v) override;
    void SetAnchorY(int32_t v) override;
    TRect GetBoundsRect() const override { return boundsRect_; }
    void SetBoundsRect(const TRect& r) override { boundsRect_ = r; }
    bool GetPosZoomed() const override { return posZoomed_; }
    void SetPosZoomed(bool v) override;
    int32_t GetClipLeft() const override { return clipLeft_; }
    int32_t GetClipTop() const override { return clipTop_; }
    int32_t GetClipWidth() const override { return clipWidth_; }
    int32_t GetClipHeight() const override { return clipHeight_; }
    void SetClipLeft(int32_t v) override;
    void SetClipTop(int32_t v) override;
    void SetClipWidth(int32_t v) override;
    void SetClipHeight(int32_t v) override;
    int32_t GetMotionX() const override { return motionX_; }
    void SetMotionX(int32_t v) override;
    int32_t GetMotionY() const override { return motionY_; }
    void SetMotionY(int32_t v) override;
    int32_t GetPlusX() const override { return plusX_; }
    void SetPlusX(int32_t v) override;
    int32_t GetPlusY() const override { return plusY_; }
    void SetPlusY(int32_t v) override;
    TPoint GetAnchorScreenPos() const override;

    int32_t GetColor() const override { return color_; }
    void SetColor(int32_t v) override;
    bool GetAniPaused() const override { return aniPaused_; }
    void SetAniPaused(bool v) override { aniPaused_ = v; }

    std::string GetOnMouseMove() const override { return mouseHandlers_[kMouseMove]; }
    void SetOnMouseMove(std::string_view v) override { mouseHandlers_[kMouseMove] = v; }
    std::string GetOnMouseIn() const override { return mouseHandlers_[kMouseIn]; }
    void SetOnMouseIn(std::string_view v) override { mouseHandlers_[kMouseIn] = v; }
    std::string GetOnMouseOut() const override { return mouseHandlers_[kMouseOut]; }
    void SetOnMouseOut(std::string_view v) override { mouseHandlers_[kMouseOut] = v; }
    std::string GetOnLBtnDown() const override { return mouseHandlers_[kLBtnDown]; }
    void SetOnLBtnDown(std::string_view v) override { mouseHandlers_[kLBtnDown] = v; }
    std::string GetOnLBtnUp() const override { return mouseHandlers_[kLBtnUp]; }
    void SetOnLBtnUp(std::string_view v) override { mouseHandlers_[kLBtnUp] = v; }
    std::string GetOnRBtnDown() const override { return mouseHandlers_[kRBtnDown]; }
    void SetOnRBtnDown(std::string_view v) override { mouseHandlers_[kRBtnDown] = v; }
    std::string GetOnRBtnUp() const override { return mouseHandlers_[kRBtnUp]; }
    void SetOnRBtnUp(std::string_view v) override { mouseHandlers_[kRBtnUp] = v; }
    std::string GetOnWheelDown() const override { return mouseHandlers_[kWheelDown]; }
    void SetOnWheelDown(std::string_view v) override { mouseHandlers_[kWheelDown] = v; }
    std::string GetOnWheelUp() const override { return mouseHandlers_[kWheelUp]; }
    void SetOnWheelUp(std::string_view v) override { mouseHandlers_[kWheelUp] = v; }
    std::string GetOnKeyDown() const override { return keyHandlers_[kKeyDown]; }
    std::string GetOnKeyRepeat() const override { return keyHandlers_[kKeyRepeat]; }
    std::string GetOnKeyUp() const override { return keyHandlers_[kKeyUp]; }
    void SetOnKeyDown(std::string_view v) override { keyHandlers_[kKeyDown] = v; }
    void SetOnKeyRepeat(std::string_view v) override { keyHandlers_[kKeyRepeat] = v; }
    void SetOnKeyUp(std::string_view v) override { keyHandlers_[kKeyUp] = v; }
    std::string GetOnFocusIn() const override { return keyHandlers_[kFocusIn]; }
    std::string GetOnFocusOut() const override { return keyHandlers_[kFocusOut]; }
    void SetOnFocusIn(std::string_view v) override { keyHandlers_[kFocusIn] = v; }
    void SetOnFocusOut(std::string_view v) override { keyHandlers_[kFocusOut] = v; }

    void Invalidate() override;
    // Paints the children (the base class paints nothing of its own).
    void Paint() override;
    TNuvoControl* HitTest(int32_t x, int32_t y, uint8_t accepted) override;
    bool Tick() override;
    void DoLBtnDown() override;
    void DoLBtnUp() override;
    void DoRBtnDown() override;
    void DoRBtnUp() override;
    void DoMouseMove() override;
    void DoMouseOut(TNuvoObject* newlyHovered) override;
    void DoMouseIn(TNuvoObject* previouslyHovered) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    TPoint LocalToScreen(TPoint p) const override;
    TPoint ScreenToLocal(TPoint p) const override;
    // Plays a film file on the control (the registry's host loads it); a
    // file that gives no film leaves the control without a motion.
    void StartMotion(std::string_view fileName) override;
    void RestartMotion() override;
    bool IntersectsVisible(TRect& r) const override;
    TNuvoControl* FindFocusTarget() override;
    void DoKeyDown(std::span<const int32_t> keys) override;
    void DoKeyUp(std::span<const int32_t> keys) override;
    void DoKeyRepeat(std::span<const int32_t> keys) override;
    bool IsAncestorOf(const TNuvoObject* object) const override;
    bool IsInCabinet() const override;
    std::string GetEffectiveCursor() const override;
    bool IsShown() const override;
    void PositionChanged() override;
    TNuvoControl* AsControl() override { return this; }
    const TNuvoControl* AsControl() const override { return this; }

    // ---- Added by the control class --------------------------------------------------
    TNuvoMotion* GetMotion() const { return motion_.get(); }
    // Attaches a motion (replacing and freeing any other); none detaches.
    // Freeing a motion resets MotionX, MotionY and the priority offset.
    void SetMotion(std::unique_ptr<TNuvoMotion> motion);
    // Inserts a child at its place in the order (sort false: at the end, for
    // loaders that sort once when done); RemoveChild takes it out. Neither
    // touches the child's own parent link (SetParent does that).
    void AddChild(TNuvoControl* child, bool sort = true);
    void RemoveChild(TNuvoControl* child);
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    // Restores the child order: internal objects first, then named ones, the
    // flip snapshot (named 0x01 0x01) last; within each group by Priority +
    // PriorityOffset, then by name (bytes); every afterimage right before the
    // image it copies, fainter ones first.
    void SortChildren();
    // Tells the children (recursively) that a clip changed above them.
    virtual void ClipChanged();

protected:
    void priorityChanged() override;
    // Paints the children into the current clip of the draw surface, then the
    // selection pattern when SelectionOverlay is set.
    void paintChildren();
    // Queues a mouse event with the position relative to the pixel origin.
    bool raiseMouseEvent(int32_t kind, bool once);
    void raiseKeyEvent(int32_t kind, std::span<const int32_t> keys);
    // Invalidate, change, (PositionChanged,) invalidate.
    template <class F> void changeVisibly(F&& change, bool positional);
    // Whether the selection pattern may be drawn over this control.
    virtual bool allowsSelectionOverlay() const { return true; }

private:
    friend class TNuvoBaseList;

    enum { kMouseMove, kMouseIn, kMouseOut, kLBtnDown, kLBtnUp, kRBtnDown, kRBtnUp, kWheelDown, kWheelUp };
    enum { kKeyDown, kKeyUp, kKeyRepeat, kFocusIn, kFocusOut };

    int32_t axisPosition(bool vertical) const;
    int32_t anchorOffset(bool vertical) const;
    // Cuts both links between this control and its parent (no invalidation).
    void detachFromParent();

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t anchorX_ = 0;
    int32_t anchorY_ = 0;
    bool visible_ = true;
    TNuvoControl* parent_ = nullptr;
    int32_t color_ = 0;
    std::vector<TNuvoControl*> children_;
    TRect boundsRect_{0, 0, 1, 1};
    std::string mouseHandlers_[9];
    uint8_t ignoreMouse_ = IM_NONE;
    std::string cursor_;
    bool posZoomed_ = false;
    bool selectionOverlay_ = false;
    int32_t clipLeft_ = 0;
    int32_t clipTop_ = 0;
    int32_t clipWidth_ = 0;
    int32_t clipHeight_ = 0;
    int32_t motionX_ = 0;
    int32_t motionY_ = 0;
    int32_t plusX_ = 0;
    int32_t plusY_ = 0;
    bool aniPaused_ = false;
    bool handleKey_ = false;
    std::string keyHandlers_[5];
    std::unique_ptr<TNuvoMotion> motion_;
};

} // namespace nuvo
