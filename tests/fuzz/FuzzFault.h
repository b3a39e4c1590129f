#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <typeinfo>

// Reporting a broken promise from a fuzz target: libFuzzer saves the input as a
// crash when the process aborts, so every fault ends in abort().
namespace VekFuzz {

[[noreturn]] inline void Fault(const std::string& what) {
    std::fprintf(stderr, "Fuzz fault: %s\n", what.c_str());
    std::abort();
}

[[noreturn]] inline void Fault(const std::string& what, const std::exception& error) {
    Fault(what + ": " + typeid(error).name() + ": " + error.what());
}

}  // namespace VekFuzz
