#pragma once

#include <cstdint>
#include <functional>
#include <random>
#include <string>

namespace lh {

// Where random choices come from. `reseed` is called once at the start of every
// `randomText`; `below(n)` gives a whole number in [0, n), uniformly.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void reseed() = 0;
    virtual int below(int bound) = 0;
};

// Reseeds from a millisecond tick count plus a counter that moves on at every
// reseeding, so two reseedings in the same millisecond still differ.
class TickRandomSource : public RandomSource {
public:
    // `tick` gives milliseconds; the default is the steady clock.
    explicit TickRandomSource(std::function<std::uint64_t()> tick = {});
    void reseed() override;
    int below(int bound) override;

private:
    std::function<std::uint64_t()> tick_;
    std::uint64_t counter_ = 0;
    std::mt19937 engine_;
};

// `length` random letters and digits: each character first picks digit, lower-case or
// upper-case letter with equal chance, then a character of that class uniformly.
// A length of 0 or less gives empty text.
std::string randomText(int length, RandomSource& source);

// The same with the program's own tick-seeded source (one per thread).
std::string randomText(int length);

}  // namespace lh
