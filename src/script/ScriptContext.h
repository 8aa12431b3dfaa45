// What the expression evaluator and the built-in functions need from the rest
// of the program: the variable table, the function dispatcher (whose handlers
// the higher layers fill in for components, files, the system and tables), the
// clock and the Random generator's state. One per program; tests and fuzz
// targets make their own. Everything here is borrowed except the small
// per-context caches.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace nuvo {

class TParamCollection;
class TParamCollectionItem;
class TSysFuncMan;

namespace platform {
class IClock;
}

class ScriptContext {
public:
    ScriptContext(TParamCollection& vars, TSysFuncMan& functions, platform::IClock* clock = nullptr);
    ~ScriptContext();
    ScriptContext(const ScriptContext&) = delete;
    ScriptContext& operator=(const ScriptContext&) = delete;

    TParamCollection& Vars;
    TSysFuncMan& Functions;
    // Distinct for every context ever made, so that what an expression
    // remembers about one context's table is never taken for another's.
    const uint64_t Id;
    // Numbers the evaluations run in this context.
    uint64_t EvaluationSerial = 0;
    // The program clock; none in contexts that never ask for the time.
    platform::IClock* Clock;

    // The Random function's generator: seed := seed * 134775813 + 1.
    uint32_t RandSeed = 0;
    // Sets RandSeed to the milliseconds since midnight of the clock's time, as
    // the player does once at start-up. Without a clock the seed stays.
    void SeedRandomFromClock();

    // Evaluations in progress (Calc inside an evaluation nests them); a
    // nested evaluation beyond kMaxEvaluationDepth fails.
    static constexpr int kMaxEvaluationDepth = 32;
    int EvaluationDepth = 0;
    // Texts compiled and run by Calc since the outermost evaluation began, and
    // their bytes; past either bound Calc fails, so that no text can make an
    // evaluation run without end.
    static constexpr uint32_t kMaxNestedRuns = 4096;
    static constexpr uint64_t kMaxNestedBytes = 1u << 20;
    uint32_t NestedRuns = 0;
    uint64_t NestedBytes = 0;

    // Recycled temporary entries, so that an evaluation allocates nothing in
    // the common case (used by the evaluator only).
    std::unique_ptr<TParamCollectionItem> TakeSpareEntry(uint8_t typeCode);
    void ReturnSpareEntry(std::unique_ptr<TParamCollectionItem> entry, uint8_t typeCode);
    // Puts a used temporary entry of that type back to the state of a new one;
    // false when it is not worth keeping (it grew into an array).
    static bool ResetSpareEntry(TParamCollectionItem& entry, uint8_t typeCode);

private:
    static constexpr size_t kMaxSparePerType = 32;
    std::vector<std::unique_ptr<TParamCollectionItem>> spares_[5];
};

} // namespace nuvo
