#include "chain/Profiler.h"

#include <atomic>
#include <chrono>

namespace veltra {

namespace {

std::uint32_t steadyClockMicroseconds() {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
    using Period = std::chrono::steady_clock::period;
    return Profiler::counterToMicroseconds(ticks.count() * Period::num, Period::den);
}

std::atomic<Profiler::Clock> gDefaultClock{&steadyClockMicroseconds};

}  // namespace

std::uint32_t Profiler::counterToMicroseconds(std::int64_t ticks, std::int64_t frequency) {
    if (frequency <= 0) return 0;
    const std::int64_t seconds = ticks / frequency;
    const std::int64_t remainder = ticks % frequency;
    // Unsigned arithmetic keeps the low bits exact even after the 64-bit nanosecond count wraps.
    const std::uint64_t nanoseconds = static_cast<std::uint64_t>(seconds) * 1000000000ull +
                                      static_cast<std::uint64_t>(remainder) * 1000000000ull /
                                          static_cast<std::uint64_t>(frequency);
    return static_cast<std::uint32_t>(nanoseconds / 1000u);
}

void Profiler::setDefaultClock(Clock clock) {
    gDefaultClock.store(clock != nullptr ? clock : &steadyClockMicroseconds);
}

std::uint32_t Profiler::defaultClockNow() {
    return gDefaultClock.load()();
}

std::uint32_t Profiler::now() const {
    return clock_ != nullptr ? clock_() : defaultClockNow();
}

Profiler::Timing& Profiler::record(std::string_view section) {
    auto found = timings_.find(section);
    if (found == timings_.end()) found = timings_.emplace(std::string(section), Timing{}).first;
    return found->second;
}

void Profiler::start(std::string_view section) {
    Timing& timing = record(section);
    if (!timing.listed) {
        timing.listed = true;
        // The name slots outlive a reset, so a profiler that times the same sections again
        // after a reset makes no allocation.
        if (listed_ == names_.size()) {
            names_.emplace_back(section);
        } else if (names_[listed_] != section) {
            names_[listed_].assign(section);
        }
        ++listed_;
    }
    timing.start = now();
}

void Profiler::stop(std::string_view section) {
    Timing& timing = record(section);
    timing.total += now() - timing.start;
}

std::uint32_t Profiler::total(std::string_view section) const {
    const auto found = timings_.find(section);
    return found != timings_.end() ? found->second.total : 0;
}

std::vector<std::string> Profiler::names() const {
    return {names_.begin(), names_.begin() + static_cast<std::ptrdiff_t>(listed_)};
}

// Every total back to 0 and the list emptied; the entries themselves are kept for reuse.
void Profiler::reset() {
    for (auto& entry : timings_) entry.second = Timing{};
    listed_ = 0;
}

}  // namespace veltra
