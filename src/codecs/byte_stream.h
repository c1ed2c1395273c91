#pragma once
#include <cstdint>
#include <cstdio>

// An abstract byte stream with stdio-like operations; the codecs read and write only through it.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual bool CloseStream() = 0;
    // Returns the number of whole items read.
    virtual uint32_t ReadBlock(void* destination, uint32_t itemSize, uint32_t itemCount) = 0;
    // Returns the number of items written.
    virtual uint32_t WriteBlock(const void* source, uint32_t itemSize, uint32_t itemCount) = 0;
    // origin is SEEK_SET, SEEK_CUR or SEEK_END.
    virtual bool SeekTo(int32_t offset, int origin) = 0;
    virtual int32_t Position() = 0;
    virtual int32_t Length() = 0;
    virtual bool FlushStream() = 0;
    virtual bool AtEnd() = 0;
    virtual int32_t ErrorState() = 0;
    virtual bool PutByte(uint8_t value) { return WriteBlock(&value, 1, 1) == 1; }
    // The next byte as 0..255, or -1 at the end.
    virtual int GetByte() = 0;
    virtual char* GetLine(char* buffer, int32_t capacity) = 0;
    virtual int ScanFormatted(const char* format, void* output) = 0;

protected:
    ByteStream() = default;
    ByteStream(const ByteStream&) = default;
    ByteStream& operator=(const ByteStream&) = default;
};
