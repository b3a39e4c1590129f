#pragma once

#include <string>
#include <unordered_map>

#include "iohandler/IVekCommandOption.h"

namespace VekLibrary::IoHandler {

// Short flag -> value text. An empty text is the placeholder of a required
// option that was not provided; the command reports it.
using ParsedOptionValues = std::unordered_map<char, std::string>;

// Turns one invocation's input (the command line, or a JSON document on standard
// input) into one value text per short flag. A parser enforces only what it
// alone can see; rules spanning options are the command's. The options are
// borrowed for the call.
class IInputParserAdapter {
public:
    virtual ~IInputParserAdapter() = default;

    // Throws XInvalidTestInputError for bad input.
    virtual ParsedOptionValues Parse(int argc, const char* const argv[],
                                     const VekCommandOptionList& options) = 0;
};

}  // namespace VekLibrary::IoHandler
