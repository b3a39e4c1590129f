#pragma once

#include <memory>
#include <string>

#include "app/ISshTestResultSerializer.h"
#include "result/ServerAlgorithmOffer.h"
#include "serialization/IJsonWrapper.h"
#include "serialization/IJsonWrapperFactory.h"

namespace Ssh {

// Writes the result document shared with the monitoring library's other test
// types: root -> "MonitorResults"[1] -> "StepResults"[1] -> "Metrics"[1] ->
// "MetricData", with the error code and details in the step's "OtherData".
//
// The document is built top-down in one tree: each level is appended to its
// parent as an empty object and filled in place, so no level is copied into the
// next and the captured output, which may be many megabytes, is stored once.
class SshTestResultSerializer final : public ISshTestResultSerializer {
public:
    using IJsonWrapper = VekLibrary::Serialization::IJsonWrapper;
    using JsonWrapperPtr = std::shared_ptr<IJsonWrapper>;

    // Throws XBrokenInvariantsError "Json wrapper factory cannot be null.".
    explicit SshTestResultSerializer(
        std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory);

    std::string SerializeToJson(const SshTestResult& result) override;
    std::string SerializeToJson(SshTestResult&& result) override;

private:
    // The root; takes the captured output out of `result`.
    JsonWrapperPtr CreateTestResultJson(SshTestResult& result);
    // Each fills one level of the document, given as an empty object.
    void FillMonitorResult(IJsonWrapper& monitorResult, SshTestResult& result);
    void FillStepResult(IJsonWrapper& stepResult, SshTestResult& result);
    static void FillStepResultOtherData(IJsonWrapper& otherData, const SshTestResult& result);
    static void FillMetricData(IJsonWrapper& metricData, SshTestResult& result);
    // The server's KEXINIT lists and the audit's verdicts on them.
    static void FillServerOffer(IJsonWrapper& metricData, const ServerAlgorithmOffer& offer);

    // A new element at the end of the array `key` of `parent`: an empty object.
    JsonWrapperPtr AppendEmptyObject(IJsonWrapper& parent, const std::string& key);

    std::shared_ptr<VekLibrary::Serialization::IJsonWrapperFactory> jsonWrapperFactory_;
};

}  // namespace Ssh
