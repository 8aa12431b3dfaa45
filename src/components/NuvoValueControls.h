// The value controls drawn from pictures: the slider (LT_SLIDER) and the
// scrollbar (LT_SCROLLBAR), a track with a thumb and two step buttons, and
// the gauge (LT_GAUGE), a bar that shows a value and moves toward it.
//
// Pictures (from the picture cache): a track or bar picture holds two halves
// side by side; a thumb picture three cells (normal, hover, pressed); a
// button picture six (the three states of button 0, then of button 1). A
// horizontal control's track length is the half-width of its picture, a
// vertical one's the picture height (BarSize > 0 replaces it); the
// thickness is the other side.
//
// Value arithmetic never overflows: ranges, steps and positions are worked
// out in 64 bits or reals and clamped before they become 32-bit values again.
// Limiting a value when Max < Min gives Min.
#pragma once

#include "components/NuvoImage.h"

namespace nuvo {

// Value limited to min .. max (min when max < min).
int32_t limitValue(int64_t value, int32_t min, int32_t max);
// A real rounded (ties to even) and clamped into the 32-bit range.
int32_t clampRound(long double x);

// One cached picture of a value control: its first frame and mask.
class TValuePicture {
public:
    void Load(TNuvoObject& owner, const std::string& name);
    void Clear() { list_.Clear(); }
    TCustomDIBX* Picture() { return list_.Count() > 0 ? list_.At(0).Picture(0) : nullptr; }
    TCustomDIBX* Mask() { return list_.Count() > 0 ? list_.At(0).Mask() : nullptr; }
    int32_t Width() { return Picture() ? Picture()->Width() : 0; }
    int32_t Height() { return Picture() ? Picture()->Height() : 0; }

private:
    TNuvoImageList list_;
};

// What the slider and the scrollbar share. Geometry follows the tables of
// docs/components.md; a scrollbar's thumb moves over the track less its own
// length, a slider's over the whole track (the track then runs from the
// middle of the thumb at Min to its middle at Max).
class TNuvoCustomSlider : public TNuvoControl {
public:
    explicit TNuvoCustomSlider(TNuvoBaseList* owner);

    std::string GetSource() const override { return source_; }
    void SetSource(std::string_view v) override;
    std::string GetThumbSource() const override { return thumbSource_; }
    void SetThumbSource(std::string_view v) override;
    std::string GetButtonSource() const override { return buttonSource_; }
    void SetButtonSource(std::string_view v) override;
    int32_t GetMin() const override { return min_; }
    void SetMin(int32_t v) override;
    int32_t GetMax() const override { return max_; }
    void SetMax(int32_t v) override;
    // Limited to Min .. Max; setting it raises no event.
    int32_t GetValue() const override { return limitValue(value_, min_, max_); }
    void SetValue(int32_t v) override;
    int32_t GetAlpha() const override { return alpha_; }
    void SetAlpha(int32_t v) override;
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override { paused_ = v; }
    int32_t GetOrientation() const override { return orientation_; }
    void SetOrientation(int32_t v) override;
    std::string GetOnNotify() const override { return onNotify_; }
    void SetOnNotify(std::string_view v) override { onNotify_ = v; }
    std::string GetOnHold() const override { return onHold_; }
    void SetOnHold(std::string_view v) override { onHold_ = v; }
    std::string GetOnRelease() const override { return onRelease_; }
    void SetOnRelease(std::string_view v) override { onRelease_ = v; }
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }
    int32_t GetSmallChange() const override { return smallChange_; }
    void SetSmallChange(int32_t v) override { smallChange_ = v; }
    bool GetCaptureMask() const override { return captureMask_; }
    void SetCaptureMask(bool v) override { captureMask_ = v; }
    int32_t GetBarSize() const override { return barSize_; }
    void SetBarSize(int32_t v) override;

    void Paint() override;
    TNuvoControl* HitTest(int32_t x, int32_t y, uint8_t accepted) override;
    void DoMouseMove() override;
    void DoMouseOut(TNuvoObject* newlyHovered) override;
    void DoLBtnDown() override;
    void DoLBtnUp() override;
    void DoPressedTick() override;
    void DoKeyRepeat(std::span<const int32_t> keys) override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    void RestoreSurfaces() override;

    // The state the tests and the tools look at.
    int32_t ThumbOffset() const { return thumbOffset_; }
    int32_t ThumbState() const { return thumbState_; }
    int32_t ButtonState(int i) const { return buttonStates_[i & 1]; }
    int32_t DragMode() const { return dragMode_; }
    bool TrackPressed() const { return trackPressed_; }
    // Screen rectangles of the parts.
    TRect TrackRect() const;
    TRect ThumbRect() const;
    TRect ButtonRect(int i) const;
    int32_t TrackLength() const { return trackLength_; }

protected:
    virtual bool isScrollbar() const = 0;
    virtual int32_t largeChange() const { return 1; }
    bool vertical() const { return orientation_ == 1; }
    // The value a player's action leads to: set, and announced when it differs.
    void playerChange(int64_t value);

private:
    enum { kIdle, kDragging, kButton0, kButton1, kTrackBefore, kTrackAfter };

