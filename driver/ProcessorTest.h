// The processor test behind the MMX switch.
#pragma once

namespace drav {

// True when the processor runs MMX instructions. Run afresh at every call;
// processors without CPUID, and faults of CPUID or EMMS, answer false.
bool CpuHasMMX();

}  // namespace drav
