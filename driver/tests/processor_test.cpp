// The guard of the processor test, tried with probes that fault the way
// CPUID and EMMS fault on processors without them.
#include <windows.h>

#include <gtest/gtest.h>

#include "ProcessorTest.h"

// The guard is i686's: x86-64 unwinds by tables and always has MMX.
#if defined(__i386__)
namespace drav {
namespace {

extern "C" {
uint32_t dravTestPlainProbe();            // returns 0x1234
uint32_t dravTestUndefinedInstruction();  // ud2 after trashing every register and the stack
uint32_t dravTestBadRead();               // reads address 0
}

__asm__(
    ".text\n"
    "_dravTestPlainProbe:\n"
    "  movl $0x1234, %eax\n"
    "  ret\n"
    "_dravTestUndefinedInstruction:\n"
    "  pushl $1\n"
    "  pushl $2\n"
    "  pushl $3\n"
    "  movl $0xDEAD0001, %ebx\n"
    "  movl $0xDEAD0002, %esi\n"
    "  movl $0xDEAD0003, %edi\n"
    "  movl $0xDEAD0004, %ebp\n"
    "  movl $0xDEAD0005, %eax\n"
    "  std\n"
    "  ud2\n"
    "_dravTestBadRead:\n"
    "  xorl %eax, %eax\n"
    "  movl (%eax), %eax\n"
    "  ret\n");

// The head of the thread's chain of exception registration records.
void* currentExceptionList() {
    void* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

TEST(ProcessorTest, FaultingProbesAnswerZeroAndTheCallerCarriesOn) {
    void* chain = currentExceptionList();
    EXPECT_EQ(runGuardedProbe(dravTestPlainProbe), 0x1234u);
    // Values the optimiser keeps in callee-saved registers across the calls.
    volatile uint32_t seed = 7;
    uint32_t a = seed * 3, b = seed * 5, c = seed * 11, sum = 0;
    for (int i = 0; i < 100; ++i) {
        sum += runGuardedProbe(dravTestUndefinedInstruction) + a;
        sum += runGuardedProbe(dravTestBadRead) + b;
        sum += runGuardedProbe(dravTestPlainProbe) + c;
    }
    EXPECT_EQ(sum, 100u * (21 + 35 + 77 + 0x1234));
    EXPECT_EQ(currentExceptionList(), chain);  // every registration record unlinked
}

}  // namespace
}  // namespace drav
#endif
