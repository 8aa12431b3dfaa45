// JPEG through libjpeg-turbo at fixed settings. libjpeg reports errors by its
// error_exit hook, which jumps back here; the functions holding a jump target
// own no object with a destructor.
#include "render/ImageCodecs.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace nuvo {
namespace {

struct TJpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->jump, 1); }
void jpegMessageIgnored(j_common_ptr) {}

// Progressive files may hold any number of scans; a picture never needs many.
void jpegProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > 256)
        jpegErrorExit(cinfo);
}

struct TJpegDecode {
    jpeg_decompress_struct cinfo;
    TJpegError err;
    jpeg_progress_mgr progress;
};

// 0 decoded, 1 damaged, 2 of another size.
int decodeCore(TJpegDecode& d, const uint8_t* data, size_t size, int32_t width, int32_t height, TDIBX& out) {
    d.cinfo.err = jpeg_std_error(&d.err.mgr);
    d.err.mgr.error_exit = jpegErrorExit;
    d.err.mgr.output_message = jpegMessageIgnored;
    if (setjmp(d.err.jump)) {
        jpeg_destroy_decompress(&d.cinfo);
        return 1;
    }
    jpeg_create_decompress(&d.cinfo);
    d.progress.progress_monitor = jpegProgress;
    d.cinfo.progress = &d.progress;
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.image_width != static_cast<JDIMENSION>(width) || d.cinfo.image_height != static_cast<JDIMENSION>(height)) {
        jpeg_destroy_decompress(&d.cinfo);
        return 2;
    }
    d.cinfo.out_color_space = JCS_EXT_BGR;
    d.cinfo.dct_method = JDCT_ISLOW;
    d.cinfo.do_fancy_upsampling = TRUE;
    d.cinfo.do_block_smoothing = FALSE;
    d.cinfo.dither_mode = JDITHER_NONE;
    jpeg_start_decompress(&d.cinfo);
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = out.ScanLine(static_cast<int32_t>(d.cinfo.output_scanline));
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    jpeg_destroy_decompress(&d.cinfo);
    return 0;
}

struct TJpegEncode {
    jpeg_compress_struct cinfo;
    TJpegError err;
    unsigned char* buffer;
    unsigned long size;
};

bool encodeCore(TJpegEncode& e, const TDIBX& picture, int quality) {
    e.cinfo.err = jpeg_std_error(&e.err.mgr);
    e.err.mgr.error_exit = jpegErrorExit;
    e.err.mgr.output_message = jpegMessageIgnored;
    if (setjmp(e.err.jump)) {
        jpeg_destroy_compress(&e.cinfo);
        return false;
    }
    jpeg_create_compress(&e.cinfo);
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
    e.cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
    const bool wide = picture.BitCount() == 32;
    e.cinfo.input_components = wide ? 4 : 3;
    e.cinfo.in_color_space = wide ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(&e.cinfo);
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    e.cinfo.dct_method = JDCT_ISLOW;
    e.cinfo.optimize_coding = FALSE;
    e.cinfo.comp_info[0].h_samp_factor = 2;
    e.cinfo.comp_info[0].v_samp_factor = 2;
    for (int c = 1; c < 3; ++c) e.cinfo.comp_info[c].h_samp_factor = e.cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(picture.ScanLine(static_cast<int32_t>(e.cinfo.next_scanline)));
        jpeg_write_scanlines(&e.cinfo, &row, 1);
    }
    jpeg_finish_compress(&e.cinfo);
    jpeg_destroy_compress(&e.cinfo);
    return true;
}

} // namespace

void DecodeJpeg(const uint8_t* data, size_t size, int32_t width, int32_t height, TDIBX& out) {
    if (!data || size == 0 || width <= 0 || height <= 0) raiseBadPicture("JPEG");
    out.SetSize(width, height, 24);
    TJpegDecode d;
    std::memset(&d, 0, sizeof d);
    const int result = decodeCore(d, data, size, width, height, out);
    if (result == 2) raiseBadPicture("JPEG size");
    if (result != 0) raiseBadPicture("JPEG");
}

std::vector<uint8_t> EncodeJpeg(const TDIBX& picture, int quality) {
    if (picture.IsEmpty()) raiseBadPicture("JPEG size");
    const TDIBX* source = &picture;
    TDIBX converted;
    if (picture.BitCount() != 24 && picture.BitCount() != 32) {
        converted.SetSize(picture.Width(), picture.Height(), 24);
        ConvertPixels(const_cast<TDIBX&>(picture), converted);
        source = &converted;
    }
    TJpegEncode e;
    std::memset(&e, 0, sizeof e);
    e.buffer = nullptr;
    e.size = 0;
    const bool ok = encodeCore(e, *source, quality < 1 ? 1 : quality > 100 ? 100 : quality);
    std::vector<uint8_t> out;
    if (ok && e.buffer) out.assign(e.buffer, e.buffer + e.size);
    std::free(e.buffer);
    if (!ok) raiseBadPicture("JPEG");
    return out;
}

} // namespace nuvo
