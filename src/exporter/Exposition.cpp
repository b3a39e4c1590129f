#include "exporter/Exposition.h"

#include <charconv>
#include <cmath>

namespace VekExporter {

std::string EscapeLabelValue(const std::string& value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '"':
                escaped += "\\\"";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string FormatSampleValue(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void Exposition::Family(const std::string& name, const std::string& type, const std::string& help) {
    std::string escapedHelp;
    for (const char c : help) {
        escapedHelp += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    }
    text_ += "# HELP " + name + " " + escapedHelp + "\n# TYPE " + name + " " + type + "\n";
}

void Exposition::Sample(const std::string& name, const Labels& labels, double value) {
    text_ += name;
    if (!labels.empty()) {
        text_ += '{';
        for (std::size_t i = 0; i < labels.size(); ++i) {
            text_ += (i == 0 ? "" : ",") + labels[i].first + "=\"" +
                     EscapeLabelValue(labels[i].second) + "\"";
        }
        text_ += '}';
    }
    text_ += ' ' + FormatSampleValue(value) + '\n';
}

}  // namespace VekExporter
