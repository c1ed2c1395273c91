#include "pixel_memory.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <sys/mman.h>
#define BRINDOR_MAP_PAGES 1
#endif

namespace {

#if BRINDOR_MAP_PAGES
constexpr size_t HugePage = size_t(2) << 20;

// A block of whole huge pages on a huge-page boundary, advised onto huge pages: one fault per
// 2 MiB instead of one per 4 KiB. Null when the system refuses.
uint8_t* MapPages(size_t bytes, size_t& mapped)
{
    mapped = (bytes + HugePage - 1) & ~(HugePage - 1);
    void* raw = mmap(nullptr, mapped + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + HugePage - 1) & ~uintptr_t(HugePage - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    if (const size_t tail = start + mapped + HugePage - (aligned + mapped))
        munmap(reinterpret_cast<void*>(aligned + mapped), tail);
    madvise(reinterpret_cast<void*>(aligned), mapped, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}
#endif

}  // namespace

PixelMemory::PixelMemory(size_t n) : count(n)
{
    if (n == 0)
        return;
#if BRINDOR_MAP_PAGES
    // Small blocks share pages with the heap; a huge page for them would mostly lie idle.
    if (n >= HugePage) {
        bytes = MapPages(n, mapped);
        if (bytes)
            return;
        mapped = 0;
    }
#endif
    bytes = static_cast<uint8_t*>(std::calloc(n, 1));
    if (!bytes)
        throw std::bad_alloc();
}

PixelMemory::PixelMemory(const PixelMemory& other) : PixelMemory(other.count)
{
    if (count)
        std::memcpy(bytes, other.bytes, count);
}

PixelMemory& PixelMemory::operator=(const PixelMemory& other)
{
    if (this != &other) {
        if (count != other.count)
            *this = PixelMemory(other.count);
        if (count)
            std::memcpy(bytes, other.bytes, count);
    }
    return *this;
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : bytes(std::exchange(other.bytes, nullptr)), count(std::exchange(other.count, 0)),
      mapped(std::exchange(other.mapped, 0))
{
}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept
{
    if (this != &other) {
        Release();
        bytes = std::exchange(other.bytes, nullptr);
        count = std::exchange(other.count, 0);
        mapped = std::exchange(other.mapped, 0);
    }
    return *this;
}

PixelMemory::~PixelMemory() { Release(); }

void PixelMemory::Release()
{
#if BRINDOR_MAP_PAGES
    if (mapped) {
        munmap(bytes, mapped);
        bytes = nullptr;
        return;
    }
#endif
    std::free(bytes);
    bytes = nullptr;
}
