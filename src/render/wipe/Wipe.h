// Transitions ("wipes"): the 38 ways the screen changes from an outgoing
// picture (From) to an incoming one (To) over a duration.
//
// The registry creates a transition with CreateWipe when the script switches
// base screens, sets Duration, calls SetReverse, lets the script change the
// parameters and the mask picture, calls Prepare, and then every frame sets
// Elapsed and calls Step until it answers true. Step composes Dest (the back
// buffer) from From and To and marks the whole of Dest as changed (AddClip);
// once Elapsed reaches Duration it answers true without drawing, and the
// registry shows To plainly.
//
// Dest, From and To are borrowed and must outlive the transition; they are
// expected to have the same size and format (From and To of another format
// draw nothing). Every kind works on any direct format (15, 16, 24, 32 bits);
// 32-bit screens take fast paths with the same results.
//
// Randomness and mask pictures come through TWipeContext, never from global
// state, so a headless run with a fixed seed repeats every transition.
#pragma once

#include "render/DIBX.h"
#include "render/Rect.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace nuvo {

class TDIBSurface;

// The program's general-purpose random generator (the script library's
// Random), as the crack and block-random kinds need it.
class IWipeRandom {
public:
    virtual ~IWipeRandom() = default;
    // An integer in 0 .. range - 1 (0 when range < 1).
    virtual int32_t Random(int32_t range) = 0;
};

// The same rule as the script library's generator (seed := seed * 134775813
// + 1, result := high 32 bits of seed * range), with its own seed: for tools,
// tests and transitions created without a context.
class TWipeRandom final : public IWipeRandom {
public:
    explicit TWipeRandom(uint32_t seed = 0) : seed_(seed) {}
    int32_t Random(int32_t range) override;
    uint32_t seed() const { return seed_; }

private:
    uint32_t seed_;
};

// Finds the pictures that mask transitions read (by the name a script gave).
class IWipePictureSource {
public:
    virtual ~IWipePictureSource() = default;
    // Loads the picture called name (Shift-JIS; the first frame of a layered
    // image) into picture at any format. False when there is none; a damaged
    // picture may raise ENuvoError (the transition then acts as if missing).
    virtual bool LoadWipePicture(const std::string& name, TDIBSurface& picture) = 0;
};

// Transition kinds, as scripts number them.
enum TWipeKind : int32_t {
    WP_NONE = 0,
    WP_FADE,
    WP_BLINDH,
    WP_BLINDV,
    WP_CURTAINH,
    WP_CURTAINV,
    WP_SCROLLH,
    WP_SCROLLV,
    WP_GRID,
    WP_GRIDH,
    WP_GRIDV,
    WP_DITHER,
    WP_WHITE,
    WP_BLACK,
    WP_FLASH,
    WP_MOSAIC,
    WP_SUDAREH,
    WP_SUDAREV,
    WP_SPOT,
    WP_MASKFADE,
    WP_MASKWHITE,
    WP_MASKBLACK,
    WP_SMALL,
    WP_BIG,
    WP_RIPPLE,
    WP_BLURWHITE,
    WP_BLURBLACK,
    WP_TWISTH,
    WP_TWISTV,
    WP_CRACK,
    WP_ZOOMIN,
    WP_CLOCKHAND,
    WP_RUBBERH,
    WP_RUBBERV,
    WP_FAN,
    WP_WFAN,
    WP_CIRCLE,
    WP_BLOCKCOIL,
    WP_BLOCKRANDOM
};
inline constexpr int32_t kWipeKindCount = 39; // WP_NONE .. WP_BLOCKRANDOM

struct TWipeKindInfo {
    int32_t Value;
    const char* Identifier; // "WP_FADE"
    const char* Name;       // what the authoring side shows (UTF-8)
    int32_t P0, P1;         // parameter defaults
};
// Indexed by kind value, 0 .. kWipeKindCount - 1.
const TWipeKindInfo& wipeKindInfo(int32_t kind);
// The kind of an identifier ("WP_FADE", or "fade"), any letter case; -1 if none.
int32_t wipeKindByIdentifier(const std::string& identifier);

// What transitions borrow from the program: the generator, the picture
// lookup and the parameter defaults (program-wide: the project sets
// WP_ZOOMIN's to the centre of its screen). Either pointer may be null: a
// missing generator is replaced by a TWipeRandom of seed 0 per transition, a
// missing picture source makes every mask picture missing.
struct TWipeContext {
    IWipeRandom* Random = nullptr;
    IWipePictureSource* Pictures = nullptr;
    std::array<std::array<int32_t, 2>, kWipeKindCount> Defaults = defaultParams();

