#pragma once

#include <string>
#include <utility>
#include <vector>

namespace VekExporter {

using Labels = std::vector<std::pair<std::string, std::string>>;

// Writes metrics in the Prometheus text exposition format (version 0.0.4): a
// "# HELP" and a "# TYPE" line per family, then its samples. Label values are
// escaped as the format demands (backslash, double quote, line feed), HELP texts
// likewise (backslash, line feed). Callers write each family's samples right
// after its Family call, and each family once.
class Exposition final {
public:
    static constexpr const char* kContentType = "text/plain; version=0.0.4; charset=utf-8";

    void Family(const std::string& name, const std::string& type, const std::string& help);
    void Sample(const std::string& name, const Labels& labels, double value);
    void Sample(const std::string& name, double value) { Sample(name, {}, value); }

    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// A label value escaped for the text format, without the surrounding quotes.
std::string EscapeLabelValue(const std::string& value);

// A sample value as the text format writes it: the shortest text that reads back
// as the same double, "NaN", "+Inf" or "-Inf".
std::string FormatSampleValue(double value);

}  // namespace VekExporter
