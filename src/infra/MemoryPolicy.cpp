#include "infra/MemoryPolicy.h"

#include <malloc.h>

bool ReturnLargeBlocksToTheSystem()
{
    // Setting the threshold by hand also stops glibc from moving it (and the trim threshold) later.
    return mallopt(M_MMAP_THRESHOLD, static_cast<int>(kOwnMappingBytes)) == 1;
}
