#include "exporter/RequestGate.h"

#include <httplib.h>

#include <algorithm>

#include "exporter/Log.h"

namespace VekExporter {

namespace {

void SetHeaders(const WebConfig& web, httplib::Response& response) {
    for (const auto& [name, value] : web.headers) {
        response.set_header(name.c_str(), value);
    }
}

}  // namespace

bool RequestGate::TakeToken(const RateLimit& limit) {
    const std::lock_guard<std::mutex> lock(bucketMutex_);
    const auto now = std::chrono::steady_clock::now();
    const double burst = static_cast<double>(limit.burst);
    if (tokens_ < 0) {
        tokens_ = burst;
    } else {
        const double earned = std::chrono::duration<double>(now - refilled_).count() /
                              std::chrono::duration<double>(limit.interval).count();
        tokens_ = std::min(burst, tokens_ + earned);
    }
    refilled_ = now;
    if (tokens_ < 1) {
        return false;
    }
    tokens_ -= 1;
    return true;
}

void RequestGate::AddHeaders(httplib::Response& response) {
    SetHeaders(*web_.Current(), response);
}

bool RequestGate::Admit(const httplib::Request& request, httplib::Response& response) {
    const std::shared_ptr<const WebConfig> web = web_.Current();
    SetHeaders(*web, response);
    if (web->rateLimit && !TakeToken(*web->rateLimit)) {
        response.status = 429;
        response.set_content("Too Many Requests\n", "text/plain; charset=utf-8");
        return false;
    }
    if (!auth_.Admits(web->basicAuthUsers, request.get_header_value("Authorization"))) {
        LogDebug("Refused a request without valid credentials",
                 {{"path", request.path}, {"remote", request.remote_addr}});
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic");
        response.set_content("Unauthorized\n", "text/plain; charset=utf-8");
        return false;
    }
    return true;
}

}  // namespace VekExporter
