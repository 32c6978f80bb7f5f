#include "ProcessorTest.h"

#include <windows.h>

namespace drav {

#if defined(__i386__)

// The probes and the guard are written in assembly: the guard's exception
// registration record lives at a stack address the compiler knows nothing
// about, so no compiler-generated code may run between its installation and
// removal.
extern "C" {
uint32_t dravIdFlagToggles();      // 1 when the EFLAGS ID bit can change: CPUID exists
uint32_t dravCpuidFeatureFlags();  // EDX of CPUID function 1
uint32_t dravEmmsProbe();          // 1 after EMMS ran
uint32_t dravGuardedCall(ProcessorProbe probe);
extern const char dravGuardedCallResume[];
EXCEPTION_DISPOSITION __cdecl dravProbeFaultHandler(EXCEPTION_RECORD* record, void* establisherFrame, CONTEXT* context,
                                                    void* dispatcherContext);
}

// dravGuardedCall(probe), cdecl. Stack after the prologue, from the
// registration record (the establisher frame) up:
//   +0 previous record, +4 handler, +8 edi, +12 esi, +16 ebx, +20 ebp, +24 return, +28 probe.
// After a fault the handler resumes at dravGuardedCallResume with esp at the
// record and eax 0; the epilogue unlinks the record and pops the registers
// saved on entry, whatever the probe left in them.
__asm__(
    ".text\n"
    ".globl _dravGuardedCall\n"
    "_dravGuardedCall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl $_dravProbeFaultHandler\n"
    "  pushl %fs:0\n"
    "  movl %esp, %fs:0\n"
    "  call *8(%ebp)\n"
    ".globl _dravGuardedCallResume\n"
    "_dravGuardedCallResume:\n"
    "  movl (%esp), %ecx\n"
    "  movl %ecx, %fs:0\n"
    "  addl $8, %esp\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n"
    ".globl _dravIdFlagToggles\n"
    "_dravIdFlagToggles:\n"
    "  pushfl\n"
    "  popl %eax\n"
    "  movl %eax, %ecx\n"
    "  xorl $0x200000, %eax\n"
    "  pushl %eax\n"
    "  popfl\n"
    "  pushfl\n"
    "  popl %eax\n"
    "  pushl %ecx\n"
    "  popfl\n"
    "  xorl %ecx, %eax\n"
    "  shrl $21, %eax\n"
    "  andl $1, %eax\n"
    "  ret\n"
    ".globl _dravCpuidFeatureFlags\n"
    "_dravCpuidFeatureFlags:\n"
    "  pushl %ebx\n"
    "  movl $1, %eax\n"
    "  xorl %ecx, %ecx\n"
    "  cpuid\n"
    "  movl %edx, %eax\n"
    "  popl %ebx\n"
    "  ret\n"
    ".globl _dravEmmsProbe\n"
    "_dravEmmsProbe:\n"
    "  movl $1, %eax\n"
    "  emms\n"
    "  ret\n");

namespace {

constexpr uint32_t CPUID_MMX_FLAG = 1u << 23;
constexpr DWORD UNWINDING = EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND;
constexpr DWORD DIRECTION_FLAG = 0x400;  // clear on return from any function

}  // namespace

extern "C" EXCEPTION_DISPOSITION __cdecl dravProbeFaultHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                                               CONTEXT* context, void*) {
    if (record->ExceptionFlags & UNWINDING) return ExceptionContinueSearch;
    const auto frame = DWORD(reinterpret_cast<uintptr_t>(establisherFrame));
    context->Esp = frame;
    context->EFlags &= ~DIRECTION_FLAG;
    context->Eip = DWORD(reinterpret_cast<uintptr_t>(dravGuardedCallResume));
    context->Eax = 0;
    return ExceptionContinueExecution;
}

uint32_t runGuardedProbe(ProcessorProbe probe) { return dravGuardedCall(probe); }

bool CpuHasMMX() {
    if (!dravIdFlagToggles()) return false;
    if (!(runGuardedProbe(dravCpuidFeatureFlags) & CPUID_MMX_FLAG)) return false;
    return runGuardedProbe(dravEmmsProbe) == 1;
}

#elif defined(__x86_64__) || defined(_M_X64)

// Exception handling is table-based on x86-64, and MMX is part of every
// processor of the architecture: nothing to probe.
bool CpuHasMMX() { return true; }

#else

bool CpuHasMMX() { return false; }

#endif

}  // namespace drav
