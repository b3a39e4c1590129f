#pragma once

namespace VekExporter {

// The project's version and the git revision of the source, taken when the build
// folder was configured ("unknown" outside a git checkout).
extern const char* const kBuildVersion;
extern const char* const kBuildRevision;

}  // namespace VekExporter
