// Serialising a result that carries a large captured output: time, throughput and
// how many output-sized buffers the serialisation holds at its peak.

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>

#include "app/SshTestResultSerializer.h"
#include "result/SshTestResult.h"
#include "serialization/NlohmannJsonWrapperFactory.h"

namespace {

// Heap bytes in use by operator new, and the highest value since the last reset.
std::atomic<std::size_t> gHeapInUse{0};
std::atomic<std::size_t> gHeapPeak{0};

void* CountedAllocate(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t inUse = gHeapInUse += malloc_usable_size(memory);
    std::size_t peak = gHeapPeak.load();
    while (inUse > peak && !gHeapPeak.compare_exchange_weak(peak, inUse)) {
    }
    return memory;
}

void CountedFree(void* memory) {
    if (memory != nullptr) {
        gHeapInUse -= malloc_usable_size(memory);
        std::free(memory);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return CountedAllocate(size);
}
void* operator new[](std::size_t size) {
    return CountedAllocate(size);
}
void operator delete(void* memory) noexcept {
    CountedFree(memory);
}
void operator delete[](void* memory) noexcept {
    CountedFree(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    CountedFree(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    CountedFree(memory);
}

namespace {

// Shell-like output: ASCII lines with the quotes and tabs JSON must escape, and
// some UTF-8 text.
std::string MakeOutput(std::size_t size, bool escapeHeavy) {
    const std::string line = escapeHeavy
                                 ? "\"k\"\t\x01\\\"v\"\r\n"
                                 : "drwxr-xr-x 2 root root 4096 Jan  1 00:00 \"caf\xc3\xa9\"\t"
                                   "/var/log/\xe2\x82\xac\n";
    std::string output;
    output.reserve(size + line.size());
    while (output.size() < size) {
        output += line;
    }
    output.resize(size);
    // Never end inside a multi-byte character.
    while (!output.empty() && (static_cast<unsigned char>(output.back()) & 0x80) != 0) {
        output.back() = '.';
    }
    return output;
}

Ssh::SshTestResult MakeResult(std::size_t outputSize, bool escapeHeavy) {
    using VekLibrary::VekDomain::Milliseconds;
    Ssh::SshTestResult result;
    result.SetTestId("benchmark");
    result.SetHostName("host.example");
    result.SetPortNumber(22);
    result.SetHostAddress("127.0.0.1");
    result.SetDnsDuration(Milliseconds(1));
    result.SetConnectDuration(Milliseconds(1));
    result.SetBannerExchangeDuration(Milliseconds(1));
    result.SetKeyExchangeDuration(Milliseconds(1));
    result.SetServiceRequestExchangeDuration(Milliseconds(1));
    result.SetAuthenticationDuration(Milliseconds(1));
    result.SetCommandExecutionDuration(Milliseconds(1));
    result.SetCommandExecutionReturnCode("0");
    result.SetCommandExecutionResult(MakeOutput(outputSize, escapeHeavy));
    result.SetCommandResultSize(outputSize);
    return result;
}

// `moved`: the result is handed over as the probe does, so its output moves into
// the document; otherwise the serializer copies it.
void Serialize(benchmark::State& state, bool escapeHeavy, bool moved) {
    const auto outputSize = static_cast<std::size_t>(state.range(0));
    const Ssh::SshTestResult result = MakeResult(outputSize, escapeHeavy);
    Ssh::SshTestResultSerializer serializer(
        std::make_shared<VekLibrary::Serialization::NlohmannJsonWrapperFactory>());

    std::size_t worstExtraHeap = 0;
    std::size_t documentSize = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Ssh::SshTestResult handedOver = result;
        state.ResumeTiming();
        const std::size_t before = gHeapInUse.load();
        gHeapPeak = before;
        std::string document = moved ? serializer.SerializeToJson(std::move(handedOver))
                                     : serializer.SerializeToJson(handedOver);
        documentSize = document.size();
        if (gHeapPeak.load() - before > worstExtraHeap) {
            worstExtraHeap = gHeapPeak.load() - before;
        }
        benchmark::DoNotOptimize(document);
        state.PauseTiming();
        document = std::string();
        handedOver = Ssh::SshTestResult();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(outputSize));
    // Beyond the result's own copy of the output, counted including the document
    // text and the storage it reserved.
    state.counters["peak_heap_in_outputs"] =
        static_cast<double>(worstExtraHeap) / static_cast<double>(outputSize);
    state.counters["document_bytes"] = static_cast<double>(documentSize);
}

void BM_SerializeShellOutput(benchmark::State& state) {
    Serialize(state, false, true);
}
void BM_SerializeEscapeHeavyOutput(benchmark::State& state) {
    Serialize(state, true, true);
}
void BM_SerializeKeptShellOutput(benchmark::State& state) {
    Serialize(state, false, false);
}

BENCHMARK(BM_SerializeShellOutput)->Arg(5000000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeEscapeHeavyOutput)->Arg(5000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeKeptShellOutput)->Arg(5000000)->Unit(benchmark::kMillisecond);

}  // namespace
