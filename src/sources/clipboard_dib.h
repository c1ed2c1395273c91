#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "canvas.h"
#include "source_image.h"

// Outcomes of converting a pasted bitmap block to a 24-bit source picture.
enum ClipboardConvertResult : int {
    ClipboardConverted = 0,
    ClipboardNoBlock = 1,      // nothing to convert
    ClipboardNotAccepted = 2,  // bit count, compression or header not accepted
    ClipboardNotBuilt = 3,     // picture too large, or the block too short for what it declares
};

// Largest converted block (header, rows and 14 spare bytes) a paste builds.
constexpr uint64_t MaxPastedBlock = 100000000;

// Converts a CF_DIB block (info header, palette or masks, rows) of 1, 4, 8, 16, 24 or 32 bits
// into a fresh 24-bit bottom-up picture with a mask of 1s, right side up whatever the stored
// row order; a 32-bit block with an alpha mask (in a long header, or BI_ALPHABITFIELDS) keeps
// its opacity beside the colour. Every read stays inside [block, block + blockSize). `image` is replaced only on
// success; width and height are set with it.
int ConvertClipboardImage(const uint8_t* block, size_t blockSize, SourceImage& image, int& width,
                          int& height);

// The CF_DIB block Copy puts on the clipboard: a 40-byte 24-bit header and the target's rows,
// bottom-up, each padded to a multiple of 4 bytes. Throws std::bad_alloc when memory runs out.
std::vector<uint8_t> BuildTargetDib(const TargetImage& target);
