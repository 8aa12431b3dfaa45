// Loading a page of 20,000 commands with typical expressions (conditions,
// assignments, calls, component creations with their property expressions,
// message text), against reading the page file's bytes. The goal is well
// under one frame (16 ms) for such a page.
#include "base/Stream.h"
#include "engine/Page.h"
#include "engine/PageSource.h"
#include "platform/FileSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kCommands = 20000;

std::string pageSource() {
    static const char* const lines[] = {
        "Calc {count = count + 1}",
        "If {flag == TRUE}",
        "  Calc {s = IntToStr(count) ++ \"回目\"}",
        "Elseif {x > 3}",
        "  SetProp {\"bg\"} prop={11} value={alpha - 16}",
        "Else",
        "  Calc {arr[i, 2] = arr[i, 1] * 2 + 1}",
        "TextIns \"[font size=24]今日はいい天気ですね。[/font]\\r\\nそうですね。\" box={\"mes\"} wait={TRUE}",
        "ImgNew PR_NAME={\"bg\"} PR_SOURCE={\"bg\\room.pel\"} PR_LEFT={0} PR_TOP={0} PR_ALPHA={255} PR_PRIORITY={10}",
        "Wait time={500} blocked={FALSE}",
        "Call \"sub.nsb\" result=\"r\" args=[{score}, {hero ++ \"さん\"}]",
        "Jump \"next.nsb\" cond={r > 10 & count < 3}",
    };
    std::string text = "page version=116 result=int\n";
    for (int i = 0; i < kCommands; ++i)
        text += std::string(lines[i % std::size(lines)]) + "\n";
    return text;
}

struct Fixture {
    std::string path;
    int64_t size = 0;
    Fixture() {
        nuvo::TPage page;
        nuvo::readPageSource(pageSource(), page);
        nuvo::TKvMemoryStream out;
        page.SaveToStream(out);
        size = out.size();
        path = nuvo::platform::joinPath(nuvo::platform::processTempFolder(), "bench-page.nsb");
        nuvo::platform::writeFileAtomic(path, out.memory(), out.bytes().size());
    }
};

const Fixture& fixture() {
    static const Fixture f;
    return f;
}

void BM_ReadFileBytes(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        auto bytes = nuvo::readWholeFile(f.path);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * f.size);
}

void BM_LoadPage(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        nuvo::TKvMemoryStream s(nuvo::readWholeFile(f.path));
        nuvo::TPage page;
        page.LoadFromStream(s);
        benchmark::DoNotOptimize(page.Commands.Count());
    }
    state.SetBytesProcessed(state.iterations() * f.size);
    state.counters["commands"] = kCommands;
}

double minOf(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

} // namespace

BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);
BENCHMARK(BM_LoadPage)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", minOf);

// Rounds of the two are interleaved and repeated; compare their minima.
int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=12";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.insert(args.begin() + 1, {interleave.data(), repetitions.data(), aggregates.data()});
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
