// Archive reads against their physical baselines, measured in the same run:
//  - loading every entry of a big archive of compressed picture-like entries,
//    against zlib inflating the same streams from memory;
//  - stored entries read through range streams, against read() of the same bytes;
//  - opening directories of 10,000, 100,000 and 1,000,000 names.
// Rounds of each pair are interleaved; the summary compares minima of CPU time.
// NUVO_BENCH_ARCHIVE_MB sets the size of the big archives (default 200).
#include "archive/ArchiveNames.h"
#include "archive/VrFileCollection.h"
#include "archive/VrFileManager.h"
#include "archive/ZlibCodec.h"
#include "base/KvRandom.h"
#include "platform/FileSystem.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>

using namespace nuvo;

namespace {

int64_t archiveMegabytes() {
    const char* v = std::getenv("NUVO_BENCH_ARCHIVE_MB");
    return v ? std::max(1, std::atoi(v)) : 200;
}

const std::string& workFolder() {
    static const std::string folder = platform::processTempFolder();
    return folder;
}

// A 512 x 512 RGBA picture: smooth gradients with a little noise, which
// compresses about as well as real artwork does.
std::vector<uint8_t> pictureLike(uint32_t seed) {
    std::vector<uint8_t> px(512 * 512 * 4);
    std::mt19937 gen(seed);
    const int fx = int(gen() % 7) + 1, fy = int(gen() % 5) + 1;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            uint8_t* p = &px[size_t(y * 512 + x) * 4];
            const uint32_t noise = gen();
            p[0] = uint8_t((x * fx + y) / 4 + (noise & 3));
            p[1] = uint8_t((y * fy) / 3 + (noise >> 8 & 3));
            p[2] = uint8_t((x + y * fx) / 5);
            p[3] = (x / 64 + y / 64) % 3 ? 255 : uint8_t(x ^ y);
        }
    return px;
}

struct CompressedSet {
    std::string path;
    std::vector<std::string> names;
    std::vector<std::vector<uint8_t>> streams; // the same zlib streams, in memory
    size_t largest = 0;
    int64_t plainBytes = 0;
};

const CompressedSet& compressedSet() {
    static const CompressedSet set = [] {
        CompressedSet s;
        s.path = workFolder() + "pictures.dat";
        TVrFileCollection a;
        std::vector<uint8_t> plain;
        int64_t packed = 0;
        const int64_t target = archiveMegabytes() << 20;
        for (uint32_t i = 0; packed < target; ++i) {
            plain = pictureLike(i);
            char name[32];
            std::snprintf(name, sizeof name, "cg\\pic%05u.bmp", i);
            TVrFile* e = a.AddMemoryEntry(name);
            e->Data->write(plain.data(), int64_t(plain.size()));
            s.names.push_back(name);
            packed += int64_t(deflateZlib(plain.data(), plain.size()).size());
            s.plainBytes += int64_t(plain.size());
        }
        TKvBigMemoryStream out;
        a.WriteArchive(out);
        platform::writeFileAtomic(s.path, out.Memory().memory(), size_t(out.GetSize()));
        TVrFileCollection back;
        back.Open(s.path);
        for (const std::string& n : s.names) {
            s.streams.push_back(back.ReadStoredBytes(*back.FindItem(n)));
            s.largest = std::max<size_t>(s.largest, 512 * 512 * 4);
        }
        return s;
    }();
    return set;
}

void BM_LoadCompressedEntries(benchmark::State& state) {
    const CompressedSet& set = compressedSet();
    TVrFileManager manager(nullptr, nullptr);
    manager.AddArchive(set.path);
    TKvMemoryStream out;
    for (auto _ : state) {
        for (const std::string& n : set.names) {
            manager.LoadToStream(out, n);
            benchmark::DoNotOptimize(out.memory());
        }
    }
    state.SetBytesProcessed(state.iterations() * set.plainBytes);
}

