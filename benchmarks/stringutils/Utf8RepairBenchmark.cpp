// Checking and repairing 5 MB of captured output: the session runs the check on
// every output before it serialises the document, and the repair when the check
// fails.

#include <cstddef>
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "stringutils/Utf8Repair.h"

namespace {

constexpr std::size_t kOutputBytes = 5000000;

// `line` repeated up to kOutputBytes.
std::string Output(const std::string& line) {
    std::string text;
    text.reserve(kOutputBytes + line.size());
    while (text.size() < kOutputBytes) {
        text += line;
    }
    return text;
}

void BM_CheckAsciiOutput(benchmark::State& state) {
    const std::string text = Output("drwxr-xr-x  2 root root 4096 Dec  8 12:35 benchmarks\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(VekLibrary::StringUtilities::FindInvalidUtf8(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_CheckUtf8Output(benchmark::State& state) {
    const std::string text = Output(
        "Gr\xC3\xB6\xC3\x9F"
        "e: 42 \xE2\x82\xAC, Stra\xC3\x9F"
        "e \xF0\x9F\x93\xA6\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(VekLibrary::StringUtilities::FindInvalidUtf8(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_RepairLatin1Output(benchmark::State& state) {
    const std::string text = Output(
        "Gr\xFC\xDF"
        "e: 42, Stra\xDF"
        "e, caf\xE9 and plain ASCII text\n");
    for (auto _ : state) {
        benchmark::DoNotOptimize(VekLibrary::StringUtilities::ToValidUtf8(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_CheckAsciiOutput)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckUtf8Output)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepairLatin1Output)->Unit(benchmark::kMillisecond);

}  // namespace
