// Surfaces loading pictures by content and saving themselves as bitmap files.
#include "base/Stream.h"
#include "platform/FileSystem.h"
#include "render/CustomDIBX.h"
#include "render/ImageCodecs.h"
#include "render/PelkImage.h"

#include <cstring>
#include <filesystem>

namespace nuvo {
namespace {

bool hasExtension(const std::string& path, const char* lowerExt) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == lowerExt;
}

// A decoded picture into the surface at the surface's own format.
void takePicture(TCustomDIBX& surface, TDIBSurface& picture) {
    if (picture.IsEmpty()) return;
    surface.SetSize(picture.Width(), picture.Height(), surface.BitCount());
    ConvertPixels(picture, surface);
}

std::vector<uint8_t> wholeStream(TStream& stream) {
    const int64_t size = stream.size();
    std::vector<uint8_t> bytes(static_cast<size_t>(size > 0 ? size : 0));
    stream.setPosition(0);
    if (!bytes.empty() && stream.read(bytes.data(), size) != size) bytes.clear();
    return bytes;
}

} // namespace

void TCustomDIBX::LoadFromStream(TStream* stream, int32_t imageKey) {
    if (!stream) return;
    uint8_t head[4] = {};
    stream->setPosition(0);
    const int64_t got = stream->read(head, 4);
    stream->setPosition(0);
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') {
        const std::vector<uint8_t> bytes = wholeStream(*stream);
        TDIBSurface picture;
        ReadBitmapFile(bytes.data(), bytes.size(), picture);
        takePicture(*this, picture);
    } else if (got >= 4 && std::memcmp(head + 1, "PNG", 3) == 0) {
        const std::vector<uint8_t> bytes = wholeStream(*stream);
        TDIBSurface picture;
        int32_t key;
        ReadPng(bytes.data(), bytes.size(), picture, key);
        takePicture(*this, picture);
    } else if (got >= 4 && std::memcmp(head, "Pelk", 4) == 0) {
        TPelkFrameList list(imageKey);
        list.LoadFromStream(*stream, true, false, false);
        if (list.Count() > 0 && !list.GetFrame(0).Composite.IsEmpty()) CopyToSurface(list.GetFrame(0), *this);
    }
}

void TCustomDIBX::LoadFromFile(const std::string& nativePath) {
    if (!hasExtension(nativePath, ".bmp") || !platform::isFile(nativePath)) return;
    TKvMemoryStream s(readWholeFile(nativePath));
    TDIBSurface picture;
    ReadBitmapFile(s.memory(), s.bytes().size(), picture);
    takePicture(*this, picture);
}

void TCustomDIBX::SaveToFile(const std::string& nativePath) {
    if (!hasExtension(nativePath, ".bmp")) return;
    const std::vector<uint8_t> bytes = WriteBitmapFile24(*this);
    platform::writeFileAtomic(nativePath, bytes.data(), bytes.size());
}

} // namespace nuvo
