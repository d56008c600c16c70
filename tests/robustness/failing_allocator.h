// A test allocator for the robustness tests: this executable replaces the
// global operator new and delete, so every allocation through them (also
// those of the plug-ins it loads, which resolve the operators to the
// executable's) is counted while the allocator is armed, and the n-th one
// can be made to fail.
//
//   failalloc::Arm(n, false);  // the n-th allocation from now fails, once
//   ... run the code under test ...
//   const failalloc::Tally t = failalloc::Disarm();
//
// malloc itself is not replaced (the sanitizers own it): memory that expat
// or the C library take with malloc is outside the sweep unless the code
// routes it through operator new.
#ifndef VELAN_TESTS_ROBUSTNESS_FAILING_ALLOCATOR_H
#define VELAN_TESTS_ROBUSTNESS_FAILING_ALLOCATOR_H

#include <cstdint>

namespace failalloc {

struct Tally {
  uint64_t allocations = 0;  // allocations seen while armed (failed ones included)
  uint64_t failures = 0;     // allocations made to fail
};

// Starts counting. With `failAt` > 0 the failAt-th allocation from now fails
// (throws std::bad_alloc, or gives null for the nothrow forms); with
// `persistent` every later one fails as well. `failAt` 0 only counts.
void Arm(uint64_t failAt, bool persistent);
// Stops counting and failing; returns what happened since Arm.
Tally Disarm();

// Called once, at the first failure of an armed run, with allocations
// passing through unarmed meanwhile (to take a snapshot of the state the
// failure met). Stays set until replaced; null: nothing.
void OnFirstFailure(void (*hook)(void* context), void* context);

}  // namespace failalloc

#endif
