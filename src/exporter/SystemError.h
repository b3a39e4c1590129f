#pragma once

#include <string>
#include <system_error>

namespace VekExporter {

// The one place where errno becomes an exception: a std::system_error whose text
// is "<what>: <strerror(errno)>". Call it right after the failing call, before
// anything else can change errno.
[[noreturn]] void ThrowErrno(const std::string& what);

// The same for functions that return the error number instead of setting errno
// (posix_spawn and its helpers).
[[noreturn]] void ThrowErrorNumber(int errorNumber, const std::string& what);

}  // namespace VekExporter
