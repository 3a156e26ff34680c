// The process's own memory use, for the benchmarks that hold a figure against
// the size of what was read: resident bytes now and at their peak.
#pragma once

#include <cstdint>

namespace plat {

// Resident bytes of this process; 0 when the system does not tell.
uint64_t ResidentBytes();
// The highest resident size since the process started or the last reset.
uint64_t PeakResidentBytes();
// Starts the peak afresh from the current size; false when it cannot.
bool ResetPeakResident();
// Hands freed heap pages back to the system, so that the resident size counts
// what is in use rather than what was used before.
void TrimHeap();

}  // namespace plat
