#pragma once
#include "byte_stream.h"

// A byte stream over a memory block. Over a caller's block it reads in place and never frees it;
// begun with OpenEmpty it owns a buffer that grows in steps of 64 KiB.
class MemoryStream : public ByteStream {
public:
    MemoryStream() : MemoryStream(nullptr, 0) {}
    MemoryStream(uint8_t* buffer, int32_t size);
    ~MemoryStream() override;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    bool CloseStream() override;
    uint32_t ReadBlock(void* destination, uint32_t itemSize, uint32_t itemCount) override;
    uint32_t WriteBlock(const void* source, uint32_t itemSize, uint32_t itemCount) override;
    bool SeekTo(int32_t offset, int origin) override;
    int32_t Position() override;
    int32_t Length() override;
    bool FlushStream() override;
    bool AtEnd() override;
    int32_t ErrorState() override;
    bool PutByte(uint8_t value) override;
    int GetByte() override;
    char* GetLine(char* buffer, int32_t capacity) override;
    int ScanFormatted(const char* format, void* output) override;

    // Starts an owned, empty buffer; false when the stream already has one.
    bool OpenEmpty();
    // The buffer; with giveUpOwnership the caller frees it (with std::free) from then on.
    uint8_t* BufferPointer(bool giveUpOwnership);
    // Grows the capacity past length to the next multiple of 64 KiB; false when that fails.
    bool Reserve(int32_t length);
    int32_t Capacity() const { return capacity; }
    bool OwnsBuffer() const { return freeOnClose; }

    static constexpr int32_t GrowthStep = 65536;

private:
    uint8_t* buffer;
    int32_t size;
    bool freeOnClose;
    int32_t position;
    int32_t capacity;
};
