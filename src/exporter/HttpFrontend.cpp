#include "exporter/HttpFrontend.h"
#include "probeclient/ChildProcess.h"

#include <fcntl.h>
#include <sys/socket.h>

#include <httplib.h>

#include <cctype>
#include <stdexcept>

#include "exporter/Exposition.h"

namespace VekExporter {

namespace {

// Threads beyond the probe slots, for /metrics, / and reloads.
constexpr long kExtraThreads = 8;
// An idle keep-alive connection holds a pool thread this long; Prometheus
// scrapes far less often, so connections are not kept between scrapes anyway.
constexpr time_t kKeepAliveSeconds = 2;

std::string HtmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UrlEncoded(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

void Answer(httplib::Response& response, const HttpAnswer& answer) {
    response.status = answer.status;
    response.set_content(answer.body, answer.contentType.c_str());
}

}  // namespace

std::string IndexPage(const ExporterConfig& config) {
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>SSH VEK exporter</title>"
        "</head>\n<body>\n<h1>SSH VEK exporter</h1>\n<p>Probe an SSH server with "
        "<code>/probe?target=&lt;host[:port]&gt;&amp;module=&lt;module&gt;</code>. "
        "<a href=\"/metrics\">Exporter metrics</a></p>\n<h2>Modules</h2>\n<ul>\n";
    for (const auto& [name, module] : config.modules) {
        const std::string link = "/probe?target=localhost%3A22&module=" + UrlEncoded(name);
        page += "<li>" + HtmlEscaped(name) + " (" +
                (module.credentials.privateKey ? "key" : "password") + " login): <a href=\"" +
                HtmlEscaped(link) + "\">probe localhost:22</a></li>\n";
    }
    return page + "</ul>\n</body></html>\n";
}

HttpFrontend::HttpFrontend(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics,
                           long maxConcurrent)
    : server_(std::make_unique<httplib::Server>()) {
    const std::size_t threads = static_cast<std::size_t>(maxConcurrent + kExtraThreads);
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_keep_alive_timeout(kKeepAliveSeconds);
    // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, with which a
    // second exporter would share the port instead of being refused.
    server_->set_socket_options([](int socket) {
        const int on = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::fcntl(socket, F_SETFD, FD_CLOEXEC);
    });
    Route(probes, config, metrics);
}

HttpFrontend::~HttpFrontend() = default;

void HttpFrontend::Route(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics) {
    server_->Get("/probe", [&probes](const httplib::Request& request, httplib::Response& response) {
        Answer(response,
               probes.Probe(request.get_param_value("target"), request.get_param_value("module"),
                            request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds")));
    });
    server_->Get("/metrics", [&metrics](const httplib::Request&, httplib::Response& response) {
        response.set_content(metrics.Render(VekProbeClient::ChildProcess::Running()),
                             Exposition::kContentType);
    });
    server_->Get("/", [&config](const httplib::Request&, httplib::Response& response) {
        response.set_content(IndexPage(*config.Current()), "text/html; charset=utf-8");
    });
    // The handler that takes a content reader runs before any body is read: `curl -X
    // POST` sends neither a body nor a length, and the plain handler would first wait
    // for the body until the read timeout.
    server_->Post("/-/reload", [&config](const httplib::Request&, httplib::Response& response,
                                         const httplib::ContentReader&) {
        const std::optional<std::string> error = config.Reload();
        response.status = error ? 500 : 200;
        response.set_content(error ? "failed to reload config: " + *error + "\n"
                                   : std::string("Configuration reloaded\n"),
                             "text/plain; charset=utf-8");
    });
}

int HttpFrontend::Bind(const std::string& host, int port) {
    const std::string bindHost = host.empty() ? "0.0.0.0" : host;
    const int bound = port == 0 ? server_->bind_to_any_port(bindHost)
                                : (server_->bind_to_port(bindHost, port) ? port : -1);
    if (bound <= 0) {
        throw std::runtime_error("cannot listen on " + bindHost + " port " + std::to_string(port));
    }
    return bound;
}

bool HttpFrontend::Serve() {
    return server_->listen_after_bind();
}

void HttpFrontend::Stop() {
    server_->stop();
}

}  // namespace VekExporter
