#include "ProcessorTest.h"

#include <windows.h>

#include <cstdint>

namespace drav {

#if defined(__i386__)

// The probes are written in assembly so that the one instruction of each that
// may fault has a known address: the exception handler steps over exactly that
// instruction and makes the probe answer 0.
extern "C" {
uint32_t dravIdFlagToggles();      // 1 when the EFLAGS ID bit can change: CPUID exists
uint32_t dravCpuidFeatureFlags();  // EDX of CPUID function 1
uint32_t dravEmmsProbe();          // 1 after EMMS ran
extern const char dravCpuidInstruction[];
extern const char dravEmmsInstruction[];
}

__asm__(
    ".text\n"
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
    ".globl _dravCpuidInstruction\n"
    "_dravCpuidInstruction:\n"
    "  cpuid\n"
    "  movl %edx, %eax\n"
    "  popl %ebx\n"
    "  ret\n"
    ".globl _dravEmmsProbe\n"
    "_dravEmmsProbe:\n"
    "  movl $1, %eax\n"
    ".globl _dravEmmsInstruction\n"
    "_dravEmmsInstruction:\n"
    "  emms\n"
    "  ret\n");

namespace {

constexpr uint32_t CPUID_MMX_FLAG = 1u << 23;
constexpr DWORD PROBE_INSTRUCTION_LENGTH = 2;  // cpuid and emms are both 0F xx

LONG CALLBACK stepOverFaultingProbe(EXCEPTION_POINTERS* exception) {
    const void* address = exception->ExceptionRecord->ExceptionAddress;
    if (address != dravCpuidInstruction && address != dravEmmsInstruction) return EXCEPTION_CONTINUE_SEARCH;
    CONTEXT* context = exception->ContextRecord;
    context->Eip += PROBE_INSTRUCTION_LENGTH;
    context->Eax = 0;
    context->Edx = 0;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Installs the handler for the lifetime of the object. Vectored handlers exist
// from Windows XP on; older systems run the probes unguarded, where the ID-flag
// test already keeps CPUID off processors that lack it.
class ProbeFaultGuard {
public:
    ProbeFaultGuard() {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        auto add = reinterpret_cast<PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER)>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "AddVectoredExceptionHandler")));
        remove_ = reinterpret_cast<ULONG(WINAPI*)(PVOID)>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "RemoveVectoredExceptionHandler")));
        if (add && remove_) handler_ = add(1, stepOverFaultingProbe);
    }
    ~ProbeFaultGuard() {
        if (handler_) remove_(handler_);
    }
    ProbeFaultGuard(const ProbeFaultGuard&) = delete;
    ProbeFaultGuard& operator=(const ProbeFaultGuard&) = delete;

private:
    ULONG(WINAPI* remove_)(PVOID) = nullptr;
    PVOID handler_ = nullptr;
};

}  // namespace

bool CpuHasMMX() {
    if (!dravIdFlagToggles()) return false;
    ProbeFaultGuard guard;
    if (!(dravCpuidFeatureFlags() & CPUID_MMX_FLAG)) return false;
    return dravEmmsProbe() == 1;
}

#elif defined(__x86_64__) || defined(_M_X64)

bool CpuHasMMX() { return true; }  // part of every x86-64 processor

#else

bool CpuHasMMX() { return false; }

#endif

}  // namespace drav
