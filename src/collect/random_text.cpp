#include "collect/random_text.h"

#include <atomic>
#include <chrono>

namespace lh {

namespace {

// Shared by every source, so two sources reseeded in one millisecond differ too.
std::atomic<std::uint64_t> reseedCounter{0};

std::uint64_t steadyMilliseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

// A source that strays out of range is folded back into it.
int pick(RandomSource& source, int bound) {
    const int value = source.below(bound) % bound;
    return value < 0 ? value + bound : value;
}

}  // namespace

TickRandomSource::TickRandomSource(std::function<std::uint64_t()> tick)
    : tick_(tick ? std::move(tick) : std::function<std::uint64_t()>(steadyMilliseconds)) {
    reseed();
}

void TickRandomSource::reseed() {
    counter_ = ++reseedCounter;
    const std::uint64_t seed = tick_() + counter_;
    std::seed_seq sequence{static_cast<std::uint32_t>(seed),
                           static_cast<std::uint32_t>(seed >> 32)};
    engine_.seed(sequence);
}

int TickRandomSource::below(int bound) {
    if (bound <= 1) return 0;
    return std::uniform_int_distribution<int>(0, bound - 1)(engine_);
}

std::string randomText(int length, RandomSource& source) {
    std::string text;
    if (length <= 0) return text;
    source.reseed();
    text.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        switch (pick(source, 3)) {
        case 0:
            text += static_cast<char>('0' + pick(source, 10));
            break;
        case 1:
            text += static_cast<char>('a' + pick(source, 26));
            break;
        default:
            text += static_cast<char>('A' + pick(source, 26));
            break;
        }
    }
    return text;
}

std::string randomText(int length) {
    thread_local TickRandomSource source;
    return randomText(length, source);
}

}  // namespace lh
