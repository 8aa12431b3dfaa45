// The base screens and the cabinet.
//
// TNuvoBase is one of the registry's two screens: the root control every
// visual component lies on, with its own picture, the dirty rectangles to
// repaint and the mouse state the window reports. TNuvoCabinet parks
// controls: it is never visible and paints nothing, and what lies inside it
// is neither ticked nor focused.
#pragma once

#include "components/NuvoControl.h"
#include "render/DIBX.h"

#include <vector>

namespace nuvo {

// Rectangles to repaint, merged as they come: a new rectangle near a stored
// one (overlapping, or at most 20 pixels apart on both axes) joins it.
class TClipList {
public:
    static constexpr int32_t kNearGap = 20;

    void Add(const TRect& r);
    void Clear();
    const std::vector<TRect>& Rects() const { return rects_; }
    bool Changed = false;

private:
    std::vector<TRect> rects_;
};

class TNuvoBase : public TNuvoControl {
public:
    // Bits of CaptureFlags: a press captured by Hovered.
    static constexpr uint8_t kCaptureLeft = 4;
    static constexpr uint8_t kCaptureRight = 8;

    // index: 0 or 1, which names it 0x01 "BASE0" or 0x01 "BASE1".
    TNuvoBase(TNuvoBaseList* owner, int index);

    int Index() const { return index_; }

    TClipList DirtyList;
    // The base's own picture, at the screen's bit count: what the base draws
    // into while it is not the active one or a transition runs.
    TDIBX Surface;
    int32_t MouseX = 0;
    int32_t MouseY = 0;
    bool LClickPending = false;
    bool LClick = false;
    bool RClickPending = false;
    bool RClick = false;
    bool LHeld = false;
    bool RHeld = false;
    bool MouseMoved = false;
    uint8_t CaptureFlags = 0;
    TNuvoRef<TNuvoControl> Hovered;
    bool WheelDownPending = false;
    bool WheelDown = false;
    bool WheelUpPending = false;
    bool WheelUp = false;
    std::string CursorFile;

    // Clamps r to the screen and adds it to DirtyList.
    void AddDirtyRect(const TRect& r);
    // Repaints every dirty rectangle: the background colour (when not
    // negative), then the children. The list is left for the presenter.
    void PaintDirty();
    // Resizes the screen and makes its picture anew at that bit count.
    void SetScreenSize(int32_t width, int32_t height, int bitCount);
    // The base's own record keeps its internal name whatever the bytes say.
    void LoadFromStream(TStream& s, int32_t version) override;

    // Base screens have no parent, are never deleted or renamed by scripts.
    void SetParent(TNuvoControl*) override {}
    void Delete() override {}
    void SetName(std::string_view) override {}
    bool WantsAutoName() const override { return false; }
    TCustomDIBX* GetDrawSurface() const override;
    TNuvoBase* GetBase() const override { return const_cast<TNuvoBase*>(this); }
    TNuvoBase* AsBase() override { return this; }
    const TNuvoBase* AsBase() const override { return this; }

private:
    int index_;
};

class TNuvoCabinet : public TNuvoControl {
public:
    using TNuvoControl::TNuvoControl;
    uint8_t GetCompoType() const override { return LT_CABINET; }
    bool GetVisible() const override { return false; }
    void Paint() override {}
};

} // namespace nuvo
