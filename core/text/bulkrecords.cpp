#include "bulkrecords.h"

#include <QtGlobal>
#include <cstdint>

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

bool fitsHalfFreeMemory(size_t bytes)
{
#if defined(Q_OS_UNIX) && defined(_SC_AVPHYS_PAGES)
    const long pages = sysconf(_SC_AVPHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 && bytes / size_t(pageSize) <= size_t(pages) / 2;
#else
    (void)bytes;
    return false;
#endif
}
