#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A read-only file served through a small cache of aligned blocks. The container walk reads a few
// bytes at a time at scattered offsets; the cache turns those into a handful of block reads, so that
// opening a recording touches only the blocks that hold its headers.
class BufferedFile : public std::enable_shared_from_this<BufferedFile> {
public:
    // Opens a regular file; nullptr when it cannot be opened or is not a regular file.
    static std::shared_ptr<BufferedFile> Open(const std::string& path);
    ~BufferedFile();
    BufferedFile(const BufferedFile&) = delete;
    BufferedFile& operator=(const BufferedFile&) = delete;

    int64_t Size() const { return m_size; }
    // Copies count bytes at offset into out; false unless the whole range is inside the file and could
    // be read (out may then hold part of the bytes).
    bool Read(int64_t offset, std::size_t count, void* out);

    // The little-endian 32-bit value at offset, handed on as a signed number; 0 unless all four bytes
    // lie inside the file.
    int32_t ReadInt32(int64_t offset);
    // Four characters, one per byte at offset..offset+3; a byte outside the file reads as a zero byte.
    std::string ReadFourCC(int64_t offset);

    static constexpr std::size_t kBlockSize = 4096;

private:
    BufferedFile(int descriptor, int64_t size);
    const uint8_t* Block(int64_t blockIndex);

    struct Slot {
        int64_t blockIndex = -1;
        std::size_t length = 0;
        std::vector<uint8_t> bytes;
    };
    static constexpr std::size_t kSlots = 16;

    int m_descriptor = -1;
    int64_t m_size = 0;
    std::array<Slot, kSlots> m_slots;
};
