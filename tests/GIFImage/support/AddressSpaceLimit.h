#pragma once
// Memory tests run in a child process whose address space is limited, as an
// attacker's file would meet a real machine. The address and thread
// sanitizers reserve terabytes of address space up front, so under them
// they cannot run.

#include <cstdint>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool AddressSpaceCanBeLimited = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool AddressSpaceCanBeLimited = false;
#else
inline constexpr bool AddressSpaceCanBeLimited = true;
#endif
#else
inline constexpr bool AddressSpaceCanBeLimited = true;
#endif

// Allows this process extraMegabytes of address space beyond what it maps now.
inline void LimitAddressSpace(int64_t extraMegabytes) {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                         static_cast<rlim_t>(extraMegabytes) * 1024 * 1024;
    const rlimit rl{limit, limit};
    setrlimit(RLIMIT_AS, &rl);
}
