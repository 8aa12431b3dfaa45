// Evaluation of compiled expressions against the variable table, one million
// statements per run, next to Lua 5.4 running the same statements (global
// variables, as ours are named entries of a table) in a loop. Rounds of ours
// and Lua alternate; the summary compares the fastest run of each.
// Compilation is measured on its own (our compiler against luaL_loadstring).
#include "script/NuvoParser.h"
#include "script/ParamCollection.h"
#include "script/ScriptContext.h"
#include "script/SysFuncMan.h"
#include "script/VariableDump.h"

#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kStatements = 1000000;
constexpr int kRounds = 7;

struct Statement {
    const char* name;
    const char* ours;
    const char* lua;
};

const Statement kStatementsUnderTest[] = {
    {"arith", "x = (a + 1) * 2 - b / 3", "x = (a + 1) * 2 - b // 3"},
    {"concat", "s = t ++ u", "s = t .. u"},
    {"element", "arr[i, 2] = i", "arr[i][3] = i"},
    {"call", "n = Length(t)", "n = string.len(t)"},
};

struct OurWorld {
    nuvo::TParamCollection vars;
    nuvo::TSysFuncMan functions;
    nuvo::ScriptContext ctx{vars, functions};
    OurWorld() {
        for (const char* spec : {"a:int=5", "b:int=7", "x:int", "s:str", "t:str=abc", "u:str=def", "arr[3,4]:int",
                                 "i:int=1", "n:int"})
            nuvo::declareVariable(vars, spec);
    }
};

lua_State* newLua() {
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    luaL_dostring(L, "a = 5 b = 7 x = 0 s = '' t = 'abc' u = 'def' i = 1 n = 0 "
                     "arr = {} for k = 0, 2 do arr[k] = {0, 0, 0, 0} end");
    return L;
}

void ours(benchmark::State& state, const Statement& st) {
    OurWorld world;
    auto parser = nuvo::compileExpression(st.ours);
    for (auto _ : state)
        for (int k = 0; k < kStatements; ++k) parser->Execute(world.ctx);
    state.SetItemsProcessed(state.iterations() * kStatements);
}

void lua(benchmark::State& state, const Statement& st) {
    lua_State* L = newLua();
    const std::string loop = std::string("for k = 1, ") + std::to_string(kStatements) + " do " + st.lua + " end";
    luaL_loadstring(L, loop.c_str());
    for (auto _ : state) {
        lua_pushvalue(L, -1);
        lua_call(L, 0, 0);
    }
    state.SetItemsProcessed(state.iterations() * kStatements);
    lua_close(L);
}

void oursCompile(benchmark::State& state, const Statement& st) {
    for (auto _ : state) benchmark::DoNotOptimize(nuvo::compileExpression(st.ours));
}

void luaCompile(benchmark::State& state, const Statement& st) {
    lua_State* L = luaL_newstate();
    for (auto _ : state) {
        luaL_loadstring(L, st.lua);
        lua_pop(L, 1);
    }
    lua_close(L);
}

// Keeps the fastest time per item of every benchmark family and prints the
// ratios after the runs.
class MinimaReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            // Evaluation runs are one batch of a million statements timed in
            // milliseconds, so the figure is also nanoseconds per statement;
            // compilation runs are timed in nanoseconds per compilation.
            const double perItem = r.GetAdjustedRealTime();
            const std::string family = r.run_name.function_name.substr(0, r.run_name.function_name.rfind('/'));
            auto [it, fresh] = minima_.emplace(family, perItem);
            if (!fresh && perItem < it->second) it->second = perItem;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nfastest run, ns per statement (evaluation) or per compilation:\n");
        for (const Statement& st : kStatementsUnderTest) {
            const double o = minima_[std::string("eval/") + st.name + "/ours"];
            const double l = minima_[std::string("eval/") + st.name + "/lua"];
            const double oc = minima_[std::string("compile/") + st.name + "/ours"];
            const double lc = minima_[std::string("compile/") + st.name + "/lua"];
            std::printf("  %-8s eval ours %7.1f  lua %7.1f  ratio %5.2f   compile ours %8.1f  lua %8.1f\n", st.name, o,
                        l, o / l, oc, lc);
        }
    }

private:
    std::map<std::string, double> minima_;
};

} // namespace

int main(int argc, char** argv) {
    for (int round = 0; round < kRounds; ++round) {
        for (const Statement& st : kStatementsUnderTest) {
            const std::string base = std::string("eval/") + st.name;
            benchmark::RegisterBenchmark((base + "/ours/" + std::to_string(round)).c_str(), ours, st)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark((base + "/lua/" + std::to_string(round)).c_str(), lua, st)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (int round = 0; round < 3; ++round) {
        for (const Statement& st : kStatementsUnderTest) {
            const std::string base = std::string("compile/") + st.name;
            benchmark::RegisterBenchmark((base + "/ours/" + std::to_string(round)).c_str(), oursCompile, st);
            benchmark::RegisterBenchmark((base + "/lua/" + std::to_string(round)).c_str(), luaCompile, st);
        }
    }
    benchmark::Initialize(&argc, argv);
    MinimaReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
