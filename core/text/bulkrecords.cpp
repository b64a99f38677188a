#include "bulkrecords.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdio>

#ifdef __linux__
#include <sys/mman.h>
#endif
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

void adviseHugePages(void *data, size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t hugePage = uintptr_t(2) << 20;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(data) + hugePage - 1) & ~(hugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE); // advice only
#else
    (void)data;
    (void)bytes;
#endif
}

namespace {

// The memory the system could give now without swapping: on Linux its own
// estimate, which counts the page cache it would drop (MemFree alone is
// small on a machine that has been reading files); 0 when unknown.
size_t availableMemory()
{
#ifdef __linux__
    if (std::FILE *meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found)
            return size_t(kib) * 1024;
    }
#endif
#if defined(Q_OS_UNIX) && defined(_SC_AVPHYS_PAGES)
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return size_t(pages) * size_t(pageSize);
#endif
    return 0;
}

} // namespace

bool fitsHalfFreeMemory(size_t bytes)
{
    return bytes <= availableMemory() / 2;
}
