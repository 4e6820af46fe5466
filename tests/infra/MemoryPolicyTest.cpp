#include "infra/MemoryPolicy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <malloc.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TESSARO_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TESSARO_OWN_ALLOCATOR 1
#endif
#endif

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// Free bytes the allocator holds in its heaps, over all arenas.
std::size_t HeldFreeBytes()
{
    return mallinfo2().fordblks;
}

// Seen from outside, so that the compiler cannot drop an allocation whose block nobody reads.
void* volatile g_lastBlock = nullptr;

void* Touched(std::size_t size)
{
    void* block = std::malloc(size);
    if (block)
        std::memset(block, 1, size);
    g_lastBlock = block;
    return block;
}

}  // namespace

// What a decoder thread does over a recording: one large block freed (which, left alone, moves glibc's
// threshold up), then many pictures with small blocks allocated between them that outlive them. Once
// the pictures are freed the allocator must not keep their pages.
TEST(MemoryPolicy, LargeBlocksFreedOnAWorkerThreadDoNotStayInItsHeap)
{
#ifdef TESSARO_OWN_ALLOCATOR
    GTEST_SKIP() << "a sanitizer's allocator stands in for glibc's here";
#endif
    ASSERT_TRUE(ReturnLargeBlocksToTheSystem());
    constexpr int kPictures = 40;
    std::size_t heldBefore = 0;
    std::size_t heldAfter = 0;
    std::thread([&] {
        std::free(Touched(4 * kMiB));
        heldBefore = HeldFreeBytes();
        std::vector<void*> pictures;
        std::vector<void*> survivors;
        for (int i = 0; i < kPictures; ++i) {
            pictures.push_back(Touched(kMiB));
            survivors.push_back(Touched(64));
        }
        for (void* picture : pictures)
            std::free(picture);
        heldAfter = HeldFreeBytes();
        for (void* survivor : survivors)
            std::free(survivor);
    }).join();
    EXPECT_LT(heldAfter, heldBefore + 8 * kMiB) << "held before " << heldBefore << ", after " << heldAfter;
}
