#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "exporter/ChildSpawn.h"
#include "exporter/IProbeRunner.h"
#include "exporter/ShutdownSignal.h"

namespace VekExporter {

// Runs the probe with posix_spawn: writes the request's input to the child's
// standard input, reads standard output and standard error until the child has
// ended, and reaps it. A child still running at the request's kill moment, or
// when the exporter's shutdown deadline has come, is killed with SIGKILL. The
// shutdown signal is borrowed and must outlive the runner.
class ProbeRunner final : public IProbeRunner {
public:
    explicit ProbeRunner(const ShutdownSignal& shutdown) : shutdown_(shutdown) {}

    ProbeRunOutcome Run(const ProbeRunRequest& request) override;
    long RunningProcesses() const override { return running_->load(); }

private:
    // Returns whether the child was reaped; it was killed when it is not.
    bool Supervise(SpawnedChild& child, const ProbeRunRequest& request, ProbeRunOutcome& outcome,
                   std::string& errorTail) const;

    const ShutdownSignal& shutdown_;
    // Shared with background reapers, which may outlive a scrape.
    std::shared_ptr<std::atomic<long>> running_ = std::make_shared<std::atomic<long>>(0);
};

}  // namespace VekExporter
