// The system clipboard mapping: what other programs put there and what a copy leaves behind.
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

#include "clipboard_dib.h"
#include "qt_clipboard.h"

namespace {

// A 24-bit bottom-up block of w x h with pixel (x, y) = blue x, green y, red 7.
std::vector<uint8_t> Block24(int w, int h)
{
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> b(40 + size_t(stride) * h, 0);
    b[0] = 40;
    b[4] = uint8_t(w);
    b[8] = uint8_t(h);
    b[12] = 1;
    b[14] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.data() + 40 + size_t(h - 1 - y) * stride + x * 3;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 7;
        }
    return b;
}

}  // namespace

class ClipboardTest : public QObject {
    Q_OBJECT
private slots:
    void copiedBlockRoundTripsAsBmpAndAsPicture()
    {
        QtClipboard clip;
        std::vector<uint8_t> block = Block24(5, 3);
        const std::vector<uint8_t> original = block;
        QVERIFY(clip.SetDib(std::move(block)));
        const QMimeData* data = QApplication::clipboard()->mimeData();
        const QByteArray bmp = data->data("image/bmp");
        QCOMPARE(bmp.size(), qsizetype(14 + original.size()));
        QCOMPARE(uint8_t(bmp[10]), uint8_t(54));  // pixels right after the info header
        QCOMPARE(uint8_t(bmp[2]), uint8_t(14 + original.size()));
        const QImage picture = qvariant_cast<QImage>(data->imageData());
        QCOMPARE(picture.size(), QSize(5, 3));
        QCOMPARE(picture.pixelColor(4, 2), QColor(7, 2, 4));
        std::vector<uint8_t> back;
        QVERIFY(clip.HasDib());
        QVERIFY(clip.GetDib(back));
        QCOMPARE(back, original);
    }

    void foreignPicturesBecome32BitBlocks()
    {
        // Opaque: a plain 32-bit block.
        QImage opaque(3, 2, QImage::Format_RGB32);
        opaque.fill(QColor(10, 20, 30));
        opaque.setPixelColor(0, 0, QColor(200, 100, 50));
        QApplication::clipboard()->setImage(opaque);
        QtClipboard clip;
        std::vector<uint8_t> block;
        QVERIFY(clip.GetDib(block));
        QCOMPARE(block.size(), size_t(40 + 3 * 2 * 4));
        QCOMPARE(int(block[14]), 32);
        // Bottom-up: the picture's top-left pixel is the first pixel of the last stored row.
        const uint8_t* topLeft = block.data() + 40 + 3 * 4;
        QCOMPARE(int(topLeft[0]), 50);
        QCOMPARE(int(topLeft[1]), 100);
        QCOMPARE(int(topLeft[2]), 200);

        // With transparency: a 124-byte header whose alpha mask names the straight opacity.
        QImage img(3, 2, QImage::Format_ARGB32);
        img.fill(QColor(10, 20, 30, 128));
        img.setPixelColor(0, 0, QColor(200, 100, 50));
        QApplication::clipboard()->setImage(img);
        QVERIFY(clip.GetDib(block));
        QCOMPARE(block.size(), size_t(124 + 3 * 2 * 4));
        QCOMPARE(int(block[0]), 124);
        QCOMPARE(int(block[16]), 3);
        QCOMPARE(int(block[55]), 0xFF);  // alpha mask 0xFF000000
        const uint8_t* corner = block.data() + 124 + 3 * 4;
        QCOMPARE(int(corner[2]), 200);
        QCOMPARE(int(corner[3]), 255);
        const uint8_t* translucent = block.data() + 124 + 4;
        QCOMPARE(int(translucent[0]), 30);
        QCOMPARE(int(translucent[3]), 128);
    }

    void aTransparentPictureIsPastedWithItsOpacity()
    {
        QImage img(2, 2, QImage::Format_ARGB32);
        img.fill(QColor(10, 20, 30, 0));
        img.setPixelColor(1, 0, QColor(200, 100, 50, 90));
        img.setPixelColor(0, 1, QColor(1, 2, 3));
        QApplication::clipboard()->setImage(img);
        QtClipboard clip;
        std::vector<uint8_t> block;
        QVERIFY(clip.GetDib(block));
        SourceImage image;
        int w = 0, h = 0;
        QCOMPARE(ConvertClipboardImage(block.data(), block.size(), image, w, h), int(ClipboardConverted));
        QVERIFY(image.alpha != nullptr);
        // Bottom-up: the picture's lower row first.
        QCOMPARE(std::vector<uint8_t>(image.alpha, image.alpha + 4), (std::vector<uint8_t>{255, 0, 0, 90}));
        const uint8_t* topRight = image.dib + 40 + 8 + 3;
        QCOMPARE(int(topRight[2]), 200);  // straight colour
    }

    void nothingUsableOnTheClipboard()
    {
        QApplication::clipboard()->setText("only words");
        QtClipboard clip;
        std::vector<uint8_t> block;
        QVERIFY(!clip.HasDib());
        QVERIFY(!clip.GetDib(block));
        // A bitmap file too short for its header is no block; nothing else is there.
        auto* data = new QMimeData;
        data->setData("image/bmp", QByteArray("BM\x10\0\0\0", 6));
        QApplication::clipboard()->setMimeData(data);
        QVERIFY(!clip.GetDib(block));
        QVERIFY(QtClipboard::ImageFromDib(std::vector<uint8_t>(39, 0)).isNull());
        std::vector<uint8_t> cut = Block24(5, 3);
        cut.resize(cut.size() - 1);
        QVERIFY(QtClipboard::ImageFromDib(cut).isNull());
    }
};

QTEST_MAIN(ClipboardTest)
#include "qt_clipboard_test.moc"
