#pragma once

#include <string>

#include "iohandler/IStreamOutputHandler.h"

namespace VekBenchmark {

// A log sink that drops every text, so the benchmark measures the client's own
// logging work (formatting, timestamps) but no terminal or file.
class DiscardingStreamOutputHandler final : public VekLibrary::IoHandler::IStreamOutputHandler {
public:
    void WriteOutput(const std::string& /*text*/) override {}
};

}  // namespace VekBenchmark
