#include "plugin/PluginStateEnum.h"

#include <algorithm>
#include <cctype>

#include "plugin/XPluginUsageError.h"

namespace VekPlugin {

namespace {

int Rank(PluginStateEnum state) {
    switch (state) {
        case PluginStateEnum::Ok:
            return 0;
        case PluginStateEnum::Unknown:
            return 1;
        case PluginStateEnum::Warning:
            return 2;
        case PluginStateEnum::Critical:
            return 3;
    }
    return 1;
}

}  // namespace

const char* StateName(PluginStateEnum state) {
    switch (state) {
        case PluginStateEnum::Ok:
            return "OK";
        case PluginStateEnum::Warning:
            return "WARNING";
        case PluginStateEnum::Critical:
            return "CRITICAL";
        case PluginStateEnum::Unknown:
            return "UNKNOWN";
    }
    return "UNKNOWN";
}

PluginStateEnum Worse(PluginStateEnum left, PluginStateEnum right) {
    return Rank(left) >= Rank(right) ? left : right;
}

PluginStateEnum ParseState(const std::string& text) {
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const PluginStateEnum state : {PluginStateEnum::Ok, PluginStateEnum::Warning,
                                        PluginStateEnum::Critical, PluginStateEnum::Unknown}) {
        if (upper == StateName(state) || upper == std::to_string(static_cast<int>(state))) {
            return state;
        }
    }
    throw XPluginUsageError("invalid state '" + text +
                            "': use OK, WARNING, CRITICAL, UNKNOWN or 0 to 3");
}

}  // namespace VekPlugin
