#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Drives arbitrary input through the probe's command the way the program does.
// Each check returns an empty text when the input either parsed (and the parsed
// values keep the command's promises) or was refused with the framework's own
// XInvalidTestInputError; otherwise it describes the fault. Memory faults are
// left to the sanitizers.
namespace VekLibrary::IoHandler::Fuzzing {

// `line` arrives as the JSON document on standard input.
std::string CheckJsonLine(const std::string& line);
// `arguments` follow the program name on the command line.
std::string CheckCommandLine(const std::vector<std::string>& arguments);
// The first byte chooses the mode; the rest is the line, or the arguments
// separated by NUL bytes.
std::string CheckInput(const std::uint8_t* data, std::size_t size);

}  // namespace VekLibrary::IoHandler::Fuzzing
