// The title's picture cache: the layered-image cache over the running
// project's files, keyed with the project's image seed. The main window (or
// a test) makes one beside the registry and hands it to the image
// components through the registry's host (IBaseListHost::PictureCache).
#pragma once

#include "render/PelkCache.h"

namespace nuvo {

struct TProgramContext;

class TProjectPictureSource final : public IPelkSource {
public:
    // The context is borrowed; its project and file manager are read at
    // each load (none: no file is found).
    explicit TProjectPictureSource(TProgramContext& context) : context_(context) {}
    int32_t ImageSeed() const override;
    bool EnsureAvailable(const std::string& name) override;
    bool LoadToStream(TStream& stream, const std::string& name) override;
    int ScreenBitCount() const override { return BitCount; }
    // The bit count pictures are made at (the screen's).
    int BitCount = 32;

private:
    TProgramContext& context_;
};

// The cache and its source together.
class TProjectPictures {
public:
    explicit TProjectPictures(TProgramContext& context) : Source(context), Cache(Source) {}
    TProjectPictureSource Source;
    TPelkCollection Cache;
};

} // namespace nuvo