    void SetDefaultParams(int32_t kind, int32_t p0, int32_t p1);
    static std::array<std::array<int32_t, 2>, kWipeKindCount> defaultParams();
};

class TCustomWipe {
public:
    TCustomWipe(TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to, TWipeContext* context);
    virtual ~TCustomWipe();
    TCustomWipe(const TCustomWipe&) = delete;
    TCustomWipe& operator=(const TCustomWipe&) = delete;

    // Set by the registry: the length of the transition and the time since it
    // started, in the same unit (milliseconds of the frame clock).
    int32_t Duration = 0;
    int32_t Elapsed = 0;
    // The area the last step changed: the whole of Dest.
    TRect Area{};

    bool Reverse() const { return reverse_ != 0; }
    const std::string& MaskName() const { return maskName_; }

    // The direction variant of the kind.
    virtual void SetReverse(bool flag);
    // Parameters 0 and 1 (P0, P1); other indexes read 0 and store nothing.
    virtual int32_t GetParam(int index) const;
    virtual void SetParam(int index, int32_t value);
    // The picture mask transitions read (Shift-JIS name).
    virtual void SetMaskName(const std::string& name);
    // Called once before the first step (Step calls it itself when nobody did).
    virtual void Prepare();
    // Draws the frame for Elapsed; true (and nothing drawn) once Elapsed >= Duration.
    bool Step();
    virtual void Finish();
    // Forgets what was drawn, so that the next step draws as a first one does
    // (kinds that redraw only when their level changes draw again).
    virtual void ResetLevel();

    TCustomDIBX& Dest() { return dest_; }
    TCustomDIBX& From() { return from_; }
    TCustomDIBX& To() { return to_; }

protected:
    // Draws the frame for elapsed time t, 0 <= t < T. Called with Dest's clip
    // covering the whole surface.
    virtual void DrawFrame(int32_t t, int32_t T) = 0;

    int32_t width() const { return dest_.Width(); }
    int32_t height() const { return dest_.Height(); }
    IWipeRandom& random();
    IWipePictureSource* pictures() const { return context_ ? context_->Pictures : nullptr; }
    // The grey pixel (g, g, g) in Dest's format, g in 0..255.
    int32_t greyPixel(int32_t g) const { return grey_[static_cast<size_t>(g & 255)]; }
    const std::array<int32_t, 256>& greyTable() const { return grey_; }
    // Reads the picture MaskName as 8-bit grey stretched to Dest's size,
    // inverted with Reverse; 255 everywhere when it is missing.
    void loadGreyMask(TDIBX& grey);

    uint8_t reverse_ = 0;
    std::string maskName_;
    int32_t params_[2] = {0, 0};
    bool prepared_ = false;

private:
    TCustomDIBX& dest_;
    TCustomDIBX& from_;
    TCustomDIBX& to_;
    TWipeContext* context_;
    std::unique_ptr<TWipeRandom> ownRandom_;
    std::array<int32_t, 256> grey_{};
};

// The mask-driven kinds: UpdateMask draws an 8-bit mask for the current
// level, and Dest becomes From where the mask is 0, To where it is 255 and
// Blend(To, From, m) between; the mask repeats every MaskHeight rows. When
// the level has not changed since the last step nothing is drawn.
class TWipeMask : public TCustomWipe {
public:
    using TCustomWipe::TCustomWipe;

    // P0 at least 2, P1 at least 1.
    void SetParam(int index, int32_t value) override;
    void Prepare() override;
    void ResetLevel() override;

    // The mask as last drawn (W x MaskHeight, 8 bits).
    TDIBX& Mask() { return mask_; }
    // All mask values are 0 or 255.
    bool Binary() const { return binary_ != 0; }

protected:
    void DrawFrame(int32_t t, int32_t T) override;
    // Redraws the mask for t when its level changed; true when it did.
    virtual bool UpdateMask(int32_t t, int32_t T);
    virtual int32_t MaskHeight() const { return height(); }

    TDIBX mask_{1, 1, 8};
    int64_t lastLevel_ = -1;
    uint8_t binary_ = 0;

private:
    void compose();
};

// Creates the transition of a kind with its parameters set from the context's
// defaults (through SetParam); none for WP_NONE and unknown kinds. The
// context is borrowed and may be null.
std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX& dest, TCustomDIBX& from, TCustomDIBX& to,
                                        TWipeContext* context = nullptr);

} // namespace nuvo
