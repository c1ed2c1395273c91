#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "byte_stream.h"

// Reads a stream through a local buffer, so byte-at-a-time decoding costs no call per byte.
// It reads ahead of what it hands out; callers that stop early leave the stream further on.
class StreamReader {
public:
    explicit StreamReader(ByteStream& source) : stream(source) {}
    // Sized to take the rest of the stream in one read, up to `expected` bytes: what the caller
    // can use at most. Longer input is read on in further blocks as it is consumed.
    StreamReader(ByteStream& source, uint64_t expected) : stream(source)
    {
        const int32_t length = stream.Length();
        const int32_t position = stream.Position();
        if (length >= 0 && position >= 0)
            expected = std::min<uint64_t>(expected, length > position ? uint64_t(length - position) : 0);
        expected = std::min(expected, MaxSize);
        if (expected <= sizeof local)
            return;
        // Without memory for it, the local buffer still reads the stream, only in more calls.
        storage.reset(new (std::nothrow) uint8_t[expected]);
        if (storage) {
            buffer = storage.get();
            capacity = static_cast<uint32_t>(expected);
        }
    }

    // The next byte, or -1 when the stream has no more.
    int Get()
    {
        if (next == end && !Refill())
            return -1;
        return buffer[next++];
    }
    // Copies up to count bytes; returns how many there were.
    uint32_t Read(uint8_t* destination, uint32_t count)
    {
        uint32_t done = 0;
        while (done < count) {
            if (next == end && !Refill())
                break;
            const uint32_t n = std::min(count - done, end - next);
            std::memcpy(destination + done, buffer + next, n);
            next += n;
            done += n;
        }
        return done;
    }
    bool AtEnd() { return next == end && !Refill(); }

    // Direct access for tight loops: at least `want` bytes (fewer only at the end of the stream,
    // and at most the buffer's size) from Peek() on; Consume() moves past the ones used.
    uint32_t Fill(uint32_t want)
    {
        want = std::min(want, capacity);
        if (end - next >= want)
            return end - next;
        const uint32_t kept = end - next;
        std::memmove(buffer, buffer + next, kept);
        next = 0;
        end = kept;
        while (end < want) {
            const uint32_t got = stream.ReadBlock(buffer + end, 1, capacity - end);
            if (got == 0)
                break;
            end += got;
        }
        return end - next;
    }
    const uint8_t* Peek() const { return buffer + next; }
    void Consume(uint32_t n) { next += n; }

private:
    static constexpr uint64_t MaxSize = uint64_t{1} << 30;

    bool Refill()
    {
        next = 0;
        end = stream.ReadBlock(buffer, 1, capacity);
        return end != 0;
    }

    ByteStream& stream;
    uint8_t local[16384];
    std::unique_ptr<uint8_t[]> storage;
    uint8_t* buffer = local;
    uint32_t capacity = sizeof local;
    uint32_t next = 0;
    uint32_t end = 0;
};
