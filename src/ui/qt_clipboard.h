#pragma once
#include <QImage>

#include "clipboard_port.h"

// The system clipboard through Qt. A copied block goes out both as "image/bmp" (the block
// behind a 14-byte file header) and as an image other programs paste; a paste takes
// "image/bmp" when present and otherwise builds a 32-bit block from the clipboard's image.
class QtClipboard : public Clipboard {
public:
    bool Open() override { return true; }
    void Close() override {}
    void Empty() override;
    bool HasDib() override;
    bool GetDib(std::vector<uint8_t>& block) override;
    bool SetDib(std::vector<uint8_t>&& block) override;
    void SetBusy(bool busy) override;

    // A 24-bit bottom-up block as a picture (null for anything else or a short block).
    static QImage ImageFromDib(const std::vector<uint8_t>& block);
    // A picture as a 32-bit bottom-up block: without compression when opaque, else with a
    // 124-byte header whose alpha mask names the fourth byte (straight opacity).
    static std::vector<uint8_t> DibFromImage(const QImage& image);
    // The block behind a BMP file header.
    static QByteArray BmpFile(const std::vector<uint8_t>& block);
};
