#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

// Named-section timer in microseconds. Readings are the low 32 bits of a monotonic microsecond
// clock, so they wrap about every 71.6 minutes; intervals use wrap-around subtraction and stay
// correct for any section shorter than that.
class Profiler {
  public:
    using Clock = std::uint32_t (*)();

    struct Timing {
        std::uint32_t start = 0;
        std::uint32_t total = 0;
        bool listed = false;  // started since the last reset
    };

    Profiler() = default;
    virtual ~Profiler() = default;

    void start(std::string_view section);
    void stop(std::string_view section);
    std::uint32_t total(std::string_view section) const;
    void reset();

    // Every section started since the last reset, in the order of its first start.
    std::vector<std::string> names() const;

    // The clock of this profiler; a null clock restores the process-wide one.
    void setClock(Clock clock) { clock_ = clock; }
    // The process-wide clock used by profilers without their own. The Windows module installs one
    // that reads the performance counter; elsewhere it is the standard monotonic clock.
    static void setDefaultClock(Clock clock);
    static std::uint32_t defaultClockNow();

    // Counter ticks at `frequency` ticks per second to the microsecond reading, computed as whole
    // seconds x 10^9 plus remainder x 10^9 / frequency nanoseconds, truncated to microseconds.
    static std::uint32_t counterToMicroseconds(std::int64_t ticks, std::int64_t frequency);

  private:
    std::uint32_t now() const;
    Timing& record(std::string_view section);

    std::vector<std::string> names_;  // the first listed_ entries are the current list
    std::size_t listed_ = 0;
    std::map<std::string, Timing, std::less<>> timings_;
    Clock clock_ = nullptr;
};

}  // namespace veltra
