#include "exporter/ProbeService.h"

#include <system_error>

#include "exporter/Exposition.h"
#include "exporter/Log.h"
#include "exporter/MaskSecrets.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeDocument.h"
#include "exporter/ProbeInput.h"
#include "exporter/ProbeMetrics.h"

namespace VekExporter {

namespace {

using Clock = std::chrono::steady_clock;

HttpAnswer BadRequest(const std::string& text) {
    return {400, "text/plain; charset=utf-8", text};
}

std::string HowItEnded(const ProbeRunOutcome& outcome) {
    if (outcome.killed) {
        return "killed after its time limit";
    }
    if (outcome.signal != 0) {
        return "ended by signal " + std::to_string(outcome.signal);
    }
    if (outcome.exitCode != 0) {
        return "exit code " + std::to_string(outcome.exitCode);
    }
    return "no result document";
}

}  // namespace

ProbeService::ProbeService(ConfigStore& config, IProbeRunner& runner, ExporterMetrics& metrics,
                           std::string probePath, long maxConcurrent)
    : config_(config),
      runner_(runner),
      metrics_(metrics),
      probePath_(std::move(probePath)),
      maxConcurrent_(maxConcurrent),
      limit_(maxConcurrent) {}

HttpAnswer ProbeService::Probe(const std::string& target, const std::string& moduleName,
                               const std::string& scrapeTimeoutHeader) {
    const Clock::time_point start = Clock::now();
    if (target.empty()) {
        return BadRequest("Target parameter is missing\n");
    }
    if (moduleName.empty()) {
        return BadRequest("Module parameter is missing\n");
    }
    const std::shared_ptr<const ExporterConfig> config = config_.Current();
    const auto found = config->modules.find(moduleName);
    if (found == config->modules.end()) {
        return BadRequest("Unknown module \"" + moduleName + "\"\n");
    }
    const ModuleConfig& module = found->second;
    const std::optional<double> scrapeTimeout = ParseScrapeTimeout(scrapeTimeoutHeader);

    const auto slotDeadline =
        start + std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(SlotWaitSeconds(scrapeTimeout)));
    const ConcurrencySlot slot(limit_, slotDeadline);
    if (!slot.Held()) {
        LogError("No probe slot for module " + moduleName +
                 " within the scrape timeout, or the exporter is ending");
        return {503, "text/plain; charset=utf-8",
                "All " + std::to_string(maxConcurrent_) +
                    " probe slots (--probe.max-concurrent) stayed busy for the scrape's time, or "
                    "the exporter is ending\n"};
    }
    const double spent = std::chrono::duration<double>(Clock::now() - start).count();
    const long probeSeconds =
        ProbeTimeoutSeconds(TestTimeoutSeconds(scrapeTimeout, module.timeoutSeconds, spent));

    ProbeRunRequest request;
    request.executable = probePath_;
    request.input = BuildProbeInput(module, target, probeSeconds);
    request.secrets = SecretsOf(module.credentials);
    request.killAt = Clock::now() + std::chrono::seconds(probeSeconds) + kKillGrace;
    ProbeRunOutcome outcome;
    try {
        outcome = runner_.Run(request);
    } catch (const std::system_error& error) {
        LogError(std::string("Cannot start the probe: ") + error.what());
    }
    WipeSecret(request.input);

    std::optional<ProbeDocument> document;
    if (outcome.exited && outcome.exitCode == 0) {
        document = ParseProbeDocument(outcome.standardOutput);
    }
    if (!document) {
        LogError("Probe of " + MaskSecrets(target, request.secrets) + " with module " + moduleName +
                 " failed (" + HowItEnded(outcome) + "); its last error line: " +
                 (outcome.lastErrorLine.empty() ? "(none)" : outcome.lastErrorLine));
    }
    metrics_.CountProbe(moduleName, !document             ? ProbeOutcomeKind::ProbeFailed
                                    : document->errorCode ? ProbeOutcomeKind::Failure
                                                          : ProbeOutcomeKind::Success);
    const double duration = std::chrono::duration<double>(outcome.elapsed).count();
    return {200, Exposition::kContentType, RenderProbeMetrics(document, duration, module)};
}

}  // namespace VekExporter
