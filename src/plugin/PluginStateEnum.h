#pragma once

#include <string>

namespace VekPlugin {

// The plugin states and their exit codes.
enum class PluginStateEnum { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };

// "OK", "WARNING", "CRITICAL" or "UNKNOWN".
const char* StateName(PluginStateEnum state);

// The state that wins when two apply: CRITICAL over WARNING over UNKNOWN over OK.
PluginStateEnum Worse(PluginStateEnum left, PluginStateEnum right);

// Accepts a state name (any case) or its number 0 to 3; throws XPluginUsageError.
PluginStateEnum ParseState(const std::string& text);

}  // namespace VekPlugin