    void updateSize();
    void updateThumbOffset();
    int32_t thumbLength() const { return vertical() ? thumbH_ : thumbW_; }
    // The part under a screen point honouring masks: 0 none, 1 track, 2 thumb,
    // 3 button 0, 4 button 1.
    bool onTrack(int32_t x, int32_t y);
    bool onThumb(int32_t x, int32_t y);
    bool onButton(int i, int32_t x, int32_t y);
    void updateHover(bool enabled);
    void setStates(int32_t thumb, int32_t b0, int32_t b1);
    void dragTo(int32_t x, int32_t y);
    void step(int i);
    int32_t mouseX() const;
    int32_t mouseY() const;
    bool mouseEnabled() const;

    std::string source_, thumbSource_, buttonSource_;
    int32_t min_ = 0;
    int32_t max_ = 100;
    int32_t value_ = 0;
    int32_t alpha_ = 255;
    bool paused_ = false;
    int32_t orientation_ = 0;
    std::string onNotify_;
    int32_t trackLength_ = 0, trackThickness_ = 0;
    int32_t thumbW_ = 0, thumbH_ = 0;
    int32_t buttonW_ = 0, buttonH_ = 0;
    TValuePicture track_, thumb_, buttons_;
    int32_t thumbOffset_ = 0;
    int32_t thumbState_ = 0;
    int32_t buttonStates_[2] = {0, 0};
    int32_t grabOffset_ = 0;
    int32_t repeatWait_ = 0;
    bool trackPressed_ = false;
    std::string onHold_, onRelease_;
    int32_t smallChange_ = 1;
    std::string onIdle_;
    bool captureMask_ = false;
    int32_t barSize_ = 0;
    int32_t dragMode_ = kIdle;
};

class TNuvoSlider : public TNuvoCustomSlider {
public:
    using TNuvoCustomSlider::TNuvoCustomSlider;
    uint8_t GetCompoType() const override { return LT_SLIDER; }

protected:
    bool isScrollbar() const override { return false; }
};

// Not saved: LargeChange (a loaded scrollbar pages by 1, the command's default).
class TNuvoScrollbar : public TNuvoCustomSlider {
public:
    using TNuvoCustomSlider::TNuvoCustomSlider;
    uint8_t GetCompoType() const override { return LT_SCROLLBAR; }
    int32_t GetLargeChange() const override { return largeChange_; }
    void SetLargeChange(int32_t v) override { largeChange_ = v; }

protected:
    bool isScrollbar() const override { return true; }
    int32_t largeChange() const override { return largeChange_; }

private:
    int32_t largeChange_ = 1;
};

// The gauge: a decrease shows the new value at once and leaves the lost
// part drawn after it (from the right half of the picture), which waits
// Duration milliseconds and then shrinks at the speed Delay gives (the
// whole range in Delay milliseconds); an increase grows the bar at that
// speed. Delay 0 shows every change at once. The tick on which the wait runs
// out already shrinks the remainder by the milliseconds left over beyond the
// wait, so the shrinking starts Duration milliseconds after the decrease to
// the millisecond, whatever the frame length.
class TNuvoGauge : public TNuvoControl {
public:
    explicit TNuvoGauge(TNuvoBaseList* owner);
    uint8_t GetCompoType() const override { return LT_GAUGE; }

    std::string GetSource() const override { return source_; }
    void SetSource(std::string_view v) override;
    int32_t GetMin() const override { return min_; }
    void SetMin(int32_t v) override;
    int32_t GetMax() const override { return max_; }
    void SetMax(int32_t v) override;
    int32_t GetValue() const override { return limitValue(value_, min_, max_); }
    void SetValue(int32_t v) override;
    int32_t GetAlpha() const override { return alpha_; }
    void SetAlpha(int32_t v) override;
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override { paused_ = v; }
    int32_t GetOrientation() const override { return orientation_; }
    void SetOrientation(int32_t v) override;
    int32_t GetDelay() const override { return delay_; }
    void SetDelay(int32_t v) override { delay_ = v; }
    int32_t GetDuration() const override { return duration_; }
    void SetDuration(int32_t v) override { duration_ = v; }
    bool GetReverse() const override { return reverse_; }
    void SetReverse(bool v) override;
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }
    int32_t GetBarSize() const override { return barSize_; }
    void SetBarSize(int32_t v) override;
    bool GetPlaying() const override { return moveState_ != 0; }

    void Paint() override;
    bool Tick() override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    void RestoreSurfaces() override;

    int32_t Shown() const { return shown_; }
    int32_t Falling() const { return falling_; }
    int32_t MoveState() const { return moveState_; }

private:
    void updateSize();
    void endMotion();
    void settle();

    std::string source_;
    int32_t min_ = 0;
    int32_t max_ = 100;
    int32_t value_ = 0;
    int32_t alpha_ = 255;
    bool paused_ = false;
    int32_t orientation_ = 0;
    int32_t delay_ = 0;
    int32_t duration_ = 0;
    TValuePicture bar_;
    int32_t barLength_ = 0, barThickness_ = 0;
    int32_t shown_ = 0;
    int32_t falling_ = 0;
    int32_t moveState_ = 0;
    long double motion_ = 0; // the falling remainder, or the rising position
    int32_t wait_ = 0;
    bool reverse_ = false;
    std::string onIdle_;
    int32_t barSize_ = 0;
};

} // namespace nuvo
