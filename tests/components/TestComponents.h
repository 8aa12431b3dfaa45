// Small components for the model's tests: a control whose type, zoom, flips,
// pause and surfaces a test sets directly, which paints its rectangle in its
// colour; non-visual components (one that plays as sounds do); and a film
// for motions that records what it was asked to do.
#pragma once

#include "components/NuvoBaseList.h"
#include "render/DIBX.h"
#include "script/NuvoParser.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nuvo::test {

class TTestControl : public TNuvoControl {
public:
    explicit TTestControl(TNuvoBaseList* owner, uint8_t type = LT_BOX) : TNuvoControl(owner), Type(type) {}

    uint8_t Type;
    int32_t ZoomX = 0;
    int32_t ZoomY = 0;
    bool FlipH = false;
    bool FlipV = false;
    bool Paused = false;
    bool AutoScrap = false;
    bool Repeat = false;
    bool Blocked = false;
    int32_t Alpha = 255;
    int32_t ScrollX = 0;
    int32_t ScrollY = 0;
    std::string OnIdle;
    std::string OnPlayEnd;
    std::string Text;
    int32_t FontStyle = 0;
    int ResetCount = 0;
    int PressedTicks = 0;
    int Ticks = 0;
    int CabinetEvents = 0; // attached +1, detached -1
    std::unique_ptr<TDIBX> OwnSurface;
    TNuvoRef<TNuvoObject> CopyOf;   // makes this an afterimage of that image
    std::optional<bool> PaintsSelf; // paints its colour when set (default: yes)

    uint8_t GetCompoType() const override { return Type; }
    int32_t GetZoomX() const override { return ZoomX; }
    int32_t GetZoomY() const override { return ZoomY; }
    void SetZoomX(int32_t v) override { ZoomX = v; }
    void SetZoomY(int32_t v) override { ZoomY = v; }
    bool GetFlipH() const override { return FlipH; }
    bool GetFlipV() const override { return FlipV; }
    bool GetPaused() const override { return Paused; }
    void SetPaused(bool v) override { Paused = v; }
    bool GetRepeat() const override { return Repeat; }
    void SetRepeat(bool v) override { Repeat = v; }
    bool GetAutoScrap() const override { return AutoScrap; }
    void SetAutoScrap(bool v) override { AutoScrap = v; }
    bool IsMouseBlocked() const override { return Blocked; }
    int32_t GetAlpha() const override { return Alpha; }
    void SetAlpha(int32_t v) override { Alpha = v; }
    int32_t GetScrollX() const override { return ScrollX; }
    int32_t GetScrollY() const override { return ScrollY; }
    std::string GetOnIdle() const override { return OnIdle; }
    void SetOnIdle(std::string_view v) override { OnIdle = v; }
    std::string GetOnPlayEnd() const override { return OnPlayEnd; }
    void SetOnPlayEnd(std::string_view v) override { OnPlayEnd = v; }
    std::string GetText() const override { return Text; }
    void SetText(std::string_view v) override { Text = v; }
    void ResetInsertionState() override { ++ResetCount; }
    int32_t GetFontStyle() const override { return FontStyle; }
    void SetFontStyle(int32_t v) override { FontStyle = v; }
    TCustomDIBX* GetSurface() const override { return OwnSurface.get(); }
    TNuvoObject* GetAfterimageSource() const override { return CopyOf.get(); }
    void DoPressedTick() override { ++PressedTicks; }
    bool Tick() override {
        ++Ticks;
        return TNuvoControl::Tick();
    }
    void CabinetAttached() override { ++CabinetEvents; }
    void CabinetDetached() override { --CabinetEvents; }

    void Paint() override {
        TCustomDIBX* surface = GetDrawSurface();
        if (surface && PaintsSelf.value_or(true)) surface->FillRect(GetScreenRect(), surface->ColorToPixel(GetColor()));
        TNuvoControl::Paint();
    }
};

