#pragma once

namespace VekLibrary::IoHandler {

// Short flags are the alphanumeric characters of the "C" locale. Tested without
// <cctype> so that neither the process locale nor negative char values matter.
inline bool IsAlphanumericShortFlag(char flag) {
    return (flag >= '0' && flag <= '9') || (flag >= 'a' && flag <= 'z') ||
           (flag >= 'A' && flag <= 'Z');
}

}  // namespace VekLibrary::IoHandler
