// A plain main for a fuzz target, so that the test build (any compiler, no
// libFuzzer) runs it on its seeds: the empty input first, as libFuzzer does,
// then every file of the folders given, in name order. A seed that crashes
// or trips a sanitizer stops the program; the name of the seed being run is
// printed before it runs, so the log shows which one it was.
//
//   replay_<target> fuzz/corpus/<target> [more folders or files...]
//
// Exits 0 when every input ran, 1 when a folder is missing or holds no seed
// (a replay of nothing would pass without testing anything).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

// The input in a block of exactly its size (none at all for the empty
// input), so that reading past its end is caught by the address sanitizer as
// it is under libFuzzer.
void runOne(const std::vector<char>& bytes) {
    const std::unique_ptr<uint8_t[]> block(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), block.get());
    LLVMFuzzerTestOneInput(block.get(), bytes.size());
}

bool readAll(const fs::path& path, std::vector<char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The seeds a path names: the file itself, or the regular files of a folder.
bool collect(const fs::path& path, std::vector<fs::path>& seeds) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
        seeds.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, ec)) {
        std::fprintf(stderr, "replay: %s: no such folder\n", path.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry& e : fs::directory_iterator(path, ec))
        if (e.is_regular_file()) found.push_back(e.path());
    if (ec) {
        std::fprintf(stderr, "replay: %s: %s\n", path.c_str(), ec.message().c_str());
        return false;
    }
    if (found.empty()) {
        std::fprintf(stderr, "replay: %s holds no seed\n", path.c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    seeds.insert(seeds.end(), found.begin(), found.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> seeds;
    for (int i = 1; i < argc; ++i)
        if (!collect(argv[i], seeds)) return 1;
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);

    std::printf("empty input\n");
    std::fflush(stdout);
    runOne({});
    std::vector<char> bytes;
    for (const fs::path& seed : seeds) {
        if (!readAll(seed, bytes)) {
            std::fprintf(stderr, "replay: %s cannot be read\n", seed.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", seed.filename().c_str(), bytes.size());
        std::fflush(stdout);
        runOne(bytes);
    }
    std::printf("%zu seeds replayed\n", seeds.size());
    return 0;
}
