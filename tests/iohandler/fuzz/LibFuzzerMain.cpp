// libFuzzer entry point; built only by the optional iohandler_fuzzer target
// (clang with -fsanitize=fuzzer).
#include <cstdio>
#include <cstdlib>

#include "InputFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = VekLibrary::IoHandler::Fuzzing::CheckInput(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "Input fault: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
