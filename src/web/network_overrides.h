#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace lh {

// Program-wide redirections of the network, for tests and the command line's
// --connect-to/--cacert: requests keep their real addresses (Host header, TLS name)
// but connect elsewhere, and one more CA is trusted besides the system's. The window
// program never sets them. Thread-safe.
class NetworkOverrides {
public:
    static NetworkOverrides& instance();

    NetworkOverrides() = default;
    NetworkOverrides(const NetworkOverrides&) = delete;
    NetworkOverrides& operator=(const NetworkOverrides&) = delete;

    // Connections to host:port go to targetHost:targetPort instead.
    void addConnectTo(std::string_view host, int port, std::string_view targetHost, int targetPort);
    // The same in curl's --connect-to form "HOST:PORT:CONNECT-TO-HOST:CONNECT-TO-PORT";
    // false (nothing added) when the text is not of that form.
    bool addConnectTo(std::string_view spec);
    // A PEM file whose certificates are trusted in addition to the system's; false when
    // it cannot be read (the previous setting stays).
    bool setExtraCaFile(const std::string& path);
    void clear();

    struct Snapshot {
        std::vector<std::string> connectTo;  // curl --connect-to entries
        std::shared_ptr<const std::string>
            caBundle;                  // system CAs + extra CA (PEM); null without one
        std::uint64_t generation = 0;  // changes with every change of the overrides
    };
    Snapshot snapshot() const;
    // Puts back what an earlier snapshot() saw (for scoped changes that nest).
    void restore(const Snapshot& saved);
    // Cheap test for "changed since": the generation of the current overrides.
    std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> connectTo_;
    std::shared_ptr<const std::string> caBundle_;
    std::atomic<std::uint64_t> generation_{1};
};

}  // namespace lh
