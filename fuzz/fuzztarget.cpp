// One fuzz target: FUZZ_ENTRY names the entry of fuzzentries.h it runs.

#include "fuzzentries.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzing::silenceReaders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (const char *broken = fuzzing::FUZZ_ENTRY(data, size)) {
        std::fprintf(stderr, "broken promise: %s\n", broken);
        std::abort();
    }
    return 0;
}
