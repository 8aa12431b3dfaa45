// Loading a picture by its content (bitmap file, PNG, layered image) on any
// bytes: the surface is left alone, takes a picture or an error is raised.
#include "base/Error.h"
#include "base/Stream.h"
#include "render/DIBX.h"
#include "render/ImageCodecs.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    nuvo::TKvMemoryStream s(std::vector<uint8_t>(data, data + size));
    nuvo::TDIBX surface(1, 1, size % 2 ? 16 : 32);
    try {
        surface.LoadFromStream(&s, 77);
    } catch (const nuvo::ENuvoError&) {
    }
    // The decoders directly, which the frame lists use for loose files.
    nuvo::TDIBSurface picture;
    int32_t key;
    try {
        nuvo::ReadPng(data, size, picture, key);
    } catch (const nuvo::ENuvoError&) {
    }
    try {
        nuvo::ReadBitmapFile(data, size, picture);
    } catch (const nuvo::ENuvoError&) {
    }
    try {
        nuvo::DecodeJpeg(data, size, 16, 16, picture);
    } catch (const nuvo::ENuvoError&) {
    }
    return 0;
}
