#include "bulkrecords.h"

#include "platform.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdio>

#ifdef __linux__
#include <sys/mman.h>
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
    return bytes <= platform::availableMemory() / 2;
}