// A picture with a mask at an alpha, as image components paint: a soft disc
// of horizontal colour bands.
class TTestImage : public TNuvoControl {
public:
    TTestImage(TNuvoBaseList* owner, int32_t size, int32_t color1, int32_t color2)
        : TNuvoControl(owner), Picture(size, size, 32), Mask(size, size, 8) {
        for (int32_t y = 0; y < size; ++y)
            for (int32_t x = 0; x < size; ++x) {
                const int32_t color = (x / 4) % 2 ? color1 : color2;
                Picture.SetPixel(x, y, Picture.ColorToPixel(color));
                const int32_t dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
                const int32_t d2 = dx * dx + dy * dy, r2 = size * size;
                Mask.SetPixel(x, y, d2 >= r2 ? 0 : std::min(255, (r2 - d2) * 512 / r2));
            }
        SetBounds(0, 0, size, size);
    }
    TDIBX Picture;
    TDIBX Mask;
    int32_t Alpha = 255;
    uint8_t GetCompoType() const override { return LT_IMAGES; }
    int32_t GetAlpha() const override { return Alpha; }
    void SetAlpha(int32_t v) override {
        Alpha = v;
        Invalidate();
    }
    void Paint() override {
        TCustomDIBX* surface = GetDrawSurface();
        if (surface && surface->BitCount() == Picture.BitCount())
            surface->DrawAlphaMask(GetAbsLeft(), GetAbsTop(), Picture, makeRect(0, 0, GetWidth(), GetHeight()), Mask,
                                   Alpha);
        TNuvoControl::Paint();
    }
};

class TTestSound : public TNuvoComponent {
public:
    using TNuvoComponent::TNuvoComponent;
    int32_t Volume = 0;
    uint8_t GetCompoType() const override { return LT_SOUND; }
    int32_t GetVolume() const override { return Volume; }
    void SetVolume(int32_t v) override { Volume = v; }
};

// A playing component as sounds and videos are (the type is the test's
// choice): its source, play state (2 stopped when made) and fade time, the
// play states and expressions it was given and the restarts it was asked
// for. A fade-out (play state 3) lasts FadeTicks ticks, after which the
// component frees itself, as a sound does.
class TTestMedia : public TNuvoComponent {
public:
    explicit TTestMedia(TNuvoBaseList* owner, uint8_t type = LT_SOUND) : TNuvoComponent(owner), Type(type) {}

    uint8_t Type;
    std::string Source;
    int32_t PlayState = 2;
    int32_t Delay = 0;
    int32_t FadeTicks = 3;
    int Restarts = 0;
    std::vector<int32_t> States;
    std::vector<int32_t> KeptExpressions; // PR_ numbers handed over, in order

    uint8_t GetCompoType() const override { return Type; }
    std::string GetSource() const override { return Source; }
    void SetSource(std::string_view v) override { Source = v; }
    int32_t GetPlayState() const override { return PlayState; }
    void SetPlayState(int32_t v) override {
        PlayState = v;
        States.push_back(v);
    }
    int32_t GetDelay() const override { return Delay; }
    void SetDelay(int32_t v) override { Delay = v; }
    void RestartMedia() override { ++Restarts; }
    void TakeExpression(int32_t property, std::unique_ptr<TNuvoParser>) override {
        KeptExpressions.push_back(property);
    }
    bool Tick() override { return PlayState == 3 && --FadeTicks <= 0; }
};

// A film of a number of frames; remembers the frames shown and the origin
// and base priority it was given.
class TTestFilm : public IMotionFilm {
public:
    explicit TTestFilm(int32_t length, bool positions = false, int32_t loopStart = 0)
        : length_(length), loopStart_(loopStart), positions_(positions) {}
    int32_t Length() const override { return length_; }
    int32_t LoopStart() const override { return loopStart_; }
    bool HasPositionTracks() const override { return positions_; }
    void SetOrigin(int32_t x, int32_t y) override { Origin = {x, y}; }
    void SetBasePriority(int32_t p) override { BasePriority = p; }
    void ShowFrame(int32_t frame) override { Shown.push_back(frame); }

    TPoint Origin{-1, -1};
    int32_t BasePriority = -1;
    std::vector<int32_t> Shown;

private:
    int32_t length_;
    int32_t loopStart_;
    bool positions_;
};

// Attaches a motion playing a TTestFilm to c; the film belongs to the motion.
inline TTestFilm* attachFilm(TNuvoControl& c, int32_t length, bool positions = false, int32_t loopStart = 0) {
    auto film = std::make_unique<TTestFilm>(length, positions, loopStart);
    TTestFilm* raw = film.get();
    c.SetMotion(std::make_unique<TNuvoMotion>(c, std::move(film)));
    return raw;
}

} // namespace nuvo::test
