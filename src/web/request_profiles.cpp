#include "web/request_profiles.h"

#include <atomic>
#include <chrono>
#include <random>

namespace lh {

std::string forgedClientHeaders() {
    // Clock plus a running counter, so calls within one clock tick still differ.
    static std::atomic<std::uint64_t> counter{0};
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32),
                       static_cast<std::uint32_t>(counter.fetch_add(1)), std::random_device{}()};
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> octet(0, 255);
    std::string address;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) address += '.';
        address += std::to_string(octet(generator));
    }
    return "X-Forward-For: " + address + "\r\nX-Forwarded-For: " + address +
           "\r\nREMOTE_ADDR: " + address;
}

}  // namespace lh
