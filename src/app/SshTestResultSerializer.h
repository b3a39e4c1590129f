#pragma once

#include <memory>
#include <string>

#include "app/ISshTestResultSerializer.h"
#include "serialization/IJsonWrapper.h"
#include "serialization/IJsonWrapperFactory.h"

namespace Ssh {

// Writes the result document shared with the monitoring library's other test
// types: root -> "MonitorResults"[1] -> "StepResults"[1] -> "Metrics"[1] ->
// "MetricData", with the error code and details in the step's "OtherData".
class SshTestResultSerializer final : public ISshTestResultSerializer {
public:
    using JsonWrapperPtr = std::shared_ptr<VekLibrary::Serialization::IJsonWrapper>;

    // Throws XBrokenInvariantsError "Json wrapper factory cannot be null.".
    explicit SshTestResultSerializer(
        std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory);

    std::string SerializeToJson(const SshTestResult& result) override;

    // Each builds one level of the document as a new document of its own.
    JsonWrapperPtr CreateTestResultJson(const SshTestResult& result);
    JsonWrapperPtr CreateMonitorResultJson(const SshTestResult& result);
    JsonWrapperPtr CreateStepResultJson(const SshTestResult& result);
    JsonWrapperPtr CreateStepResultOtherDataJson(const SshTestResult& result);
    JsonWrapperPtr CreateMetricJson(const SshTestResult& result);

private:
    JsonWrapperPtr NewDocument();

    std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory_;
};

}  // namespace Ssh
