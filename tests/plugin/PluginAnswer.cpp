#include "plugin/PluginAnswer.h"

#include <regex>

namespace VekTest {

namespace {

const char* const kStates[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

// A range of the guidelines, or empty.
bool IsRangeField(const std::string& field) {
    static const std::regex kRange("@?((~|[-+]?[0-9]+(\\.[0-9]+)?)?:)?([-+]?[0-9]+(\\.[0-9]+)?)?");
    return std::regex_match(field, kRange);
}

bool IsNumberField(const std::string& field) {
    static const std::regex kNumber("([-+]?[0-9]+(\\.[0-9]+)?)?");
    return std::regex_match(field, kNumber);
}

// Reads one item at `position` of `data`; returns false with `problem` set.
bool ReadItem(const std::string& data, std::size_t& position, PerfdataItem& item,
              std::string& problem) {
    if (data[position] == '\'') {
        ++position;
        for (;;) {
            if (position >= data.size()) {
                problem = "unterminated quoted label";
                return false;
            }
            if (data[position] == '\'') {
                if (position + 1 < data.size() && data[position + 1] == '\'') {
                    item.label += '\'';
                    position += 2;
                    continue;
                }
                ++position;
                break;
            }
            item.label += data[position++];
        }
    } else {
        while (position < data.size() && data[position] != '=') {
            if (data[position] == ' ' || data[position] == '\'') {
                problem = "unquoted label with a blank or quote";
                return false;
            }
            item.label += data[position++];
        }
    }
    if (item.label.empty() || position >= data.size() || data[position] != '=') {
        problem = "label without '='";
        return false;
    }
    ++position;
    const std::size_t end = data.find(' ', position);
    const std::string rest = data.substr(position, end - position);
    position = end == std::string::npos ? data.size() : end + 1;
    static const std::regex kValue("([-+]?[0-9]+(\\.[0-9]+)?)(s|ms|us|%|B|KB|MB|TB|c)?");
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t semicolon = rest.find(';', begin);
        fields.push_back(rest.substr(begin, semicolon - begin));
        if (semicolon == std::string::npos) {
            break;
        }
        begin = semicolon + 1;
    }
    std::smatch match;
    if (fields.size() > 5 || !std::regex_match(fields[0], match, kValue)) {
        problem = "bad value or too many fields in '" + rest + "'";
        return false;
    }
    // Before the resize, which may move the strings the match points into.
    item.value = match[1];
    item.unit = match[3];
    fields.resize(5);
    item.warning = fields[1];
    item.critical = fields[2];
    item.minimum = fields[3];
    item.maximum = fields[4];
    if (!IsRangeField(item.warning) || !IsRangeField(item.critical) ||
        !IsNumberField(item.minimum) || !IsNumberField(item.maximum)) {
        problem = "bad warn, crit, min or max in '" + rest + "'";
        return false;
    }
    return true;
}

}  // namespace

PluginAnswer ReadPluginAnswer(const std::string& standardOutput, int exitCode) {
    PluginAnswer answer;
    const std::size_t newline = standardOutput.find('\n');
    if (newline == std::string::npos) {
        answer.problem = "no line feed after the status line";
        return answer;
    }
    const std::string first = standardOutput.substr(0, newline);
    answer.longOutput = standardOutput.substr(newline + 1);
    static const std::regex kStatus("SSH (OK|WARNING|CRITICAL|UNKNOWN) - ([^|]*)(\\|(.*))?");
    std::smatch match;
    if (!std::regex_match(first, match, kStatus)) {
        answer.problem = "status line not 'SSH <STATE> - <text>[|<perfdata>]': " + first;
        return answer;
    }
    answer.state = match[1];
    answer.text = match[2];
    if (exitCode < 0 || exitCode > 3 || answer.state != kStates[exitCode]) {
        answer.problem = "state " + answer.state + " with exit code " + std::to_string(exitCode);
        return answer;
    }
    if (answer.longOutput.find('|') != std::string::npos) {
        answer.problem = "a '|' in the long output would start performance data";
        return answer;
    }
    const std::string data = match[4];
    std::size_t position = 0;
    while (position < data.size()) {
        PerfdataItem item;
        if (!ReadItem(data, position, item, answer.problem)) {
            return answer;
        }
        answer.perfdata.push_back(item);
    }
    return answer;
}

const PerfdataItem* FindPerfdata(const PluginAnswer& answer, const std::string& label) {
    for (const PerfdataItem& item : answer.perfdata) {
        if (item.label == label) {
            return &item;
        }
    }
    return nullptr;
}

std::vector<std::string> PerfdataLabels(const PluginAnswer& answer) {
    std::vector<std::string> labels;
    for (const PerfdataItem& item : answer.perfdata) {
        labels.push_back(item.label);
    }
    return labels;
}

}  // namespace VekTest
