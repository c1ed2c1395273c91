#include "memory_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
constexpr int64_t MaxStreamSize = std::numeric_limits<int32_t>::max();
}

MemoryStream::MemoryStream(uint8_t* buffer_, int32_t size_)
    : buffer(buffer_), size(std::max<int32_t>(size_, 0)), freeOnClose(buffer_ == nullptr), position(0),
      capacity(size)
{
}

MemoryStream::~MemoryStream()
{
    CloseStream();
}

bool MemoryStream::CloseStream()
{
    if (buffer && freeOnClose) {
        std::free(buffer);
        buffer = nullptr;
        size = 0;
    }
    return true;
}

uint32_t MemoryStream::ReadBlock(void* destination, uint32_t itemSize, uint32_t itemCount)
{
    const uint64_t wanted = uint64_t{itemSize} * itemCount;
    if (!destination || !buffer || position >= size || wanted == 0)
        return 0;
    const uint64_t n = std::min<uint64_t>(wanted, static_cast<uint64_t>(size - position));
    std::memcpy(destination, buffer + position, n);
    position += static_cast<int32_t>(n);
    return static_cast<uint32_t>(n / itemSize);
}

uint32_t MemoryStream::WriteBlock(const void* source, uint32_t itemSize, uint32_t itemCount)
{
    const uint64_t n = uint64_t{itemSize} * itemCount;
    if (!buffer || !source || n == 0)
        return 0;
    const int64_t end = int64_t{position} + static_cast<int64_t>(n);
    if (end > MaxStreamSize)
        return 0;
    if (end > capacity && !Reserve(static_cast<int32_t>(end)))
        return 0;
    std::memcpy(buffer + position, source, n);
    position = static_cast<int32_t>(end);
    size = std::max(size, position);
    return itemCount;
}

bool MemoryStream::SeekTo(int32_t offset, int origin)
{
    if (!buffer)
        return false;
    int64_t target = 0;
    switch (origin) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = int64_t{position} + offset; break;
    case SEEK_END: target = int64_t{size} + offset; break;
    default: return false;
    }
    position = static_cast<int32_t>(std::clamp<int64_t>(target, 0, MaxStreamSize));
    return true;
}

int32_t MemoryStream::Position()
{
    return buffer ? position : -1;
}

int32_t MemoryStream::Length()
{
    return buffer ? size : -1;
}

bool MemoryStream::FlushStream()
{
    return buffer != nullptr;
}

bool MemoryStream::AtEnd()
{
    return !buffer || position >= size;
}

int32_t MemoryStream::ErrorState()
{
    if (!buffer)
        return -1;
    return position > size ? 1 : 0;
}

bool MemoryStream::PutByte(uint8_t value)
{
    if (!buffer)
        return false;
    if (position >= capacity && (position == MaxStreamSize || !Reserve(position + 1)))
        return false;
    buffer[position++] = value;
    size = std::max(size, position);
    return true;
}

int MemoryStream::GetByte()
{
    if (AtEnd())
        return -1;
    return buffer[position++];
}

char* MemoryStream::GetLine(char* text, int32_t capacity_)
{
    if (!text || capacity_ <= 0)
        return nullptr;
    int32_t n = 0;
    while (n < capacity_ - 1) {
        const int c = GetByte();
        if (c < 0)
            return nullptr;
        text[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    text[n] = '\0';
    return text;
}

int MemoryStream::ScanFormatted(const char*, void*)
{
    return 0;
}

bool MemoryStream::OpenEmpty()
{
    if (buffer)
        return false;
    buffer = static_cast<uint8_t*>(std::malloc(1));
    freeOnClose = true;
    position = size = capacity = 0;
    return buffer != nullptr;
}

uint8_t* MemoryStream::BufferPointer(bool giveUpOwnership)
{
    if (giveUpOwnership)
        freeOnClose = false;
    return buffer;
}

bool MemoryStream::Reserve(int32_t length)
{
    if (length <= capacity)
        return buffer != nullptr;
    const int64_t grown = (int64_t{length} / GrowthStep + 1) * GrowthStep;
    if (grown > MaxStreamSize)
        return false;
    uint8_t* fresh = nullptr;
    if (freeOnClose) {
        fresh = static_cast<uint8_t*>(std::realloc(buffer, static_cast<size_t>(grown)));
    } else {
        // A caller's block is never resized or freed here: the stream moves to a copy it owns.
        fresh = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(grown)));
        if (fresh && buffer)
            std::memcpy(fresh, buffer, static_cast<size_t>(size));
    }
    // On failure the old content stays in place and the operation that needed room fails.
    if (!fresh)
        return false;
    buffer = fresh;
    freeOnClose = true;
    capacity = static_cast<int32_t>(grown);
    return true;
}
