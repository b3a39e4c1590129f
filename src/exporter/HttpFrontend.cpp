#include "exporter/HttpFrontend.h"
#include "probeclient/ChildProcess.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "exporter/Exposition.h"
#include "exporter/Log.h"

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

void Text(httplib::Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text, "text/plain; charset=utf-8");
}

std::unique_ptr<httplib::Server> MakeServer(bool tls, const TlsSettingsSource* source) {
    if (!tls) {
        return std::make_unique<httplib::Server>();
    }
    auto server = std::make_unique<httplib::SSLServer>(
        [source](SSL_CTX& context) { return PrepareServerContext(context, source); });
    if (!server->is_valid()) {
        throw std::runtime_error("cannot set up TLS: OpenSSL refused the server context");
    }
    return server;
}

// "[::]:9706" or "127.0.0.1:9706".
std::string AddressText(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
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
                           WebConfigStore& web, long maxConcurrent)
    : gate_(web),
      tlsSource_([&web] { return web.Current()->tls; }),
      server_(MakeServer(web.Tls(), &tlsSource_)) {
    const std::size_t threads = static_cast<std::size_t>(maxConcurrent + kExtraThreads);
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_keep_alive_timeout(kKeepAliveSeconds);
    // The library writes an answer's head and body apart; over TLS, Nagle's
    // algorithm then held the body for the client's delayed ACK, 40 ms a request.
    server_->set_tcp_nodelay(true);
    // Only SO_REUSEADDR: the library's default adds SO_REUSEPORT, with which a
    // second exporter would share the port instead of being refused. An IPv6
    // socket takes IPv4 too, whatever net.ipv6.bindv6only says.
    server_->set_socket_options([this](int socket) {
        const int on = 1;
        const int off = 0;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        ::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
        ::fcntl(socket, F_SETFD, FD_CLOEXEC);
        socket_ = socket;
    });
    Route(probes, config, metrics, web);
}

HttpFrontend::~HttpFrontend() = default;

void HttpFrontend::Route(ProbeService& probes, ConfigStore& config, ExporterMetrics& metrics,
                         WebConfigStore& web) {
    using Handled = httplib::Server::HandlerResponse;
    server_->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            return gate_.Admit(request, response) ? Handled::Unhandled : Handled::Handled;
        });
    // The library refuses a request target with a second "?" before any handler
    // runs, with an empty 400; this says why.
    server_->set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request& request, httplib::Response& response) {
            if (response.status != 400 || !response.body.empty() ||
                std::count(request.target.begin(), request.target.end(), '?') < 2) {
                return Handled::Unhandled;
            }
            LogWarn("Refused a request whose query holds a literal \"?\"",
                    {{"target", request.target}});
            gate_.AddHeaders(response);
            Text(response, 400,
                 "Bad request: the query holds a literal \"?\"; write it as %3F, for example "
                 "target=host%3Fname\n");
            return Handled::Handled;
        }));
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
    server_->Get("/-/healthy", [](const httplib::Request&, httplib::Response& response) {
        Text(response, 200, "vek-exporter is Healthy.\n");
    });
    server_->Get("/-/ready", [](const httplib::Request&, httplib::Response& response) {
        Text(response, 200, "vek-exporter is Ready.\n");
    });
    // The handler that takes a content reader runs before any body is read: `curl -X
    // POST` sends neither a body nor a length, and the plain handler would first wait
    // for the body until the read timeout.
    server_->Post("/-/reload", [&config, &web](const httplib::Request&, httplib::Response& response,
                                               const httplib::ContentReader&) {
        std::string errors;
        for (const std::optional<std::string>& error : {config.Reload(), web.Reload()}) {
            errors += error ? "failed to reload config: " + *error + "\n" : "";
        }
        Text(response, errors.empty() ? 200 : 500,
             errors.empty() ? std::string("Configuration reloaded\n") : errors);
    });
    server_->Get("/-/reload", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Allow", "POST");
        Text(response, 405, "Only POST requests allowed\n");
    });
}

std::string HttpFrontend::Bind(const std::string& host, int port) {
    std::string bindHost = host.empty() ? "::" : host;
    int bound = port == 0 ? server_->bind_to_any_port(bindHost)
                          : (server_->bind_to_port(bindHost, port) ? port : -1);
    if (bound <= 0 && host.empty()) {
        // No IPv6 on this machine: every IPv4 address.
        bindHost = "0.0.0.0";
        bound = port == 0 ? server_->bind_to_any_port(bindHost)
                          : (server_->bind_to_port(bindHost, port) ? port : -1);
    }
    if (bound <= 0) {
        throw std::runtime_error("cannot listen on " + AddressText(bindHost, port));
    }
    // The library listens with a backlog of 5; a second listen() on the bound
    // socket only raises it (the kernel caps it at net.core.somaxconn).
    int listening = 0;
    socklen_t length = sizeof listening;
    if (::getsockopt(socket_, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 &&
        listening == 1) {
        ::listen(socket_, SOMAXCONN);
    }
    return AddressText(bindHost, bound);
}

bool HttpFrontend::Serve() {
    return server_->listen_after_bind();
}

void HttpFrontend::Stop() {
    server_->stop();
}

}  // namespace VekExporter
