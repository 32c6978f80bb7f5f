// The processor test behind the MMX switch.
#pragma once

#include <cstdint>

namespace drav {

// True when the processor runs MMX instructions. Run afresh at every call;
// processors without CPUID, and faults of CPUID or EMMS, answer false.
bool CpuHasMMX();

#if defined(__i386__)
// A probe: a leaf function that returns a value, or faults on processors that
// lack what it tries.
using ProcessorProbe = uint32_t (*)();

// Runs a probe under the frame-based exception handler that guards CPUID and
// EMMS: the probe's value, or 0 when it raised any exception. Every Win32
// system dispatches these frames; the registers the caller keeps across calls
// are restored after a fault.
uint32_t runGuardedProbe(ProcessorProbe probe);
#endif

}  // namespace drav
