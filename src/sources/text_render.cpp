#include <algorithm>
#include <cstring>
#include <vector>

#include "cbrindordoc.h"
#include "text_font_engine.h"
#include "text_source.h"

namespace {

// The characters before a line beyond which the walk stops.
constexpr size_t MaxCharsBeforeLine = 8192;
// Bytes of the buffer that receives the 1-bit surface (2^24 bits).
constexpr size_t SurfaceBufferBytes = size_t(MaxTextPixels / 8);

struct TextMeasure {
    int lines = 0;
    int maxWidth = 0;
    int lineHeight = 0;
};

// Walks the text a line (up to the next line feed, less the carriage return before it) at a
// time. Text after the last line feed is neither measured nor counted.
TextMeasure MeasureText(FontEngine& fonts, std::string_view text)
{
    TextMeasure m;
    size_t start = 0;
    while (m.lines < MaxTextLines && start <= MaxCharsBeforeLine) {
        const size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos)
            break;
        size_t end = feed;
        if (end > start && text[end - 1] == '\r')
            --end;
        const TextExtent extent = fonts.MeasureLine(text.substr(start, end - start));
        m.maxWidth = std::max(m.maxWidth, extent.width);
        m.lineHeight = std::max(m.lineHeight, extent.height);
        ++m.lines;
        start = feed + 1;
    }
    return m;
}

void PutColour(uint8_t* pixel, uint32_t colour)
{
    pixel[0] = uint8_t(colour >> 16);
    pixel[1] = uint8_t(colour >> 8);
    pixel[2] = uint8_t(colour);
}

// Paints the background everywhere and the text colour wherever the surface has a glyph bit,
// shifted right by offsetX; picture rows count from the top like the surface's.
void PaintTextPicture(SourceImage& image, int width, int height, int offsetX,
                      const uint8_t* surface, const TextSourceStyle& style, bool transparent)
{
    const size_t stride = size_t(SourceRowSize(width, 24));
    uint8_t* rows = image.dib + SourceHeaderSize;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            PutColour(rows + size_t(r) * stride + size_t(c) * 3, style.backgroundColour);
    if (transparent)
        std::memset(image.mask, 0, size_t(width) * size_t(height));
    const size_t surfaceRow = size_t(width / 8);
    for (int m = 0; m < height; ++m) {
        const int stored = height - 1 - m;
        const uint8_t* bits = surface + size_t(m) * surfaceRow;
        uint8_t* row = rows + size_t(stored) * stride;
        uint8_t* mask = image.mask + size_t(stored) * size_t(width);
        for (int i = 0; i < width - offsetX; ++i) {
            if (!((bits[i >> 3] >> (7 - (i & 7))) & 1))
                continue;
            PutColour(row + size_t(offsetX + i) * 3, style.textColour);
            mask[offsetX + i] = 1;
        }
    }
}

}  // namespace

bool RenderTextSource(CbrindorDoc& doc, FontEngine& fonts, SourceIndex s, bool transparent)
{
    TextSourceStyle& style = doc.textStyle;
    const std::string_view text = doc.text[s - 1];
    TextMeasure m;
    int64_t width = 0;
    int64_t height = 0;
    for (;;) {
        if (!fonts.MakeFont(style.font)) {
            doc.Show(FontProblemMessage, PromptKind::Stop);
            return false;
        }
        m = MeasureText(fonts, text);
        width = (int64_t(m.maxWidth) + 16) / 16 * 16;
        height = int64_t(m.lines) * m.lineHeight / 4 * 4;
        if (width * height <= MaxTextPixels)
            break;
        // Too large for the surface: halve the font, and keep it halved for later texts.
        const int32_t halved = style.font.height / 2;
        // A height of 0 means the engine's default size, which halving cannot shrink further.
        if (halved == 0 || halved == style.font.height)
            return false;
        style.font.height = halved;
    }
    if (height <= 0)
        return false;

    std::vector<uint8_t> surface(SurfaceBufferBytes, 0xFF);
    fonts.DrawText(text, int(width), int(height), 1, 1, int(width), int(height), surface.data());
    const int offsetX = int((width - m.maxWidth) / 2);

    DecodedPicture picture;
    if (!AllocateSourceImage(picture.image, int(width), int(height), 24)) {
        doc.Show(TextOutOfMemoryMessage, PromptKind::Stop);
        return false;
    }
    PaintTextPicture(picture.image, int(width), int(height), offsetX, surface.data(), style, transparent);
    picture.width = int(width);
    picture.height = int(height);
    doc.StoreSourcePicture(s, std::move(picture));
    doc.kind[s - 1] = SourceKind::Text;
    return true;
}
