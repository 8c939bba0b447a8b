#pragma once

#include <curl/curl.h>

#include <functional>
#include <memory>

#include "web/stop_token.h"

namespace lh {

struct NetworkSetup;

// What the transfers of one thread keep between them: one easy handle and a multi handle
// whose connection cache keeps connections alive per host. DNS answers and TLS sessions
// are shared by all threads, and the trusted CA store is built once per process (once per
// set of network overrides). When the overrides change, the kept connections go.
class CurlSession {
public:
    static CurlSession& forThisThread();

    explicit CurlSession(std::shared_ptr<const NetworkSetup> setup);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    // The easy handle, reset to libcurl's defaults plus the shared settings (DNS and TLS
    // session sharing, connect-to redirections, the trusted CAs). Options set on it
    // afterwards describe one exchange, which `run` performs.
    CURL* prepare();

    enum class End { Finished, Stopped, Cut };
    struct Result {
        End end = End::Finished;
        CURLcode code = CURLE_OK;  // libcurl's result when Finished
    };
    // Performs the prepared exchange. A stop request, or `cutWhen` returning true, ends
    // it within one short slice; the connection it used is then closed.
    Result run(const StopToken& stop, const std::function<bool()>& cutWhen = {});

private:
    std::shared_ptr<const NetworkSetup> setup_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
};

}  // namespace lh
