#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "byte_stream.h"

// Reads a stream through a local buffer, so byte-at-a-time decoding costs no call per byte.
// It reads ahead of what it hands out; callers that stop early leave the stream further on.
class StreamReader {
public:
    explicit StreamReader(ByteStream& source) : stream(source) {}

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

    // Direct access for tight loops: at least `want` bytes (fewer only at the end of the stream)
    // from Peek() on; Consume() moves past the ones used.
    uint32_t Fill(uint32_t want)
    {
        if (end - next >= want)
            return end - next;
        const uint32_t kept = end - next;
        std::memmove(buffer, buffer + next, kept);
        next = 0;
        end = kept;
        while (end < want) {
            const uint32_t got = stream.ReadBlock(buffer + end, 1, sizeof buffer - end);
            if (got == 0)
                break;
            end += got;
        }
        return end - next;
    }
    const uint8_t* Peek() const { return buffer + next; }
    void Consume(uint32_t n) { next += n; }

private:
    bool Refill()
    {
        next = 0;
        end = stream.ReadBlock(buffer, 1, sizeof buffer);
        return end != 0;
    }

    ByteStream& stream;
    uint32_t next = 0;
    uint32_t end = 0;
    uint8_t buffer[16384];
};
