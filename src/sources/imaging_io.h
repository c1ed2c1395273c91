#pragma once
// The imaging service's inside: byte sources and sinks shared by the format files, and the
// per-format entries the service dispatches to.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging_service.h"

// Bytes a decoder reads: a block in memory or an open file (not owned).
class ImageInput {
public:
    ImageInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ImageInput(std::FILE* file);

    // Copies up to n bytes from the current position; returns how many were copied.
    size_t Read(void* dst, size_t n);
    bool Seek(uint64_t position);
    uint64_t Tell() const { return position_; }
    uint64_t Size() const { return size_; }
    // The whole content when it sits in memory, else null.
    const uint8_t* Data() const { return data_; }
    // The open file when reading from one, else null.
    std::FILE* File() const { return file_; }
    // The whole content in one block: in place when in memory, else read into `storage`.
    bool Contiguous(std::vector<uint8_t>& storage, const uint8_t*& data, size_t& size);

private:
    const uint8_t* data_ = nullptr;
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

// Bytes an encoder writes: an open file (not owned) or a growing block in memory.
class ImageOutput {
public:
    explicit ImageOutput(std::FILE* file) : file_(file) {}
    explicit ImageOutput(std::vector<uint8_t>& memory) : memory_(&memory) { memory.clear(); }

    bool Write(const void* src, size_t n);
    bool Seek(uint64_t position);
    uint64_t Tell() const { return position_; }
    uint64_t Size() const { return size_; }
    bool Failed() const { return failed_; }
    // The system's error number of the failed file write or seek, 0 when none.
    int ErrorNumber() const { return errorNumber_; }

private:
    bool Fail();

    std::FILE* file_ = nullptr;
    std::vector<uint8_t>* memory_ = nullptr;
    int errorNumber_ = 0;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
    bool failed_ = false;
};

// One decode: where the bytes come from, where the pixels go, what is reported.
struct DecodeJob {
    ImageInput& input;
    const PixelAllocator* allocate;  // null: stop after the header
    DecodeReport& report;
    const AlphaAllocator* allocateAlpha = nullptr;  // null: the picture stays opaque
    uint8_t* alpha = nullptr;  // the plane handed out, if any
};

// Records the size and checks it against the slot limits (false with the diagnostic set);
// `headerOnly` tells the caller of a header-only job to stop there with success.
bool AcceptSize(DecodeJob& job, int64_t width, int64_t height, bool& headerOnly);
// Records the size, checks it against the slot limits and asks for the pixel area. Returns
// null (with the diagnostic set) when refused, and also, without failing, for a header-only
// job: `headerOnly` then tells the caller to stop with success.
// `whole`: the decoder writes every pixel byte of every row or fails (see PixelAllocator).
uint8_t* AllocatePixels(DecodeJob& job, int64_t width, int64_t height, bool& headerOnly, bool whole = false);
// The opacity plane of the size AllocatePixels was given, 255 everywhere; null when the caller
// wants none or memory runs out (the picture then loads opaque).
uint8_t* AllocateAlpha(DecodeJob& job);
// Sets the diagnostic and returns false, so each failure is one line.
bool DecodeFail(DecodeJob& job, const std::string& why);

bool DecodeJpeg(DecodeJob& job);
bool DecodePng(DecodeJob& job);
bool DecodeTiff(DecodeJob& job);
bool DecodeBmp(DecodeJob& job);

bool EncodeBmp(ImageOutput& out, const PixelRows& image, std::string& diagnostic);
bool EncodeJpeg(ImageOutput& out, const PixelRows& image, int quality, std::string& diagnostic);
bool EncodePng(ImageOutput& out, const PixelRows& image, std::string& diagnostic);
bool EncodeTiff(ImageOutput& out, const PixelRows& image, std::string& diagnostic);
