#pragma once

#include <getopt.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "iohandler/IInputParserAdapter.h"

namespace VekLibrary::IoHandler {

// Reads the command line with GNU getopt_long. Uses the process-wide getopt
// state, so only one parse may run at a time. The caller's argv array is never
// reordered: getopt permutes a private copy.
class CliInputParserAdapter final : public IInputParserAdapter {
public:
    ParsedOptionValues Parse(int argc, const char* const argv[],
                             const VekCommandOptionList& options) override;

    // Fills the getopt tables for `options` (the long option entries point into
    // the options' long flags) and returns the initial result: an empty
    // placeholder for every option required on the command line.
    ParsedOptionValues BuildGetoptStructures(const VekCommandOptionList& options,
                                             std::vector<option>& longOptions,
                                             std::string& shortOptions,
                                             std::unordered_map<char, bool>& takesValue) const;
};

}  // namespace VekLibrary::IoHandler