void BM_ZlibInflateFromMemory(benchmark::State& state) {
    const CompressedSet& set = compressedSet();
    std::vector<uint8_t> out(set.largest);
    for (auto _ : state) {
        for (const auto& stream : set.streams) {
            uLongf n = out.size();
            if (uncompress(out.data(), &n, stream.data(), stream.size()) != Z_OK) state.SkipWithError("inflate");
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * set.plainBytes);
}

struct StoredSet {
    std::string path;
    std::vector<std::string> names;
    std::vector<std::pair<int64_t, int64_t>> ranges; // offset, size
    int64_t total = 0;
};

const StoredSet& storedSet() {
    static const StoredSet set = [] {
        StoredSet s;
        const std::string src = workFolder() + "media/";
        std::filesystem::create_directories(src);
        TVrFileCollection a;
        std::mt19937 gen(7);
        std::vector<uint8_t> bytes(2 << 20);
        for (int i = 0; s.total < (archiveMegabytes() << 20); ++i) {
            for (auto& b : bytes) b = uint8_t(gen());
            char name[32];
            std::snprintf(name, sizeof name, "bgm%04d.ogg", i);
            platform::writeFileAtomic(src + name, bytes.data(), bytes.size());
            a.AddEntry(name)->SourcePath = std::make_unique<std::string>(src + name);
            s.names.push_back(name);
            s.total += int64_t(bytes.size());
        }
        TKvBigMemoryStream out;
        a.WriteArchive(out);
        s.path = workFolder() + "media.dat";
        platform::writeFileAtomic(s.path, out.Memory().memory(), size_t(out.GetSize()));
        std::filesystem::remove_all(src);
        TVrFileCollection back;
        back.Open(s.path);
        for (const std::string& n : s.names) {
            const TVrFile* e = back.FindItem(n);
            s.ranges.emplace_back(e->Offset, e->Size);
        }
        return s;
    }();
    return set;
}

constexpr size_t kChunk = 64 << 10;

void BM_RangeStreamStored(benchmark::State& state) {
    const StoredSet& set = storedSet();
    TVrFileManager manager(nullptr, nullptr);
    manager.AddArchive(set.path);
    std::vector<char> buf(kChunk);
    for (auto _ : state) {
        for (const std::string& n : set.names) {
            auto range = manager.OpenRangeStream(n);
            while (range->read(buf.data(), int64_t(kChunk)) > 0) benchmark::DoNotOptimize(buf.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * set.total);
}

void BM_ReadSyscallStored(benchmark::State& state) {
    const StoredSet& set = storedSet();
    const int fd = open(set.path.c_str(), O_RDONLY);
    std::vector<char> buf(kChunk);
    for (auto _ : state) {
        for (const auto& [offset, size] : set.ranges) {
            lseek(fd, offset, SEEK_SET);
            int64_t left = size;
            while (left > 0) {
                const ssize_t n = read(fd, buf.data(), size_t(std::min<int64_t>(left, int64_t(kChunk))));
                if (n <= 0) break;
                left -= n;
                benchmark::DoNotOptimize(buf.data());
            }
        }
    }
    close(fd);
    state.SetBytesProcessed(state.iterations() * set.total);
}

// A version-102 directory of count names and empty entries, as a file.
const std::string& directoryFile(int64_t count) {
    static std::map<int64_t, std::string> files;
    auto& path = files[count];
    if (!path.empty()) return path;
    std::vector<std::string> entryNames;
    char name[48];
    for (int64_t i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "event\\chapter%02d\\scene%07lld.nsb", int(i % 40), static_cast<long long>(i));
        entryNames.emplace_back(name);
    }
    TKvBigMemoryStream out;
    out.Write("vf", 2);
    const int32_t version = 102, n = int32_t(count);
    out.Write(&version, 4);
    out.Write(&n, 4);
    TKvRandom names(ArchiveSeed);
    for (int64_t i = 0; i < count; ++i) {
        std::string s = entryNames[size_t(i)];
        for (char& c : s) c = char(c ^ (names.Next() & 0xFF));
        const int32_t len = int32_t(s.size());
        out.Write(&len, 4);
        out.Write(s.data(), len);
    }
    const int64_t end = out.GetPosition() + (count + 1) * 8 + count * 10;
    TKvRandom offsets(ArchiveSeed);
    for (int64_t i = 0; i <= count; ++i) {
        const int64_t o = end ^ int64_t(offsets.Next());
        out.Write(&o, 8);
    }
    std::vector<uint8_t> zeros(size_t(count) * 10);
    out.Write(zeros.data(), int64_t(zeros.size()));
    path = workFolder() + "dir" + std::to_string(count) + ".dat";
    platform::writeFileAtomic(path, out.Memory().memory(), size_t(out.GetSize()));
    return path;
}

void BM_OpenDirectory(benchmark::State& state) {
    const std::string& path = directoryFile(state.range(0));
    for (auto _ : state) {
        TVrFileCollection a;
        a.Open(path);
        benchmark::DoNotOptimize(a.Count());
        // Freeing is not part of opening. Every round then starts from memory
        // given back to the system, as a player opening its archive does,
        // whatever the count (the allocator would otherwise keep small heaps
        // warm and hand the big one back).
        state.PauseTiming();
        a.Clear();
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

double minOf(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

// Prints the ratios of minima once every run is in.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "min")
                minima_[r.run_name.function_name + (r.run_name.args.empty() ? "" : "/" + r.run_name.args)] =
                    r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto ratio = [&](const char* ours, const char* base) {
            if (minima_.count(ours) && minima_.count(base))
                std::printf("%-28s / %-28s = %.3f\n", ours, base, minima_[ours] / minima_[base]);
        };
        // CPU time: on a shared machine the wall clock also counts the time
        // spent waiting for a core.
        std::printf("\nRatios of minima of CPU time (lower is better):\n");
        ratio("BM_LoadCompressedEntries", "BM_ZlibInflateFromMemory");
        ratio("BM_RangeStreamStored", "BM_ReadSyscallStored");
        const double t10k = minima_["BM_OpenDirectory/10000"], t100k = minima_["BM_OpenDirectory/100000"],
                     t1m = minima_["BM_OpenDirectory/1000000"];
        if (t10k > 0 && t100k > 0 && t1m > 0)
            std::printf("directory per name: 10k %.1f ns, 100k %.1f ns, 1M %.1f ns\n", t10k * 1e6 / 1e4,
                        t100k * 1e6 / 1e5, t1m * 1e6 / 1e6);
    }

private:
    std::map<std::string, double> minima_;
};

} // namespace

BENCHMARK(BM_LoadCompressedEntries)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);
BENCHMARK(BM_ZlibInflateFromMemory)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);
BENCHMARK(BM_RangeStreamStored)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);
BENCHMARK(BM_ReadSyscallStored)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);
BENCHMARK(BM_OpenDirectory)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", minOf);

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=12";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {interleave.data(), repetitions.data(), aggregates.data()});
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
