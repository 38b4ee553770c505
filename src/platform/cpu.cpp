#include "platform/cpu.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

int TestProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    // Every processor that runs this build has CPUID; __get_cpuid reports false only when
    // leaf 1 is beyond the highest leaf.
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
        return 1;
    }
    if ((edx & (1u << 23)) == 0) {
        return 2;
    }
    if ((edx & (1u << 15)) == 0) {
        return 3;
    }
    return 4;
#else
    return 2;
#endif
}

} // namespace

int IsMMXAvailable() {
    static const int level = TestProcessor();
    return level;
}

bool HasAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}
