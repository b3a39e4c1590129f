#pragma once

#include <string>

namespace VekProbeClient {

// Opens /dev/null on each of descriptors 0 to 2 that is closed. A scheduler may
// start a program with one of them closed; the first pipe or socket would then
// take its number, and a child's standard stream or a log line would land in it.
// Call it first thing in main, before any descriptor is opened.
void EnsureStandardDescriptors();

// The folder of the running executable (/proc/self/exe), without a trailing
// slash; empty when it cannot be read.
std::string OwnFolder();

// "vek" in OwnFolder(), where the probe is installed beside the programs that run
// it; in a build folder, where the probe is src/app/vek and its clients sit in
// src/<their own folder>, src/app/vek when there is no vek beside them. Just "vek"
// when the folder is unknown.
std::string DefaultProbePath();

}  // namespace VekProbeClient
