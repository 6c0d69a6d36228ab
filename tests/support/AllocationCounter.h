#pragma once

namespace veltra::support {

// Heap allocations made through the global operator new since the program started. Linking
// AllocationCounter.cpp into a binary replaces its global allocation functions with counting ones,
// so a test or a benchmark can prove that a path allocates nothing.
long allocationCount();

}  // namespace veltra::support
