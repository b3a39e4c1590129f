#pragma once

#include <string>
#include <vector>

namespace VekTest {

// One performance-data item: 'label'=value[UOM];[warn];[crit];[min];[max].
struct PerfdataItem {
    std::string label;
    std::string value;
    std::string unit;
    std::string warning;
    std::string critical;
    std::string minimum;
    std::string maximum;
};

// A plugin's standard output, read the way a monitoring core reads it.
struct PluginAnswer {
    // The word after "SSH ", e.g. "OK".
    std::string state;
    // The status text after "SSH <STATE> - ", up to the "|".
    std::string text;
    std::vector<PerfdataItem> perfdata;
    // Everything after the first line.
    std::string longOutput;
    // Empty when the output follows the Monitoring Plugins Development Guidelines
    // and the state word fits the exit code; else what is wrong.
    std::string problem;
};

PluginAnswer ReadPluginAnswer(const std::string& standardOutput, int exitCode);

// The item labelled `label`, or null.
const PerfdataItem* FindPerfdata(const PluginAnswer& answer, const std::string& label);

// The labels in their order.
std::vector<std::string> PerfdataLabels(const PluginAnswer& answer);

}  // namespace VekTest
