// The window with large targets: zoom and its mapping of drags and zones, the target following
// source 2's size, drops of files and folders, and the open dialog's first filter.
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "cbrindorview.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

class PhotoViewTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CbrindorApp> app;

    CbrindorView* View() { return app->Frame()->View(); }
    Engine& Eng() { return View()->GetEngine(); }
    void Load(const QString& name, int w = 400, int h = 300)
    {
        dialogs.path = ui_test::WritePicture(files, name, w, h).toStdString();
        QVERIFY(app->Frame()->RunCommand(57601));
    }
    void StartWithClient(QSize client)
    {
        app->Frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app->Frame()));
        for (int i = 0; i < 3; ++i) {
            app->Frame()->resize(app->Frame()->size() + (client - View()->viewport()->size()));
            QCoreApplication::processEvents();
        }
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent ev(type, QPointF(at), View()->viewport()->mapToGlobal(QPointF(at)), button, held,
                       Qt::NoModifier);
        QApplication::sendEvent(View()->viewport(), &ev);
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to)
    {
        Mouse(QEvent::MouseButtonPress, from, button, button);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, button);
        Mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    }
    void Wheel(QPoint at, int delta)
    {
        QWheelEvent ev(QPointF(at), View()->viewport()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View()->viewport(), &ev);
    }
    QString ZoomShown() { return app->Frame()->StatusBar()->ZoomText(); }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
    }
    void init()
    {
        QSettings().clear();
        messages.Clear();
        app = std::make_unique<CbrindorApp>();
        QVERIFY(app->InitInstance({"brindor"}));
        app->Document().SetFileDialogs(&dialogs);
    }
    void cleanup() { app.reset(); }

    void zoneAndDragAtHalfSizeAreCanvasPixels()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        QCOMPARE(ZoomShown(), QString("100 %"));
        const std::vector<uint8_t> before(Eng().target.pixels.data(),
                                          Eng().target.pixels.data() + Eng().target.pixels.size());
        QVERIFY(app->Frame()->RunCommand(33111));  // 2/3
        QVERIFY(app->Frame()->RunCommand(33111));  // 1/2
        QCOMPARE(View()->Zoom(), 0.5);
        QCOMPARE(ZoomShown(), QString("50 %"));
        // The half-size canvas is centred: 512 x 384 in 1200 x 900.
        const QPoint corner(344, 258);
        QCOMPARE(View()->ClientOf({Eng().canvasRect.left, Eng().canvasRect.top}), corner);
        Drag(Qt::LeftButton, corner + QPoint(50, 20), corner + QPoint(150, 100));
        const BlendZone& z = Eng().zone;
        const int l = Eng().canvasRect.left, t = Eng().canvasRect.top;
        QCOMPARE(QRect(QPoint(z.x1, z.y1), QPoint(z.x2, z.y2)),
                 QRect(QPoint(l + 100, t + 40), QPoint(l + 300, t + 200)));
        QVERIFY(z.valid);
        // A right drag of 50 screen pixels moves the source by 100 canvas pixels.
        QTest::keyClick(View(), '1');
        const int x0 = Eng().placement[0].offsetX;
        Drag(Qt::RightButton, QPoint(400, 300), QPoint(450, 300));
        QCOMPARE(Eng().placement[0].offsetX, x0 - 100);
        // Showing never touches the target's pixels.
        QTest::keyClick(View(), 'b');
        const std::vector<uint8_t> moved(Eng().target.pixels.data(),
                                         Eng().target.pixels.data() + Eng().target.pixels.size());
        QVERIFY(app->Frame()->RunCommand(33110));
        QVERIFY(app->Frame()->RunCommand(33112));
        QVERIFY(app->Frame()->RunCommand(33113));
        QVERIFY(std::equal(moved.begin(), moved.end(), Eng().target.pixels.data()));
        QVERIFY(moved != before);
    }

    void ctrlWheelZoomsAroundThePointer()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        const QPoint at(700, 500);
        const view_geometry::Point under = View()->CanvasPointAt(at);
        Wheel(at, 120);
        QCOMPARE(View()->Zoom(), 1.5);
        QVERIFY(View()->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(View()->CanvasPointAt(at).x, under.x);
        QCOMPARE(View()->CanvasPointAt(at).y, under.y);
        Wheel(at, -120);
        Wheel(at, -120);
        QCOMPARE(View()->Zoom(), 2.0 / 3);
        QCOMPARE(ZoomShown(), QString("67 %"));
        // Zoom to fit of a target within the view is 100 %;.
        QVERIFY(app->Frame()->RunCommand(33112));
        QCOMPARE(View()->Zoom(), 1.0);
        QVERIFY(View()->ZoomFits());
    }
};

QTEST_MAIN(PhotoViewTest)
#include "photo_view_test.moc"
