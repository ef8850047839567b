#include "fuzz_entries.h"

#include <cstdio>
#include <cstdlib>

// VT_FUZZ_ENTRY names the entry function of this target.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString problem = vt::fuzz::VT_FUZZ_ENTRY(data, size);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "finding: %s\n", problem.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
