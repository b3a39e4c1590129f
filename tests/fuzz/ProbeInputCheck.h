#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Drives arbitrary input through the probe's own "SSH VEK" command definition and
// policy factory, with the program's own choice of parser (a JSON line on standard
// input for no arguments, the command line otherwise). Shared by input_fuzzer and
// the randomized test of the suite, so both check the definition the probe ships.
// Each check returns an empty text when the input either parsed (and what it gave
// keeps the promises the rest of the program relies on) or was refused with
// XInvalidTestInputError; otherwise it describes the fault. Memory faults are left
// to the sanitizers. Not thread-safe: the checks share one harness.
namespace VekFuzz {

// `line` arrives as the JSON document on standard input (no arguments).
std::string CheckJsonLine(const std::string& line);
// `arguments` follow the program name on the command line.
std::string CheckCommandLine(const std::vector<std::string>& arguments);
// The first byte chooses the form: even, the rest is the JSON line; odd, the rest
// is the arguments, separated by NUL bytes.
std::string CheckInput(const std::uint8_t* data, std::size_t size);

}  // namespace VekFuzz
