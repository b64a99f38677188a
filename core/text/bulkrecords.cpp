#include "bulkrecords.h"

#include "platform.h"

bool fitsHalfFreeMemory(size_t bytes)
{
    return bytes <= platform::availableMemory() / 2;
}
