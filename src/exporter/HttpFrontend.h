#pragma once

#include <memory>
#include <string>

#include "exporter/ConfigStore.h"
#include "exporter/ExporterMetrics.h"
#include "exporter/ProbeService.h"
#include "exporter/RequestGate.h"
#include "exporter/TlsSettings.h"
#include "exporter/WebConfigStore.h"

namespace httplib {
class Server;
}

namespace VekExporter {

// The exporter's HTTP side on cpp-httplib: GET /probe, GET /metrics, GET /,
// GET /-/healthy, GET /-/ready and POST /-/reload, every one behind the
// RequestGate of the web configuration, over TLS (cpp-httplib's OpenSSL server)
// when it has tls_server_config. Each connection is served by a pool thread; the
// pool has `maxConcurrent` threads for probes and a few more, so /metrics and /
// answer while every probe slot is busy. Collaborators are borrowed.
class HttpFrontend final {
public:
    HttpFrontend(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics,
                 WebConfigStore& web, long maxConcurrent);
    HttpFrontend(const HttpFrontend&) = delete;
    HttpFrontend& operator=(const HttpFrontend&) = delete;
    ~HttpFrontend();

    // Binds the listening socket with a backlog of SOMAXCONN; port 0 picks a free
    // one. An empty host listens on every address: IPv6 and IPv4 on one socket,
    // or IPv4 alone where the machine has no IPv6. Returns the address as
    // "[::]:9706" or "127.0.0.1:9706", or throws std::runtime_error when the
    // address cannot be bound.
    std::string Bind(const std::string& host, int port);
    // Serves until Stop; returns false when serving failed.
    bool Serve();
    // Closes the listening socket and lets running requests finish.
    void Stop();

private:
    void Route(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics,
               WebConfigStore& web);

    RequestGate gate_;
    // Read by every TLS connection at its ClientHello; outlives the server.
    TlsSettingsSource tlsSource_;
    std::unique_ptr<httplib::Server> server_;
    // The listening socket, as the socket options callback last saw it.
    int socket_ = -1;
};

// The HTML page of GET /: the modules of `config` with an example probe link each.
std::string IndexPage(const ExporterConfig& config);

}  // namespace VekExporter
