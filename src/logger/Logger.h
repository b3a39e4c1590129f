#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "iohandler/IStreamOutputHandler.h"
#include "logger/ILogger.h"
#include "logger/ITimestampProvider.h"

namespace VekLibrary::VekLogger {

// Writes each call as one text through the output handler, which flushes it at
// once: "<timestamp> [<LVL>][ID=<id>] <message>\n". Nothing is buffered here.
class Logger final : public ILogger {
public:
    // Throws XBrokenInvariantsError when either collaborator is null.
    Logger(std::shared_ptr<IoHandler::IStreamOutputHandler> stderrHandler,
           std::shared_ptr<const ITimestampProvider> timestampProvider);

    void WriteLog(LogLevelEnum level, std::string_view message) override;
    void WriteSanitizedLog(LogLevelEnum level, std::string_view message) override;
    void SetSanitizationHints(const std::unordered_set<std::string>& hints) override;
    void SetLogLevelCutoff(LogLevelEnum level) override;
    LogLevelEnum GetLogLevelCutoff() const override;
    void SetLoggerId(std::string_view id) override;
    const std::string& GetLoggerId() const override;

private:
    bool IsBelowCutoff(LogLevelEnum level) const;

    std::shared_ptr<IoHandler::IStreamOutputHandler> stderrHandler_;
    std::shared_ptr<const ITimestampProvider> timestampProvider_;
    std::string loggerId_;
    LogLevelEnum cutoff_ = LogLevelEnum::Info;
    // Non-empty and lower case (ASCII); the masking compares lower-cased text against them.
    std::unordered_set<std::string> sanitizationHints_;
};

}  // namespace VekLibrary::VekLogger
