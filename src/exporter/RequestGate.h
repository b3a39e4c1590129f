#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "exporter/BasicAuth.h"
#include "exporter/WebConfigStore.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace VekExporter {

// The door every request passes before it is routed, by the web configuration in
// force: the http_server_config headers go on every answer; past rate_limit a
// request is answered 429, and without valid credentials for basic_auth_users
// 401 with a Basic challenge. The store is borrowed. Thread-safe.
class RequestGate final {
public:
    explicit RequestGate(WebConfigStore& web) : web_(web) {}

    // True when the request may go on; otherwise `response` holds the refusal.
    bool Admit(const httplib::Request& request, httplib::Response& response);
    // Adds the configured headers to an answer made without Admit.
    void AddHeaders(httplib::Response& response);

private:
    bool TakeToken(const RateLimit& limit);

    WebConfigStore& web_;
    BasicAuth auth_;
    std::mutex bucketMutex_;
    double tokens_ = -1;  // below zero: not started, the bucket starts full
    std::chrono::steady_clock::time_point refilled_;
};

}  // namespace VekExporter
