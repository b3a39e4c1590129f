#pragma once

namespace VekLibrary::VekLogger {

// Severity of a log line. Compared as signed integers against the logger's
// cut-off; values outside Debug..Error are printed as "UNKNOWN".
enum class LogLevelEnum : int {
    Debug = 1,
    Info = 2,
    Warning = 3,
    Error = 4,
};

}  // namespace VekLibrary::VekLogger
