#include "domain/CommonTestFlags.h"

#include "domain/DataKeysInit.h"

namespace VekLibrary::VekDomain::DataKeys::CommonTestFlags {

namespace {
const std::string TestCommonPrefix VEK_DATA_KEY_INIT = "test.common.";
const std::string CommonTestFlagPrefix VEK_DATA_KEY_INIT = "common.test.flag.";
}  // namespace

const std::string UseIpv6 VEK_DATA_KEY_INIT = TestCommonPrefix + "use-ipv6";
const std::string IgnoreFileSizeLimits VEK_DATA_KEY_INIT =
    CommonTestFlagPrefix + "ignore-file-size-limits";
const std::string DebugOnError VEK_DATA_KEY_INIT = TestCommonPrefix + "debug-on-error";
const std::string IgnoreSslErrors VEK_DATA_KEY_INIT = TestCommonPrefix + "flag.ignore-ssl-errors";

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestFlags
