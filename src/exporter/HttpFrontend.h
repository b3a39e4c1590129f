#pragma once

#include <memory>
#include <string>

#include "exporter/ConfigStore.h"
#include "exporter/ExporterMetrics.h"
#include "exporter/ProbeService.h"

namespace httplib {
class Server;
}

namespace VekExporter {

// The exporter's HTTP side on cpp-httplib: GET /probe, GET /metrics, GET / and
// POST /-/reload. Each connection is served by a pool thread; the pool has
// `maxConcurrent` threads for probes and a few more, so /metrics and / answer
// while every probe slot is busy. Collaborators are borrowed.
class HttpFrontend final {
public:
    HttpFrontend(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics,
                 long maxConcurrent);
    HttpFrontend(const HttpFrontend&) = delete;
    HttpFrontend& operator=(const HttpFrontend&) = delete;
    ~HttpFrontend();

    // Binds the listening socket; port 0 picks a free one. Returns the port, or
    // throws std::runtime_error when the address cannot be bound.
    int Bind(const std::string& host, int port);
    // Serves until Stop; returns false when serving failed.
    bool Serve();
    // Closes the listening socket and lets running requests finish.
    void Stop();

private:
    void Route(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics);

    std::unique_ptr<httplib::Server> server_;
};

// The HTML page of GET /: the modules of `config` with an example probe link each.
std::string IndexPage(const ExporterConfig& config);

}  // namespace VekExporter
