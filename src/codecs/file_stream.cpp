#include "file_stream.h"

FileStream::FileStream(FILE* file_) : file(file_), closeOnDestroy(file_ == nullptr) {}

FileStream::~FileStream()
{
    if (file && closeOnDestroy)
        std::fclose(file);
}

bool FileStream::CloseStream()
{
    if (!file || !closeOnDestroy)
        return true;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return closed;
}

uint32_t FileStream::ReadBlock(void* destination, uint32_t itemSize, uint32_t itemCount)
{
    return file ? static_cast<uint32_t>(std::fread(destination, itemSize, itemCount, file)) : 0;
}

uint32_t FileStream::WriteBlock(const void* source, uint32_t itemSize, uint32_t itemCount)
{
    return file ? static_cast<uint32_t>(std::fwrite(source, itemSize, itemCount, file)) : 0;
}

bool FileStream::SeekTo(int32_t offset, int origin)
{
    return file && std::fseek(file, offset, origin) == 0;
}

int32_t FileStream::Position()
{
    return file ? static_cast<int32_t>(std::ftell(file)) : 0;
}

int32_t FileStream::Length()
{
    if (!file)
        return -1;
    const long here = std::ftell(file);
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return static_cast<int32_t>(end);
}

bool FileStream::FlushStream()
{
    return file && std::fflush(file) == 0;
}

bool FileStream::AtEnd()
{
    return !file || std::feof(file) != 0;
}

int32_t FileStream::ErrorState()
{
    return file ? std::ferror(file) : -1;
}

bool FileStream::PutByte(uint8_t value)
{
    return file && std::fputc(value, file) == value;
}

int FileStream::GetByte()
{
    return file ? std::fgetc(file) : -1;
}

char* FileStream::GetLine(char* buffer, int32_t capacity)
{
    return file ? std::fgets(buffer, capacity, file) : nullptr;
}

int FileStream::ScanFormatted(const char* format, void* output)
{
    return file ? std::fscanf(file, format, output) : -1;
}
