#pragma once

#include <string>

namespace VekPlugin {

// A threshold range of the Monitoring Plugins Development Guidelines:
// "[@]start:end", where "10" means 0:10, "10:" has no upper end, "~" is minus
// infinity, and a value outside the range alerts - or, with the leading "@", a
// value inside it (both ends included).
class ThresholdRange final {
public:
    // Throws XPluginUsageError naming `text` when it is not a range, or start > end.
    static ThresholdRange Parse(const std::string& text);

    bool Alerts(double value) const;
    // The range as given, for the performance data.
    const std::string& Text() const { return text_; }

private:
    ThresholdRange() = default;

    std::string text_;
    double start_ = 0;
    double end_ = 0;
    bool startInfinite_ = false;
    bool endInfinite_ = false;
    bool inside_ = false;
};

}  // namespace VekPlugin
