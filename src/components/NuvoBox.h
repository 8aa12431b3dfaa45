// TNuvoBox (LT_BOX): a rectangle filled with its colour, with an optional
// border band, by the image alpha modes (1..254 blended, 255 opaque,
// 256..511 added at Alpha - 256). A film (a ".nmt" source) may move it, and
// it leaves afterimages (TNuvoBlurBox) like images do.
#pragma once

#include "components/NuvoImage.h"

namespace nuvo {

class TNuvoBox : public TNuvoControl {
public:
    explicit TNuvoBox(TNuvoBaseList* owner);

    uint8_t GetCompoType() const override { return LT_BOX; }
    int32_t GetBorderWidth() const override { return borderWidth_; }
    void SetBorderWidth(int32_t v) override;
    int32_t GetBorderColor() const override { return borderColor_; }
    void SetBorderColor(int32_t v) override;
    int32_t GetAlpha() const override { return alpha_; }
    void SetAlpha(int32_t v) override;
    std::string GetOnIdle() const override { return onIdle_; }
    void SetOnIdle(std::string_view v) override { onIdle_ = v; }
    std::string GetSource() const override { return source_; }
    // Only a film (".nmt") does anything; the same name again does nothing.
    void SetSource(std::string_view name) override;
    bool GetRepeat() const override { return repeat_; }
    void SetRepeat(bool v) override { repeat_ = v; }
    bool GetAutoScrap() const override { return autoScrap_; }
    void SetAutoScrap(bool v) override { autoScrap_ = v; }
    std::string GetOnPlayEnd() const override { return onPlayEnd_; }
    void SetOnPlayEnd(std::string_view v) override { onPlayEnd_ = v; }
    bool GetPaused() const override { return paused_; }
    void SetPaused(bool v) override { paused_ = v; }
    bool GetPlaying() const override;
    int32_t GetBlurSpan() const override { return blurSpan_; }
    void SetBlurSpan(int32_t v) override { blurSpan_ = v; }
    int32_t GetBlurDelay() const override { return blurDelay_; }
    void SetBlurDelay(int32_t v) override { blurDelay_ = v; }

    void Paint() override;
    bool Tick() override;
    void SaveToStream(TStream& s) const override;
    void LoadFromStream(TStream& s, int32_t version) override;

protected:
    virtual void makeAfterimage();

private:
    int32_t borderWidth_ = 0;
    int32_t borderColor_ = -1;
    int32_t alpha_ = 255;
    std::string onIdle_;
    std::string source_;
    bool repeat_ = false;
    bool autoScrap_ = false;
    std::string onPlayEnd_;
    bool paused_ = false;
    int32_t blurSpan_ = 0;
    int32_t blurDelay_ = 0;
    TAfterimageClock blurClock_;
};

// A box's afterimage: position, size, colours and border of one moment, at
// half the box's alpha, fading out. Never saved.
class TNuvoBlurBox : public TNuvoBox {
public:
    TNuvoBlurBox(TNuvoBaseList* owner, TNuvoBox& source);
    uint8_t GetCompoType() const override { return LT_NONE; }
    TNuvoObject* GetAfterimageSource() const override { return source_.get(); }
    bool WantsAutoName() const override { return false; }
    bool Tick() override;
    // Starts at alpha / 2 (truncated toward zero).
    void StartFade(int32_t alpha, int32_t delay);

private:
    TNuvoRef<TNuvoObject> source_;
    TAfterimageFade fade_;
};

} // namespace nuvo
