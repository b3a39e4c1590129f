#pragma once

#include <string>
#include <vector>

namespace VekExporter {

// The whole program: reads the command line (without the program name), loads the
// configuration, serves HTTP until SIGTERM or SIGINT, and returns the exit code:
// 0 after a clean end or --help, 1 when it cannot start, 2 for a bad command line.
int RunExporter(const std::vector<std::string>& arguments);

}  // namespace VekExporter
