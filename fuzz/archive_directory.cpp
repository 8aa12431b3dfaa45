// Any bytes as an archive: the directory reader and the loading of every entry.
#include "archive/VrFileCollection.h"
#include "base/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The same bytes as a file, so opening by name (trailers, volumes) runs too.
const std::string& scratchFile() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("nuvo-fuzz-archive-" + std::to_string(getpid()) + ".bin"))
                                        .string();
    return path;
}

void openAsFile(const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(scratchFile().c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    nuvo::TVrFileCollection archive;
    try {
        archive.Open(scratchFile());
        for (int i = 0; i < archive.Count() && i < 64; ++i)
            if (auto range = archive.OpenEntryRange(archive.At(i)->Name())) {
                char buf[64];
                range->read(buf, sizeof buf);
            }
    } catch (const nuvo::ENuvoError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    openAsFile(data, size);
    auto stream = std::make_unique<nuvo::TKvBigMemoryStream>();
    stream->Write(data, static_cast<int64_t>(size));
    stream->SetPosition(0);
    nuvo::TVrFileCollection archive;
    try {
        archive.OpenStream(std::move(stream));
    } catch (const nuvo::ENuvoError&) {
        return 0;
    }
    nuvo::TKvMemoryStream out;
    for (int i = 0; i < archive.Count(); ++i) {
        try {
            out.clear();
            archive.ReadEntry(*archive.At(i), out);
            archive.LoadEntry(out, archive.At(i)->Name());
        } catch (const nuvo::ENuvoError&) {
        }
    }
    return 0;
}
