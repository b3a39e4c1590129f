#include "domain/CommonTestResults.h"

#include "domain/DataKeysInit.h"

namespace VekLibrary::VekDomain::DataKeys::CommonTestResults {

namespace {
const std::string CommonResultsPrefix VEK_DATA_KEY_INIT = "common.results.";
const std::string CommonResultsMetricsPrefix VEK_DATA_KEY_INIT = CommonResultsPrefix + "metrics.";
}  // namespace

const std::string HostName VEK_DATA_KEY_INIT = CommonResultsPrefix + "host.name";
const std::string HostAddress VEK_DATA_KEY_INIT = CommonResultsPrefix + "host." + "address";
const std::string HostAddressPort VEK_DATA_KEY_INIT =
    CommonResultsPrefix + "host." + "address" + "." + "port";
const std::string DnsDurationMs VEK_DATA_KEY_INIT = CommonResultsMetricsPrefix + "dns." + "ms";
const std::string ConnectDurationMs VEK_DATA_KEY_INIT =
    CommonResultsMetricsPrefix + "connect." + "ms";
const std::string ErrorCode VEK_DATA_KEY_INIT = CommonResultsPrefix + "error-code";
const std::string ErrorDetails VEK_DATA_KEY_INIT = CommonResultsPrefix + "error-details";
const std::string SslDurationMs VEK_DATA_KEY_INIT = CommonResultsMetricsPrefix + "ssl." + "ms";
const std::string SendDurationMs VEK_DATA_KEY_INIT = CommonResultsMetricsPrefix + "send." + "ms";
const std::string WaitDurationMs VEK_DATA_KEY_INIT = CommonResultsMetricsPrefix + "wait." + "ms";
const std::string DurationMs VEK_DATA_KEY_INIT = CommonResultsMetricsPrefix + "duration." + "ms";
const std::string ReceiveDurationMs VEK_DATA_KEY_INIT =
    CommonResultsMetricsPrefix + "receive." + "ms";

}  // namespace VekLibrary::VekDomain::DataKeys::CommonTestResults
