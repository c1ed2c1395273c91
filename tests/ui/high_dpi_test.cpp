// The window at 200 %: the target shown one picture pixel to one screen pixel, the pointer
// mapped to those pixels, and pictures drawn for the screen's pixels instead of enlarged.
#include <QAction>
#include <QApplication>
#include <QToolBar>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "drawn_icon.h"
#include "start_button.h"
#include "ui_test_support.h"

class HighDpiTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
    }

    void targetIsShownPixelForPixel()
    {
        const auto app = ui_test::StartProgram(dialogs, QSize(1400, 1000));
        QVERIFY(app);
        QVERIFY(ui_test::OpenPictures(*app, dialogs, files, {"one.png", "two.png"}, 300, 200));
        CbrindorView* view = app->Frame()->View();
        QCOMPARE(view->devicePixelRatioF(), 2.0);
        const Engine& engine = view->GetEngine();
        const TargetImage& target = engine.target;
        const CanvasRect& c = engine.canvasRect;
        QCOMPARE(c.Width(), 1024);
        // The canvas is centred in the viewport's device pixels.
        QCOMPARE(c.left, (view->viewport()->width() * 2 - 1024) / 2);

        const QImage shown = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), view->viewport()->size() * 2);
        int differing = 0;
        for (int y = 0; y < target.height; y += 7)
            for (int x = 0; x < target.width; x += 5) {
                const uint8_t* px = target.pixels.data() + (size_t(target.height - 1 - y) * target.width + x) * 3;
                differing += shown.pixel(c.left + x, c.top + y) != qRgb(px[2], px[1], px[0]);
            }
        QCOMPARE(differing, 0);

        // A zone drawn with the mouse has its corners where the pointer was, in device pixels.
        const QPoint from(c.left / 2 + 20, c.top / 2 + 30), to(c.left / 2 + 120, c.top / 2 + 90);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view->viewport(), to);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
        QVERIFY(engine.zone.valid);
        QCOMPARE(QRect(QPoint(engine.zone.x1, engine.zone.y1), QPoint(engine.zone.x2, engine.zone.y2)).normalized(),
                 QRect(from * 2, to * 2));
    }

    void picturesAreDrawnForTheScreensPixels()
    {
        const QIcon rotate = drawn_icon::Svg("rotate");
        const QImage sharp = rotate.pixmap(QSize(20, 20), 2.0).toImage();
        QCOMPARE(sharp.size(), QSize(40, 40));
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        // Not the 100 % picture enlarged: that one has pairs of equal pixels throughout.
        const QImage enlarged = rotate.pixmap(QSize(20, 20), 1.0).toImage().scaled(40, 40);
        QVERIFY(sharp.convertToFormat(QImage::Format_ARGB32) != enlarged.convertToFormat(QImage::Format_ARGB32));
        QVERIFY(!drawn_icon::AppIcon().pixmap(QSize(256, 256)).isNull());

        const QImage face = start_button::Face(StartButtonFace::LoadImage, false, 2.0);
        QCOMPARE(face.size(), QSize(160, 96));
        QCOMPARE(face.devicePixelRatio(), 2.0);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    HighDpiTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "high_dpi_test.moc"
