#include "plugin/ThresholdRange.h"

#include <cstdlib>
#include <regex>

#include "plugin/XPluginUsageError.h"

namespace VekPlugin {

namespace {

// Plain decimal numbers only: strtod alone would also take "inf", "nan" and hex.
bool ParseNumber(const std::string& text, double& value) {
    static const std::regex kNumber("[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)");
    if (!std::regex_match(text, kNumber)) {
        return false;
    }
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

}  // namespace

ThresholdRange ThresholdRange::Parse(const std::string& text) {
    const auto invalid = [&text](const std::string& why) {
        return XPluginUsageError("invalid threshold range '" + text + "': " + why);
    };
    ThresholdRange range;
    range.text_ = text;
    std::string body = text;
    if (!body.empty() && body[0] == '@') {
        range.inside_ = true;
        body.erase(0, 1);
    }
    if (body.empty()) {
        throw invalid("empty");
    }
    const std::size_t colon = body.find(':');
    std::string start = colon == std::string::npos ? "" : body.substr(0, colon);
    const std::string end = colon == std::string::npos ? body : body.substr(colon + 1);
    if (start == "~") {
        range.startInfinite_ = true;
    } else if (!start.empty() && !ParseNumber(start, range.start_)) {
        throw invalid("start is not a number");
    }
    if (end.empty()) {
        if (colon == std::string::npos) {
            throw invalid("empty");
        }
        range.endInfinite_ = true;
    } else if (!ParseNumber(end, range.end_)) {
        throw invalid("end is not a number");
    }
    if (!range.startInfinite_ && !range.endInfinite_ && range.start_ > range.end_) {
        throw invalid("start is greater than end");
    }
    return range;
}

bool ThresholdRange::Alerts(double value) const {
    const bool aboveStart = startInfinite_ || value >= start_;
    const bool belowEnd = endInfinite_ || value <= end_;
    const bool within = aboveStart && belowEnd;
    return inside_ ? within : !within;
}

}  // namespace VekPlugin
