#pragma once

#include <string>

namespace lh {

// Why a transfer gave no page. `HttpStatus` is the one kind that still delivers a whole
// answer (a status of 400 or above, body included).
enum class TransferFailure {
    None,
    Dns,             // the host's name did not resolve
    ConnectRefused,  // no connection to the host (refused, unreachable)
    TimedOut,        // a time-out or the overall deadline ran out
    Tls,             // the TLS handshake failed or the certificate was refused
    Proxy,           // the proxy could not be reached or refused the tunnel
    TooLarge,        // the body, or what it unpacks to, passed the body limit
    CutShort,        // the answer ended early: short of its length, no last chunk, reset
    HttpStatus,      // the server answered with a status of 400 or above
    Stopped,         // a stop request ended the transfer
    Other,           // anything else (malformed answer, bad address)
};

// What one transfer came to, besides its body. Travels alongside the empty text that
// callers receive on failure, so that reports can say why.
struct TransferOutcome {
    TransferFailure failure = TransferFailure::None;
    std::string reason{};      // the system's text for the failure; empty without one
    long status = 0;           // HTTP status of the last answer, 0 when none came
    std::string statusLine{};  // "HTTP/1.1 200 OK"; empty when none came
    std::string url{};         // address of the last answer, after redirects
    std::string rawHeaders{};  // status line and header lines of the last answer, CR LF

    // A whole answer arrived (possibly with an error status).
    bool delivered() const {
        return failure == TransferFailure::None || failure == TransferFailure::HttpStatus;
    }
};

}  // namespace lh
