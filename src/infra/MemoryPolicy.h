#pragma once

// How the process's allocator treats large blocks (decoded pictures and the like).
//
// glibc maps a large block on its own, but once such a block is freed it raises its mapping threshold
// to that block's size, and from then on every decoder thread carves its pictures out of a per-thread
// arena. An arena keeps the pages it grew to after the pictures are freed, wherever a small block still
// lives above them, so a viewer that plays one recording after another grows by hundreds of MiB of
// memory it no longer uses. With a fixed threshold large blocks stay mapped on their own and go back to
// the system when freed.

#include <cstddef>

// Blocks of at least this many bytes are mapped on their own (glibc's own starting threshold).
inline constexpr std::size_t kOwnMappingBytes = 128 * 1024;

// Fixes the threshold at kOwnMappingBytes. Call first thing in main, before any thread starts; false
// when the allocator refused.
bool ReturnLargeBlocksToTheSystem();
