// Multi-frame images: TNuvoCustomImages animates the frames of a layered
// image (each shown for its delay, an optional LoopWait expression adding a
// pause after the last), at a brightness; TNuvoImages (LT_IMAGES) is the
// script's image, TNuvoTile (LT_TILE) covers its rectangle with copies of
// its picture. Both take their frames from the picture cache by name
// (Source ending ".pel", with the cache's "?m" and "?t" selectors); a
// ".nmt" source plays a film on them instead.
#pragma once

#include "components/NuvoImage.h"

#include <memory>
#include <string>

namespace nuvo {

class TNuvoParser;

class TNuvoCustomImages : public TNuvoCustomImage {
public:
    explicit TNuvoCustomImages(TNuvoBaseList* owner);
    ~TNuvoCustomImages() override;

    // Milliseconds left until the next frame.
    int32_t FrameWait = 0;

    // Extra milliseconds after the last frame of a list of more than one
    // frame (evaluated each time that frame is shown); none counts 0.
    void SetLoopWait(std::unique_ptr<TNuvoParser> expression);
    const TNuvoParser* LoopWait() const { return loopWait_.get(); }
    // PR_DELAY's expression becomes the LoopWait.
    void TakeExpression(int32_t property, std::unique_ptr<TNuvoParser> expression) override;

    // Shows frame i (its delay added to FrameWait); an index outside the
    // list shows nothing and keeps the size.
    void ShowFrame(int32_t i);

    int32_t GetIndex() const override { return frameIndex_; }
    // With a motion: moves the film to frame i's time; else shows frame i.
    void SetIndex(int32_t i) override;
    // The frames (the film's length with a motion).
    int32_t GetCount() const override;
    int32_t GetBrightness() const override { return brightness_; }
    void SetBrightness(int32_t v) override;
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override { paused_ = v; }
    bool GetPlaying() const override;

    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;
    void RestoreSurfaces() override;

protected:
    // The frames shown now; none for none.
    virtual TNuvoImageList* pictures() = 0;
    const TNuvoImageList* pictures() const { return const_cast<TNuvoCustomImages*>(this)->pictures(); }
    // Starts over with the current list from frame 0 (after a source change).
    void restartFrames();
    // Shows frame i again without touching FrameWait (brightness, reloads).
    void applyFrame(int32_t i);
    void pictureSize(int32_t& width, int32_t& height) const override;
    bool tickPicture() override;
    // Loads the saved source and shows the saved frame with the saved size
    // (subclasses call it at the end of their records).
    void restoreAfterLoad(int32_t savedWidth, int32_t savedHeight);

private:
    int32_t loopWaitValue();

    int32_t frameIndex_ = 0;
    int32_t brightness_ = 0;
    bool paused_ = false;
    // Bit 0: the play end was raised; bits 1 and 2: the axes were sized.
    uint8_t flags_ = 0;
    int32_t pictureWidth_ = 0;
    int32_t pictureHeight_ = 0;
    std::unique_ptr<TNuvoParser> loopWait_;
    // What the record read, applied once the subclass has its source.
    int32_t savedFrameWait_ = 0;
};

class TNuvoImages : public TNuvoCustomImages {
public:
    using TNuvoCustomImages::TNuvoCustomImages;

    uint8_t GetCompoType() const override { return LT_IMAGES; }
    std::string GetSource() const override { return source_; }
    // ".pel" loads the frames, ".nmt" plays a film; any other name clears
    // the picture and the size. The same name again does nothing.
    void SetSource(std::string_view name) override;
    bool GetRepeat() const override { return repeat_; }
    void SetRepeat(bool v) override { repeat_ = v; }
    bool GetAutoScrap() const override { return autoScrap_; }
    void SetAutoScrap(bool v) override { autoScrap_ = v; }
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }
    std::string GetOnPlayEnd() const override { return onPlayEnd_; }
    void SetOnPlayEnd(std::string_view v) override { onPlayEnd_ = v; }

    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

protected:
    TNuvoImageList* pictures() override { return &list_; }

private:
    std::string source_;
    bool repeat_ = false;
    bool autoScrap_ = false;
    std::string onIdle_;
    std::string onPlayEnd_;
    TNuvoImageList list_;
};

class TNuvoTile : public TNuvoCustomImages {
public:
    using TNuvoCustomImages::TNuvoCustomImages;

    uint8_t GetCompoType() const override { return LT_TILE; }
    std::string GetSource() const override { return source_; }
    void SetSource(std::string_view name) override;
    int32_t GetScrollX() const override { return scrollX_; }
    void SetScrollX(int32_t v) override;
    int32_t GetScrollY() const override { return scrollY_; }
    void SetScrollY(int32_t v) override;
    int32_t GetDistanceX() const override { return distanceX_; }
    void SetDistanceX(int32_t v) override;
    int32_t GetDistanceY() const override { return distanceY_; }
    void SetDistanceY(int32_t v) override;
    bool GetRepeat() const override { return repeat_; }
    void SetRepeat(bool v) override { repeat_ = v; }
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }

    // The parent's position less its scroll, plus Left (the motion's
    // position while one is attached): the anchor plays no part.
    int32_t GetAbsLeft() const override;
    int32_t GetAbsTop() const override;

    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

protected:
    TNuvoImageList* pictures() override { return &list_; }
    bool sizeSetsZoom() const override { return false; }
    void drawPicture(TCustomDIBX& target) override;
    bool pictureCoordinates(int32_t x, int32_t y, int32_t& px, int32_t& py) const override;
    void makeAfterimage() override;
    // Copies scroll and distances too.
    void copyTileLookTo(TNuvoTile& copy) const;

private:
    int32_t axisPosition(bool vertical) const;

    std::string source_;
    int32_t scrollX_ = 0;
    int32_t scrollY_ = 0;
    int32_t distanceX_ = 0;
    int32_t distanceY_ = 0;
    bool repeat_ = false;
    std::string onIdle_;
    TNuvoImageList list_;
};

// A tile's afterimage.
class TNuvoBlurTile : public TNuvoTile {
public:
    TNuvoBlurTile(TNuvoBaseList* owner, TNuvoTile& source);
    uint8_t GetCompoType() const override { return LT_NONE; }
    TNuvoObject* GetAfterimageSource() const override { return source_.get(); }
    bool WantsAutoName() const override { return false; }
    bool Tick() override;
    void ReleaseSurfaces() override;
    void StartFade(int32_t alpha, int32_t delay);

private:
    TNuvoRef<TNuvoObject> source_;
    TAfterimageFade fade_;
};

// Whether a source names a layered image (".pel", selectors after it allowed).
bool isLayeredImageName(std::string_view name);
// Whether a source names a film (".nmt").
bool isFilmName(std::string_view name);

} // namespace nuvo
