#pragma once
#include <cstdint>

#include "byte_stream.h"
#include "dib_header.h"

// Format ids of the raster layer.
enum ImageFormatId : uint32_t { FormatAuto = 0, FormatBmp = 1, FormatTga = 7, FormatPcx = 8 };

// Largest picture Create accepts, counted as width x height x bits / 8.
constexpr uint64_t RASTER_MAX_MEMORY = 268435456;

// One colour as stored in a 24-bit row.
struct RasterColor {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    bool operator==(const RasterColor&) const = default;
};

// One picture held as a device-independent bitmap block (info header, palette, bottom-up rows)
// that reads and writes BMP, TGA and PCX through the codec classes.
class RasterImage {
public:
    explicit RasterImage(ImageFormatId id = FormatAuto);
    RasterImage(const char* fileName, ImageFormatId id);
    // Decodes the caller's block in place; the block stays the caller's.
    RasterImage(unsigned char* block, uint32_t length, ImageFormatId id);
    virtual ~RasterImage();
    RasterImage(const RasterImage&) = delete;
    RasterImage& operator=(const RasterImage&) = delete;

    // A cleared picture of the given size; bits map to 1, 4, 8 or 24. Null on failure.
    uint8_t* Create(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id);
    // Frees the picture; a view frees nothing and returns false.
    bool ReleaseImage();
    // Moves the source's picture and state into this image, leaving the source empty.
    bool TakeOver(RasterImage& source);
    bool LoadFile(const char* fileName, ImageFormatId id);
    bool SaveFile(const char* fileName, ImageFormatId id);
    bool Decode(ByteStream* stream, ImageFormatId id);
    bool Encode(ByteStream* stream, ImageFormatId id);

    bool HasImage() const { return dibBlock != nullptr; }
    uint32_t Width() const { return static_cast<uint32_t>(header.biWidth); }
    uint32_t Height() const { return static_cast<uint32_t>(header.biHeight); }
    uint32_t BitsPerPixel() const { return header.biBitCount; }
    uint32_t RowStride() const { return rowStride; }
    uint32_t PaletteEntries() const { return header.biClrUsed; }
    uint8_t* DibBlock() const { return dibBlock; }
    uint32_t DibSize() const;
    const BITMAPINFOHEADER& Header() const { return header; }
    const char* ErrorText() const { return errorText; }
    ImageFormatId FormatId() const { return formatId; }
    int32_t HorizontalDpi() const { return horizontalDpi; }
    int32_t VerticalDpi() const { return verticalDpi; }

    // First byte of stored row y (0 = bottom); null without an image or outside the rows.
    uint8_t* PixelRow(int64_t y) const;
    uint8_t* PixelArea() const { return pixels; }
    uint32_t PixelAreaSize() const { return HasImage() ? header.biSizeImage : 0; }
    // Palette entries as blue, green, red, reserved; null without a palette.
    uint8_t* PaletteArea() const;
    // Opacity of a picture read with transparency (32-bit TGA, BMP with an alpha mask): one byte
    // per pixel, 255 opaque, bottom-up rows of Width() bytes without padding. Null when opaque.
    uint8_t* AlphaArea() const { return alpha; }
    // Opacity row y (0 = bottom); null without a plane or outside the rows.
    uint8_t* AlphaRow(int64_t y) const;

    // Refuses, when the picture is created and so before any pixel is read, a picture with a
    // side beyond maxSide or whose 24-bit rows (each padded to 4 bytes) take more than maxBytes.
    void LimitDecodedSize(uint32_t maxSide, uint64_t maxBytes);
    // Whether the last create was refused by that limit; the error text then tells the size.
    bool SizeRefused() const { return sizeRefused; }

    void SetPaletteEntry(uint32_t i, uint8_t red, uint8_t green, uint8_t blue);
    void SetGrayRamp();
    void SetPixelIndex(int64_t x, int64_t y, uint32_t index);
    void SetPixelColor(int64_t x, int64_t y, uint8_t red, uint8_t green, uint8_t blue);
    // The colour at (x, y); on a palette image, the palette entry of the pixel's index.
    RasterColor PixelColor(int64_t x, int64_t y) const;
    uint32_t PixelIndex(int64_t x, int64_t y) const;
    void SetHorizontalDpi(int32_t dpi);
    void SetVerticalDpi(int32_t dpi);
    bool FlipRows();
    bool MirrorRows();

protected:
    // Create without clearing the pixel area: for decoders that write every pixel byte, row
    // padding included. Header and palette come cleared as with Create.
    uint8_t* CreateForDecoding(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id);
    // Shares the source's picture for one encode; the view frees nothing.
    void BecomeViewOf(RasterImage& source);
    // Copies format id, error text and resolution.
    void CopyStateFrom(const RasterImage& source);
    // Stores at most 255 characters of text; returns false so a failure is one line.
    bool Fail(const char* text);
    // Whether there is a stream and a picture of at most maxWidth x maxHeight to write; fails
    // with tooLargeText for a larger one.
    bool CanEncode(const ByteStream* stream, uint32_t maxWidth, uint32_t maxHeight,
                   const char* tooLargeText);
    // Stored row y as 24-bit colours: the row itself on a 24-bit picture, otherwise the row
    // written through the palette into scratch (3 bytes a pixel).
    const uint8_t* Row24(uint32_t y, uint8_t* scratch) const;
    void SetErrorText(const char* text);
    // Resolution as read from a file that gives dots per inch, without touching the header.
    void SetRawDpi(int32_t horizontal, int32_t vertical);
    // An opacity plane of 255s for the current picture, replacing any; null without memory.
    uint8_t* CreateAlpha();
    // Frees a plane that carries no transparency: 255 everywhere, or 0 everywhere, which is
    // what writers leave in a fourth byte they do not use, not an invisible picture.
    void KeepAlphaIfUsed();

private:
    void StartUp(ImageFormatId id);
    void ClearState();
    uint8_t* Allocate(uint32_t width, uint32_t height, uint32_t bitsPerPixel, ImageFormatId id, bool clearPixels);
    bool DecodeWith(ByteStream* stream, ImageFormatId id);
    // Takes a failed codec's message and size refusal; returns false.
    bool RefuseAs(const RasterImage& codec);

    uint8_t* dibBlock = nullptr;
    BITMAPINFOHEADER header{};
    uint32_t rowStride = 0;
    uint8_t* pixels = nullptr;
    RasterImage* viewOf = nullptr;
    ImageFormatId formatId = FormatAuto;
    char errorText[256] = {};
    int32_t horizontalDpi = 96;
    int32_t verticalDpi = 96;
    uint8_t* alpha = nullptr;
    uint32_t limitSide = UINT32_MAX;
    uint64_t limitBytes = UINT64_MAX;
    bool sizeRefused = false;
};

// Hands out row pointers by row number; a row outside the picture keeps the current one.
class RowCursor {
public:
    explicit RowCursor(const RasterImage& target) : image(target) {}
    uint8_t* Row(int64_t y)
    {
        if (y >= 0 && y < static_cast<int64_t>(image.Height()))
            current = y;
        return image.PixelRow(current);
    }
    int64_t CurrentRow() const { return current; }

private:
    const RasterImage& image;
    int64_t current = 0;
};
