#pragma once
#include "byte_stream.h"

// A byte stream over a C FILE. A stream made around a file someone else opened never closes it.
class FileStream : public ByteStream {
public:
    explicit FileStream(FILE* file);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

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

private:
    FILE* file;
    bool closeOnDestroy;
};
