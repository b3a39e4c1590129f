#pragma once

#include <string>

// Flag keys shared by every test type, used whole as single JSON member names.
// Constructed before any ordinary static initialiser runs.
namespace VekLibrary::VekDomain::DataKeys::CommonTestFlags {

extern const std::string UseIpv6;
extern const std::string IgnoreFileSizeLimits;
extern const std::string DebugOnError;
extern const std::string IgnoreSslErrors;

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestFlags
