#pragma once
#include <cstddef>
#include <cstdint>

// Bytes of a picture buffer, taken from the system zeroed and committed page by page as they are
// first written, so a buffer costs only the part a run touches and nothing is cleared twice.
// Large blocks sit on huge pages where the system offers them. Copies copy every byte.
class PixelMemory {
public:
    PixelMemory() = default;
    explicit PixelMemory(size_t bytes);
    PixelMemory(const PixelMemory& other);
    PixelMemory& operator=(const PixelMemory& other);
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;
    ~PixelMemory();

    uint8_t* data() { return bytes; }
    const uint8_t* data() const { return bytes; }
    size_t size() const { return count; }
    uint8_t& operator[](size_t i) { return bytes[i]; }
    const uint8_t& operator[](size_t i) const { return bytes[i]; }

private:
    void Release();

    uint8_t* bytes = nullptr;
    size_t count = 0;
    size_t mapped = 0;  // bytes mapped from the system for this block; 0 when from the heap
};
