#include "codec/cpu_features.h"

namespace drav {

// x86-64 guarantees MMX and SSE2 but not SSSE3.
bool processorHasSsse3() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
#else
    return false;
#endif
}

// libgcc reports AVX2 only where the system saves the 256-bit registers.
bool processorHasAvx2() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool processorHasSse2() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse2");
#else
    return false;
#endif
}

bool processorHasMmx() {
#if defined(__x86_64__)
    return true;
#elif defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("mmx");
#else
    return false;
#endif
}

bool everyProcessor() { return true; }

}  // namespace drav
