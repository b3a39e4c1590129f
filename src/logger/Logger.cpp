#include "logger/Logger.h"

#include <sstream>
#include <utility>
#include <vector>

#include "domain/Exceptions.h"
#include "stringutils/StringOperations.h"

namespace VekLibrary::VekLogger {

using StringUtilities::ToLowerCopy;

namespace {

constexpr std::string_view kMaskedLine = ">>MASKED<<";

const char* LevelText(LogLevelEnum level) {
    switch (level) {
        case LogLevelEnum::Debug:
            return "DBG";
        case LogLevelEnum::Info:
            return "INF";
        case LogLevelEnum::Warning:
            return "WRN";
        case LogLevelEnum::Error:
            return "ERR";
    }
    return "UNKNOWN";
}

// "C" locale classes, applied per byte whatever the process locale is.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Narrows [begin, end) of `text` so that it neither starts nor ends with whitespace.
void TrimRange(std::string_view text, size_t& begin, size_t& end) {
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
}

// For every byte of `lowerText`, whether it lies inside an occurrence of a hint.
// Occurrences are searched in the whole message rather than per line, so a hint
// that contains a line feed or starts or ends with whitespace is caught too.
std::vector<bool> MarkHintOccurrences(const std::string& lowerText,
                                      const std::unordered_set<std::string>& hints) {
    std::vector<int> coverageDelta(lowerText.size() + 1, 0);
    for (const std::string& hint : hints) {
        for (size_t at = lowerText.find(hint); at != std::string::npos;
             at = lowerText.find(hint, at + 1)) {
            ++coverageDelta[at];
            --coverageDelta[at + hint.size()];
        }
    }
    std::vector<bool> covered(lowerText.size(), false);
    int depth = 0;
    for (size_t i = 0; i < lowerText.size(); ++i) {
        depth += coverageDelta[i];
        covered[i] = depth > 0;
    }
    return covered;
}

}  // namespace

Logger::Logger(std::shared_ptr<IoHandler::IStreamOutputHandler> stderrHandler,
               std::shared_ptr<const ITimestampProvider> timestampProvider)
    : stderrHandler_(std::move(stderrHandler)), timestampProvider_(std::move(timestampProvider)) {
    if (!stderrHandler_) {
        throw XBrokenInvariantsError("STDERR output handler cannot be null.");
    }
    if (!timestampProvider_) {
        throw XBrokenInvariantsError("Timestamp provider cannot be null.");
    }
}

bool Logger::IsBelowCutoff(LogLevelEnum level) const {
    return static_cast<int>(level) < static_cast<int>(cutoff_);
}

void Logger::WriteLog(LogLevelEnum level, std::string_view message) {
    if (IsBelowCutoff(level)) {
        return;
    }
    std::ostringstream line;
    line << timestampProvider_->GetNow() << " [" << LevelText(level) << "][ID=" << loggerId_ << "] "
         << message << '\n';
    stderrHandler_->WriteOutput(line.str());
}

void Logger::WriteSanitizedLog(LogLevelEnum level, std::string_view message) {
    if (IsBelowCutoff(level)) {
        return;
    }
    size_t begin = 0;
    size_t end = message.size();
    TrimRange(message, begin, end);
    if (begin == end) {
        return;
    }
    if (sanitizationHints_.empty()) {
        WriteLog(level, message.substr(begin, end - begin));
        return;
    }

    // Hints are matched on the untrimmed message: a line is masked when any byte it
    // would print belongs to an occurrence of a hint. For hints without line feeds
    // and without outer whitespace this is the same as testing each trimmed line.
    const std::vector<bool> covered = MarkHintOccurrences(ToLowerCopy(message), sanitizationHints_);

    std::ostringstream text;
    bool firstLine = true;
    size_t lineBegin = begin;
    while (lineBegin <= end) {
        size_t lineEnd = message.find('\n', lineBegin);
        if (lineEnd == std::string_view::npos || lineEnd > end) {
            lineEnd = end;
        }
        size_t pieceBegin = lineBegin;
        size_t pieceEnd = lineEnd;
        TrimRange(message, pieceBegin, pieceEnd);
        if (pieceBegin < pieceEnd) {
            if (!firstLine) {
                text << '\n';
            }
            firstLine = false;
            bool masked = false;
            for (size_t i = pieceBegin; i < pieceEnd && !masked; ++i) {
                masked = covered[i];
            }
            if (masked) {
                text << kMaskedLine;
            } else {
                text << message.substr(pieceBegin, pieceEnd - pieceBegin);
            }
        }
        lineBegin = lineEnd + 1;
    }
    WriteLog(level, text.str());
}

void Logger::SetSanitizationHints(const std::unordered_set<std::string>& hints) {
    std::unordered_set<std::string> prepared;
    for (const std::string& hint : hints) {
        if (!hint.empty()) {
            prepared.insert(ToLowerCopy(hint));
        }
    }
    sanitizationHints_ = std::move(prepared);
}

void Logger::SetLogLevelCutoff(LogLevelEnum level) {
    cutoff_ = level;
}

LogLevelEnum Logger::GetLogLevelCutoff() const {
    return cutoff_;
}

void Logger::SetLoggerId(std::string_view id) {
    loggerId_ = std::string(id);
}

const std::string& Logger::GetLoggerId() const {
    return loggerId_;
}

}  // namespace VekLibrary::VekLogger
