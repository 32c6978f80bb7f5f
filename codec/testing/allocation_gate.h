// For tests: every buffer a codec stream holds is allocated by its begin
// through one heap, and a gate placed here sees each allocation first. So a
// test can make any one allocation fail, and check that a frame allocates
// nothing.
#pragma once

#include <cstddef>

namespace drav {

// Sees each allocation's size first and refuses it by returning false.
using AllocationGate = bool (*)(size_t bytes);
// Null lets every allocation through. Returns the gate placed before.
AllocationGate setAllocationGate(AllocationGate gate);

}  // namespace drav
