// Bitmap files, PNG (libpng) and JPEG (libjpeg-turbo) to and from surfaces.
// Every decoder survives any bytes: damage raises ENuvoError, sizes are
// checked against the bytes that back them and against a decoding budget
// before anything is allocated, and the libraries' errors come back as
// ENuvoError instead of ending the program.
#pragma once

#include "render/DIBSurface.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nuvo {

// How many bytes of pixels one decode may allocate: 16 MiB plus 4096 bytes
// for every input byte (zlib inflates one byte to at most about 1032, and a
// layered image holds layers, masks and a composite), so a header claiming a
// huge picture in a small file is refused before allocation. Pictures of
// fewer than 8 bits count one byte per pixel.
class TDecodeBudget {
public:
    explicit TDecodeBudget(int64_t inputBytes);
    // Raises "画像データが大きすぎます" when a w x h picture at bitCount does not fit
    // (or is beyond the surface limits); otherwise takes its bytes.
    void take(int64_t width, int64_t height, int bitCount);
    // The same for a plain buffer of bytes.
    void takeBytes(int64_t bytes);

private:
    int64_t left_;
};

// Raises "画像データが壊れています (%s)" with a short reason.
[[noreturn]] void raiseBadPicture(const char* reason);

// ---- Bitmap files ("BM") -----------------------------------------------------
// Uncompressed and bit-field bitmaps of 1, 4, 8, 16, 24 and 32 bits, bottom-up
// or top-down, with core, info and later headers. 16-bit files give 15 or 16
// bits by their masks, other masks 24 bits; 32-bit files keep their fourth
// bytes. Run-length compressed files are refused.
void ReadBitmapFile(const uint8_t* data, size_t size, TDIBSurface& out);
// The surface converted to 24 bits, as a bitmap file.
std::vector<uint8_t> WriteBitmapFile24(TCustomDIBX& surface);

// ---- PNG -------------------------------------------------------------------------
// Palette pictures give an 8-bit surface with their palette; everything else
// 24 bits. An alpha channel, or a palette with partial transparency, gives a
// Mask; a single transparent palette entry or a tRNS colour gives
// transparentValue (a pixel value of the result; -1 when none). The first
// signature byte is not checked (streams are recognised by "PNG" at offset 1).
void ReadPng(const uint8_t* data, size_t size, TDIBSurface& out, int32_t& transparentValue);
// Writes a picture: with a Mask as RGBA; palette formats as an indexed PNG
// (with transparentValue as its one transparent entry); others as RGB (with
// transparentValue's colour as the tRNS colour).
std::vector<uint8_t> WritePng(TDIBSurface& picture, int32_t transparentValue);

// ---- JPEG ------------------------------------------------------------------------
// Decoding and encoding use fixed settings so results are the same on every
// machine: the accurate integer DCT, smooth ("fancy") upsampling, no block
// smoothing, 4:2:0 sampling and standard tables when encoding.
// Decodes a JPEG that must be exactly width x height into out (24 bits).
void DecodeJpeg(const uint8_t* data, size_t size, int32_t width, int32_t height, TDIBX& out);
// Encodes 24- or 32-bit pixels (others are converted) at quality 1..100.
std::vector<uint8_t> EncodeJpeg(const TDIBX& picture, int quality);

} // namespace nuvo
