#include "exporter/ProbeService.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "exporter/Exposition.h"
#include "exporter/Log.h"
#include "exporter/MaskSecrets.h"
#include "exporter/ProbeBudget.h"
#include "exporter/ProbeInput.h"
#include "exporter/ProbeMetrics.h"
#include "probeclient/ProbeRunner.h"

namespace VekExporter {

namespace {

using Clock = std::chrono::steady_clock;

// After SIGKILL, how long a probe may take to end before its scrape is answered and
// the probe is left to a background reaper.
constexpr std::chrono::seconds kReapGrace{3};

HttpAnswer BadRequest(const std::string& text) {
    return {400, "text/plain; charset=utf-8", text};
}

using VekProbeClient::ChildOutcome;
using VekProbeClient::KillReasonEnum;

std::string HowItEnded(const ChildOutcome& outcome) {
    switch (outcome.killed) {
        case KillReasonEnum::Deadline:
            return "killed after its time limit";
        case KillReasonEnum::Stop:
            return "stopped for shutdown: killed because the exporter is ending";
        case KillReasonEnum::OutputTooLarge:
            return "killed when its standard output passed " +
                   std::to_string(VekProbeClient::kMaxDocumentBytes >> 20) + " MiB";
        case KillReasonEnum::None:
            break;
    }
    if (!outcome.exited) {
        return "ended by signal " + std::to_string(outcome.signal);
    }
    if (outcome.exitCode != 0) {
        return "exit code " + std::to_string(outcome.exitCode);
    }
    return "no result document";
}

}  // namespace

ProbeService::ProbeService(ConfigStore& config, const ShutdownSignal& shutdown,
                           ExporterMetrics& metrics, std::string probePath, long maxConcurrent)
    : config_(config),
      shutdown_(shutdown),
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
    if (!module.trust.Allows(target)) {
        const std::string refusal =
            "Target \"" + target + "\" is not allowed for module \"" + moduleName + "\"";
        LogWarn("Target not allowed for module", {{"module", moduleName}, {"target", target}});
        return {403, "text/plain; charset=utf-8", refusal + "\n"};
    }
    const std::optional<double> scrapeTimeout = ParseScrapeTimeout(scrapeTimeoutHeader);

    const auto slotDeadline =
        start + std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(SlotWaitSeconds(scrapeTimeout)));
    const ConcurrencySlot slot(limit_, slotDeadline);
    const auto secrets = SecretsOf(module.credentials);
    const std::string shownTarget = MaskSecrets(target, secrets);
    if (!slot.Held()) {
        LogError("No probe slot within the scrape timeout, or the exporter is ending",
                 {{"module", moduleName}, {"target", shownTarget}});
        return {503, "text/plain; charset=utf-8",
                "All " + std::to_string(maxConcurrent_) +
                    " probe slots (--probe.max-concurrent) stayed busy for the scrape's time, or "
                    "the exporter is ending\n"};
    }
    const double spent = std::chrono::duration<double>(Clock::now() - start).count();
    const long probeSeconds =
        ProbeTimeoutSeconds(TestTimeoutSeconds(scrapeTimeout, module.timeoutSeconds, spent));

    VekProbeClient::ChildCommand probe;
    probe.executable = probePath_;
    try {
        probe.input =
            VekProbeClient::BuildProbeInputLine(ProbeInputOf(module, target, probeSeconds));
    } catch (const std::invalid_argument& error) {
        return BadRequest(std::string("Cannot probe this target: ") + error.what() + "\n");
    }
    VekProbeClient::Supervision supervision;
    supervision.deadline = Clock::now() + std::chrono::seconds(probeSeconds) + kKillGrace;
    supervision.reapGrace = kReapGrace;
    supervision.stopDescriptor = shutdown_.Descriptor();
    supervision.stopGrace = ShutdownSignal::kFinishWithin;
    if (shutdown_.Triggered()) {
        supervision.deadline = std::min(supervision.deadline, shutdown_.FinishBy());
    }
    ChildOutcome outcome;
    std::optional<VekProbeClient::ProbeDocument> document;
    std::string how;
    try {
        outcome = VekProbeClient::RunChild(probe, supervision);
        how = HowItEnded(outcome);
        if (outcome.exited && outcome.exitCode == 0) {
            document = VekProbeClient::ParseProbeDocument(outcome.standardOutput);
        }
    } catch (const std::system_error& error) {
        how = std::string("cannot be run: ") + error.what();
    } catch (const std::runtime_error& error) {
        how = std::string("its result document is unreadable: ") + error.what();
    }
    if (!outcome.reaped && outcome.pid >= 0) {
        LogError("Probe process did not end after SIGKILL; it will be reaped in the background",
                 {{"pid", std::to_string(outcome.pid)}});
    }
    if (!document) {
        const std::string complaint = VekProbeClient::ProbeComplaint(outcome.standardError);
        LogError("Probe failed",
                 {{"module", moduleName},
                  {"target", shownTarget},
                  {"error", "probe-failed"},
                  {"reason", how},
                  {"probe_error", complaint.empty() ? "(none)" : MaskSecrets(complaint, secrets)}});
    } else if (document->errorCode) {
        LogDebug(
            "Probe failed",
            {{"module", moduleName}, {"target", shownTarget}, {"error", *document->errorCode}});
    }
    metrics_.CountProbe(moduleName, !document             ? ProbeOutcomeKind::ProbeFailed
                                    : document->errorCode ? ProbeOutcomeKind::Failure
                                                          : ProbeOutcomeKind::Success);
    const double duration = std::chrono::duration<double>(outcome.elapsed).count();
    return {200, Exposition::kContentType, RenderProbeMetrics(document, duration, module)};
}

}  // namespace VekExporter
