// Time per keystroke of the calculator engine, with a panel that shows
// nothing: what remains is entry, stack work and number formatting.
#include <benchmark/benchmark.h>

#include <random>

#include "calc_stack.h"
#include "torva_ids.h"

namespace {

void Clear()
{
    calculator.Key(CMD_CLEAR);
}

// Reports the time per key as the counter "per_key" (in seconds, shown
// with an SI prefix: "46n" is 46 ns).
void CountKeys(benchmark::State& state, double keysPerIteration)
{
    state.counters["per_key"] =
        benchmark::Counter(keysPerIteration * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// (a) Typing a 12-digit number; a drop after it keeps the stack empty.
void TypeTwelveDigits(benchmark::State& state)
{
    const char* digits = "314159265358";
    Clear();
    for (auto _ : state) {
        for (const char* p = digits; *p; ++p)
            calculator.Key(static_cast<unsigned char>(*p));
        calculator.Key(CMD_DROP);
    }
    CountKeys(state, 13);
}
BENCHMARK(TypeTwelveDigits);

// (b) A binary operation with all four lines in use: sums of fractions,
// so every line needs the full formatting. The stack is refilled outside
// the timing every 1000 operations.
void BinaryOperationOnFullDisplay(benchmark::State& state)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> fraction(0.1, 1.0);
    int left = 0;
    for (auto _ : state) {
        if (left == 0) {
            state.PauseTiming();
            Clear();
            for (int i = 0; i < kStackCapacity; ++i) {
                int ignored = 0;
                calculator.Push("", fraction(random), ignored, 0);
            }
            left = 1000;
            state.ResumeTiming();
        }
        calculator.Key(CMD_ADD);
        --left;
    }
    CountKeys(state, 1);
}
BENCHMARK(BinaryOperationOnFullDisplay);

// (c) Filling the stack: "." "7" pushes 0.7, 1023 Enters duplicate it,
// and one Clear empties the stack again.
void FillAndClearStack(benchmark::State& state)
{
    Clear();
    for (auto _ : state) {
        calculator.Key(CMD_POINT);
        calculator.Key(CMD_DIGIT_7);
        for (int i = 1; i < kStackCapacity; ++i)
            calculator.Key(CMD_ENTER);
        Clear();
    }
    CountKeys(state, 2 + (kStackCapacity - 1) + 1);
}
BENCHMARK(FillAndClearStack);

// The formatting alone, for a value of each kind.
void FormatValue(benchmark::State& state, double value)
{
    char text[kNumberTextSize];
    for (auto _ : state) {
        CalcStack::FormatValue(value, text);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK_CAPTURE(FormatValue, integer, 1234.0);
BENCHMARK_CAPTURE(FormatValue, fraction, 2.0 / 3);
BENCHMARK_CAPTURE(FormatValue, large, 1.5e150);
BENCHMARK_CAPTURE(FormatValue, subnormal, 4.9406564584124654e-324);

}  // namespace

BENCHMARK_MAIN();
