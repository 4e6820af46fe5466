#include "recording/BufferedFile.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads exactly count bytes at offset, retrying short reads; false on error or end of file.
bool ReadFully(int descriptor, int64_t offset, std::size_t count, uint8_t* out)
{
    while (count > 0) {
        const ssize_t got = pread(descriptor, out, count, offset);
        if (got <= 0)
            return false;
        out += got;
        offset += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::shared_ptr<BufferedFile> BufferedFile::Open(const std::string& path)
{
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return nullptr;
    struct stat info{};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::shared_ptr<BufferedFile>(new BufferedFile(descriptor, info.st_size));
}

BufferedFile::BufferedFile(int descriptor, int64_t size) : m_descriptor(descriptor), m_size(size) {}

BufferedFile::~BufferedFile()
{
    ::close(m_descriptor);
}

const uint8_t* BufferedFile::Block(int64_t blockIndex)
{
    Slot& slot = m_slots[static_cast<std::size_t>(blockIndex) % kSlots];
    if (slot.blockIndex == blockIndex)
        return slot.bytes.data();
    const int64_t start = blockIndex * static_cast<int64_t>(kBlockSize);
    const std::size_t length =
        static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(kBlockSize), m_size - start));
    slot.bytes.resize(kBlockSize);
    slot.blockIndex = -1;
    if (!ReadFully(m_descriptor, start, length, slot.bytes.data()))
        return nullptr;
    slot.blockIndex = blockIndex;
    slot.length = length;
    return slot.bytes.data();
}

bool BufferedFile::Read(int64_t offset, std::size_t count, void* out)
{
    if (offset < 0 || count > static_cast<uint64_t>(m_size) || offset > m_size - static_cast<int64_t>(count))
        return false;
    auto* target = static_cast<uint8_t*>(out);
    // Large reads (whole payloads) bypass the cache: they would only evict the header blocks.
    if (count >= kBlockSize)
        return ReadFully(m_descriptor, offset, count, target);
    std::size_t done = 0;
    while (done < count) {
        const int64_t position = offset + static_cast<int64_t>(done);
        const int64_t blockIndex = position / static_cast<int64_t>(kBlockSize);
        const uint8_t* block = Block(blockIndex);
        if (!block)
            return false;
        const std::size_t within = static_cast<std::size_t>(position % static_cast<int64_t>(kBlockSize));
        const std::size_t take = std::min(count - done, kBlockSize - within);
        std::memcpy(target + done, block + within, take);
        done += take;
    }
    return true;
}

int32_t BufferedFile::ReadInt32(int64_t offset)
{
    uint8_t bytes[4] = {};
    if (!Read(offset, sizeof bytes, bytes))
        return 0;
    const uint32_t value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return static_cast<int32_t>(value);
}

std::string BufferedFile::ReadFourCC(int64_t offset)
{
    std::string text(4, '\0');
    for (int i = 0; i < 4; ++i) {
        uint8_t byte = 0;
        if (Read(offset + i, 1, &byte))
            text[static_cast<std::size_t>(i)] = static_cast<char>(byte);
    }
    return text;
}
