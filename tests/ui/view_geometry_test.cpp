// The view's arithmetic: canvas centring, scroll extents, drags, zones, printing.
#include <QTest>

#include "view_geometry.h"

using namespace view_geometry;

class ViewGeometryTest : public QObject {
    Q_OBJECT
private slots:
    void canvasCentring_data()
    {
        QTest::addColumn<int>("clientW");
        QTest::addColumn<int>("clientH");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        QTest::addColumn<QRect>("expected");  // left, top, right, bottom as x, y, w, h
        QTest::newRow("wider client, shorter") << 1200 << 700 << 1024 << 768 << QRect(88, 0, 1112, 768);
        QTest::newRow("larger both ways") << 1301 << 901 << 1024 << 768 << QRect(138, 66, 1162, 834);
        QTest::newRow("equal width is flush") << 1024 << 768 << 1024 << 768 << QRect(0, 0, 1024, 768);
        QTest::newRow("smaller client") << 800 << 600 << 1024 << 768 << QRect(0, 0, 1024, 768);
        QTest::newRow("odd difference truncates") << 1025 << 770 << 1024 << 767 << QRect(0, 1, 1024, 768);
    }
    void canvasCentring()
    {
        QFETCH(int, clientW);
        QFETCH(int, clientH);
        QFETCH(int, w);
        QFETCH(int, h);
        QFETCH(QRect, expected);
        const CanvasRect r = PlaceCanvasRect(clientW, clientH, w, h);
        QCOMPARE(QRect(r.left, r.top, r.right, r.bottom), expected);
        QCOMPARE(r.Width(), w);
        QCOMPARE(r.Height(), h);
    }

    void sourceScrollExtentTruncatesTheScaledBox()
    {
        SourcePlacement p;
        p.boxWidth = 333;
        p.boxHeight = 101;
        p.fitFactorH = 1.5;
        p.fitFactorV = 0.75;
        // 1.5 * 33.3 * 333 / 100 = 166.33..., 0.75 * 250 * 101 / 100 = 189.375
        const ScrollExtent e = SourceScrollExtent(p, 33.3, 250.0, 800, 600, 1024, 768);
        QCOMPARE(e.width, 166 + 800 + 1024);
        QCOMPARE(e.height, 189 + 600 + 768);
        // The bar then runs over offsets -W .. scaled box width.
        QCOMPARE(ScrollMaximum(e.width, 800) - 1024, 166);
        QCOMPARE(ScrollMaximum(100, 800), 0);
    }

    void rightDragMovesWithThePointerAndStopsAtTheCanvas()
    {
        // 50 pixels to the right moves the source 50 pixels right: its offset falls by 50.
        Offsets o = ApplyRightDrag({10, 20}, 300, 200, 350, 190, 1024, 768);
        QCOMPARE(o.x, -40);
        QCOMPARE(o.y, 30);
        o = ApplyRightDrag({1000, -700}, 500, 100, 400, 300, 1024, 768);
        QCOMPARE(o.x, 1024);
        QCOMPARE(o.y, -768);
        o = ApplyRightDrag({-1000, 700}, 100, 100, 300, 0, 1024, 768);
        QCOMPARE(o.x, -1024);
        QCOMPARE(o.y, 768);
    }

    void zoneSelection()
    {
        const CanvasRect canvas{88, 10, 1112, 778};
        BlendZone z;
        // A press on the margin leaves no zone, wherever the release happens.
        StartZone(z, {50, 100}, canvas);
        QCOMPARE(z.x1, -1);
        QVERIFY(!FinishZone(z, {400, 400}, canvas));
        QVERIFY(!z.valid);

        // Dragged up and left beyond the canvas: clamped, ordered, ready.
        z.level = 5;
        StartZone(z, {300, 300}, canvas);
        QVERIFY(FinishZone(z, {-20, 2000}, canvas));
        QCOMPARE(QRect(z.x1, z.y1, z.x2, z.y2), QRect(88, 300, 300, 777));
        QVERIFY(z.valid);
        QCOMPARE(z.level, 0);

        // 9 pixels either way is not ready; 10 x 10 is.
        StartZone(z, {200, 200}, canvas);
        FinishZone(z, {209, 260}, canvas);
        QVERIFY(!z.valid);
        StartZone(z, {200, 200}, canvas);
        FinishZone(z, {260, 209}, canvas);
        QVERIFY(!z.valid);
        StartZone(z, {200, 200}, canvas);
        FinishZone(z, {190, 190}, canvas);
        QVERIFY(z.valid);
        QCOMPARE(QRect(z.x1, z.y1, z.x2, z.y2), QRect(190, 190, 200, 200));

        // The canvas edge itself is outside.
        StartZone(z, {1112, 200}, canvas);
        QCOMPARE(z.x1, -1);
        StartZone(z, {1111, 777}, canvas);
        QCOMPARE(z.x1, 1111);
    }

    void shownSourceWidthRoundsToFour()
    {
        QCOMPARE(DisplayedSourceWidth(1021), 1020);
        QCOMPARE(DisplayedSourceWidth(1022), 1020);
        QCOMPARE(DisplayedSourceWidth(1023), 1024);
        QCOMPARE(DisplayedSourceWidth(1025), 1024);
        QCOMPARE(DisplayedSourceWidth(1024), 1024);
    }

    void printedHeightKeepsThePhysicalAspect()
    {
        QCOMPARE(PrintedHeight(2000, 500, 4800, 600, 600), 1200);
        // Non-square device pixels stretch the height with LY / LX.
        QCOMPARE(PrintedHeight(1000, 1000, 3000, 300, 600), 6000);
        QCOMPARE(PrintedHeight(1024, 768, 4961, 600, 600), 3720);
        QCOMPARE(PrintedHeight(0, 768, 4961, 600, 600), 0);
    }
};

QTEST_APPLESS_MAIN(ViewGeometryTest)
#include "view_geometry_test.moc"
