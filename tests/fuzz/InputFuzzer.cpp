// input_fuzzer: the probe's test input through the real SSH VEK command and the
// policy factory the program uses (fuzz/ProbeInputCheck.h). The first byte picks
// the form: even, the rest is the JSON line on standard input (no arguments); odd,
// the rest is the arguments after the program name, separated by NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzFault.h"
#include "fuzz/ProbeInputCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = VekFuzz::CheckInput(data, size);
    if (!fault.empty()) {
        VekFuzz::Fault(fault);
    }
    return 0;
}
