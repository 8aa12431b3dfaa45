// The data tables on 10,000 records, through the script functions as a title
// calls them, next to what a plain C++ program would do with the same
// records in an array of structs:
//  - DBLocate of the last record by an integer, by a whole text and by a part
//    of a text without regard to case, against a loop over the array;
//  - DBSort by a real and by a text, against std::sort of the array.
// Rounds of ours and the baseline alternate; the summary compares the
// fastest round of each.
#include "base/Stream.h"
#include "script/DBFunctions.h"
#include "script/DBManager.h"
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 10000;
constexpr int kRounds = 9;

struct Record {
    int32_t id;
    long double score;
    char name[16];
    bool done;
};

std::vector<Record> makeRecords() {
    std::mt19937 gen(42);
    std::vector<Record> records(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        Record& r = records[static_cast<size_t>(i)];
        r.id = i;
        r.score = static_cast<long double>(gen() % 100000) / 8;
        std::snprintf(r.name, sizeof r.name, "%s%05u", gen() & 1 ? "Name" : "name",
                      static_cast<unsigned>(gen() % 100000));
        if (i == kRecords - 1) std::snprintf(r.name, sizeof r.name, "Name-last");
        r.done = gen() & 1;
    }
    return records;
}

const std::vector<Record>& records() {
    static const std::vector<Record> r = makeRecords();
    return r;
}

struct World {
    nuvo::TParamCollection vars;
    nuvo::TSysFuncMan functions;
    nuvo::ScriptContext ctx{vars, functions};
    nuvo::TDBManager tables;
    nuvo::TKvMemoryStream snapshot;

    World() {
        nuvo::installDBFunctions(functions, tables);
        tables.CreateTable("t", false);
        nuvo::TDBTable& t = *tables.ActiveTable();
        t.AddField("id", nuvo::PT_INT, 0);
        t.AddField("score", nuvo::PT_FLOAT, 0);
        t.AddField("name", nuvo::PT_STR, 15);
        t.AddField("done", nuvo::PT_BOOL, 0);
        for (const Record& r : records()) {
            t.Append();
            t.SetInt(t.RecNo(), 0, r.id);
            t.SetFloat(t.RecNo(), 1, r.score);
            t.SetStr(t.RecNo(), 2, r.name);
            t.SetBool(t.RecNo(), 3, r.done);
        }
        tables.SaveTables(snapshot, false);
    }
    void restore() {
        snapshot.setPosition(0);
        tables.LoadTables(snapshot, false);
    }
};

World& world() {
    static World w;
    return w;
}

bool upperContains(const char* s, const char* t) {
    char folded[16];
    size_t n = 0;
    for (; s[n] && n < sizeof folded - 1; ++n)
        folded[n] = static_cast<char>(s[n] >= 'a' && s[n] <= 'z' ? s[n] - 32 : s[n]);
    folded[n] = 0;
    return std::strstr(folded, t) != nullptr;
}

// The baselines' tests and orders are lambdas of their own types, so the
// loops and std::sort inline them as a C++ program would.
constexpr auto kById = [](const Record& r) { return r.id == 9999; };
constexpr auto kByName = [](const Record& r) { return std::strcmp(r.name, "Name-last") == 0; };
constexpr auto kByPart = [](const Record& r) { return upperContains(r.name, "E-LAST"); };
constexpr auto kScoreOrder = [](const Record& a, const Record& b) { return a.score < b.score; };
constexpr auto kNameOrder = [](const Record& a, const Record& b) { return std::strcmp(a.name, b.name) < 0; };

struct Search {
    const char* name;
    const char* expression;
    void (*baseline)(benchmark::State&);
};

template <class Test> void baseLocate(benchmark::State& state) {
    const std::vector<Record>& rs = records();
    for (auto _ : state) {
        int found = -1;
        for (size_t i = 0; i < rs.size(); ++i)
            if (Test{}(rs[i])) {
                found = static_cast<int>(i);
                break;
            }
        benchmark::DoNotOptimize(found);
        if (found < 0) state.SkipWithError("not found");
    }
}

const Search kSearches[] = {
    {"int", "DBLocate(\"id\", 9999)", baseLocate<decltype(kById)>},
    {"text", "DBLocate(\"name\", \"Name-last\")", baseLocate<decltype(kByName)>},
    {"part-nocase", "DBLocate(\"name\", \"e-LAST\", TRUE, TRUE)", baseLocate<decltype(kByPart)>},
};

struct Order {
    const char* name;
    const char* expression;
    void (*baseline)(benchmark::State&);
};

template <class Less> void baseSort(benchmark::State& state) {
    std::vector<Record> rs;
    for (auto _ : state) {
        state.PauseTiming();
        rs = records();
        state.ResumeTiming();
        std::sort(rs.begin(), rs.end(), Less{});
        benchmark::DoNotOptimize(rs.data());
    }
}

const Order kOrders[] = {
    {"real", "DBSort(\"score\", FALSE)", baseSort<decltype(kScoreOrder)>},
    {"text", "DBSort(\"name\", FALSE)", baseSort<decltype(kNameOrder)>},
};

void oursLocate(benchmark::State& state, const Search& s) {
    World& w = world();
    w.restore();
    auto parser = nuvo::compileExpression(s.expression);
    for (auto _ : state) {
        parser->Execute(w.ctx);
        if (!parser->Result() || !parser->Result()->AsBool()) state.SkipWithError("not found");
    }
}

void oursSort(benchmark::State& state, const Order& o) {
    World& w = world();
    auto parser = nuvo::compileExpression(o.expression);
    for (auto _ : state) {
        state.PauseTiming();
        w.restore();
        state.ResumeTiming();
        parser->Execute(w.ctx);
    }
}

// Keeps the fastest round of every family and prints the ratios at the end.
class MinimaReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const double t = r.GetAdjustedRealTime();
            const std::string family = r.run_name.function_name.substr(0, r.run_name.function_name.rfind('/'));
            auto [it, fresh] = minima_.emplace(family, t);
            if (!fresh && t < it->second) it->second = t;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nfastest round, microseconds per call on %d records:\n", kRecords);
        for (const Search& s : kSearches)
            print(std::string("locate/") + s.name);
        for (const Order& o : kOrders)
            print(std::string("sort/") + o.name);
    }

private:
    void print(const std::string& family) {
        const double ours = minima_[family + "/ours"], base = minima_[family + "/base"];
        std::printf("  %-20s ours %9.1f  baseline %9.1f  ratio %5.2f\n", family.c_str(), ours, base, ours / base);
    }
    std::map<std::string, double> minima_;
};

} // namespace

int main(int argc, char** argv) {
    for (int round = 0; round < kRounds; ++round) {
        const std::string n = "/" + std::to_string(round);
        for (const Search& s : kSearches) {
            const std::string base = std::string("locate/") + s.name;
            benchmark::RegisterBenchmark((base + "/ours" + n).c_str(), oursLocate, s)
                ->Iterations(400)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((base + "/base" + n).c_str(), s.baseline)
                ->Iterations(400)
                ->Unit(benchmark::kMicrosecond);
        }
        for (const Order& o : kOrders) {
            const std::string base = std::string("sort/") + o.name;
            benchmark::RegisterBenchmark((base + "/ours" + n).c_str(), oursSort, o)
                ->Iterations(40)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark((base + "/base" + n).c_str(), o.baseline)
                ->Iterations(40)
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::Initialize(&argc, argv);
    MinimaReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
