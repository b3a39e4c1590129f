#pragma once

#include <string>
#include <vector>

#include "domain/SensitiveString.h"

namespace VekExporter {

// What the log may show of a line a probe wrote: the line itself, cut to 500
// bytes, or ">>MASKED<<" when it holds any of `secrets` (compared without regard
// to case), as the probe masks its own trace lines.
std::string MaskSecrets(const std::string& line,
                        const std::vector<VekLibrary::VekDomain::SensitiveString>& secrets);

}  // namespace VekExporter
