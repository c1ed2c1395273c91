// The rotate dialog: wheel arithmetic, quick-then-full preview, Apply, Select, OK and Cancel.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "rotate.h"
#include "rotate_angle.h"
#include "testutils.h"
#include "wheel.h"

using namespace testutils;

namespace {
// Notes whether each composition ran on the quick path.
class PreviewRecorder : public EngineListener {
public:
    explicit PreviewRecorder(const Engine& e) : engine(e) {}
    void TargetChanged() override { quick.push_back(engine.quickPreview); }
    const Engine& engine;
    std::vector<bool> quick;
};

bool SamePlacement(const SourcePlacement& a, const SourcePlacement& b)
{
    return a.angle == b.angle && a.offsetX == b.offsetX && a.offsetY == b.offsetY && a.boxWidth == b.boxWidth &&
           a.boxHeight == b.boxHeight && a.fitFactorH == b.fitFactorH && a.fitFactorV == b.fitFactorV;
}
}  // namespace

class rotate_test : public QObject {
    Q_OBJECT
    FakeSources sources;
    std::unique_ptr<Engine> engine;
    FakePrompts prompts;

    template <typename T> T* Child(QDialog& d, const char* name) { return d.findChild<T*>(name); }

private slots:
    void init()
    {
        sources = FakeSources();
        sources.Fill(1, 120, 80, [](int y, int x) { return Bgr{uint8_t(x), uint8_t(y), 40}; });
        sources.Fill(2, 60, 90, [](int y, int x) { return Bgr{90, uint8_t(x * 3), uint8_t(y)}; });
        engine = std::make_unique<Engine>(sources);
        engine->SetPrompts(&prompts);
        engine->SetCanvasSize(400, 300, 400, 300);
        engine->placement[0].offsetX = -30;
        engine->placement[0].offsetY = 12;
        engine->RecomputeAll();
        prompts = FakePrompts();
    }

    void pickOnTheWheel_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("angle");  // -1: the point counts for nothing
        QTest::newRow("right edge, level with the centre") << 99 << 50 << 90;
        QTest::newRow("straight above") << 50 << 0 << 0;
        QTest::newRow("straight below") << 50 << 99 << 180;
        QTest::newRow("left edge") << 0 << 50 << 270;
        QTest::newRow("upper left") << 10 << 10 << 315;
        QTest::newRow("centre") << 50 << 50 << -1;
        QTest::newRow("inside the centre disc") << 58 << 55 << -1;
        QTest::newRow("just outside the disc") << 71 << 50 << 90;
    }
    void pickOnTheWheel()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, angle);
        const auto picked = rotate_angle::Pick(x, y, 100, 100);
        QCOMPARE(picked.value_or(-1), angle);
    }

    void anglesBetweenDialogAndSource()
    {
        QCOMPARE(rotate_angle::Shown(-30.0), 330);
        QCOMPARE(rotate_angle::Shown(-0.5), 0);  // truncated toward zero first
        QCOMPARE(rotate_angle::Shown(179.9), 179);
        QCOMPARE(rotate_angle::ForSource(200), -160);
        QCOMPARE(rotate_angle::ForSource(180), -180);
        QCOMPARE(rotate_angle::ForSource(179), 179);
        // The rounded quarter turn leaves sin just under 1, so the pointer is one pixel short.
        QCOMPARE(rotate_angle::PointerEnd(0, 100, 100), std::make_pair(50, 14));
        QCOMPARE(rotate_angle::PointerEnd(90, 100, 100), std::make_pair(86, 50));
        QCOMPARE(rotate_angle::PointerEnd(330, 100, 100).second < 50, true);
    }

    void opensOnSourceOnesAngle()
    {
        engine->placement[0].angle = -30.0;
        rotate dialog(*engine, prompts);
        QCOMPARE(dialog.AngleEdit(), 330);
        QCOMPARE(Child<QLineEdit>(dialog, "angle")->text(), QString("330"));
        QVERIFY(Child<QRadioButton>(dialog, "select1")->isChecked());
        QCOMPARE(dialog.windowTitle(), QString("Rotate Source"));
    }

    void wheelPreviewsQuickThenFull()
    {
        PreviewRecorder recorder(*engine);
        engine->SetListener(&recorder);
        rotate dialog(*engine, prompts);
        dialog.show();
        auto* dial = dialog.findChild<wheel*>();
        QVERIFY(dial);
        QCOMPARE(dial->size(), QSize(100, 100));
        QTest::mouseClick(dial, Qt::LeftButton, {}, QPoint(99, 50));
        QCOMPARE(dialog.AngleEdit(), 90);
        QCOMPARE(Child<QLineEdit>(dialog, "angle")->text(), QString("90"));
        QVERIFY(engine->quickPreview);
        dialog.OnIdle();
        dialog.OnIdle();
        dialog.OnIdle();
        QCOMPARE(recorder.quick, (std::vector<bool>{true, false}));
        QCOMPARE(engine->placement[0].angle, 90.0);
        QVERIFY(!dialog.IdleWorkPending());
        engine->SetListener(nullptr);
    }

    void previewSurvivesOtherIdleWork()
    {
        rotate dialog(*engine, prompts);
        dialog.show();
        QTest::mouseClick(dialog.findChild<wheel*>(), Qt::LeftButton, {}, QPoint(50, 99));
        // The application's own idle work may finish the quick flag before the dialog's turn.
        engine->quickPreview = false;
        while (dialog.IdleWorkPending())
            dialog.OnIdle();
        QCOMPARE(engine->placement[0].angle, -180.0);
    }

    void centreOfTheWheelChangesNothing()
    {
        rotate dialog(*engine, prompts);
        dialog.show();
        auto* dial = dialog.findChild<wheel*>();
        QTest::mouseClick(dial, Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(dialog.AngleEdit(), 0);
        QVERIFY(!engine->quickPreview);
        QVERIFY(!dialog.IdleWorkPending());
    }

    void applyTwoHundredToSourceTwo()
    {
        rotate dialog(*engine, prompts);
        dialog.show();
        QTest::mouseClick(Child<QRadioButton>(dialog, "select2"), Qt::LeftButton);
        auto* edit = Child<QLineEdit>(dialog, "angle");
        edit->setText("200");
        QTest::mouseClick(Child<QPushButton>(dialog, "apply"), Qt::LeftButton);
        QVERIFY(dialog.IdleWorkPending());
        while (dialog.IdleWorkPending())
            dialog.OnIdle();
        QCOMPARE(engine->placement[1].angle, -160.0);
        QCOMPARE(engine->placement[0].angle, 0.0);
        // The point at the canvas centre keeps its place: offsets follow the centring offsets.
        Engine reference(sources);
        reference.SetCanvasSize(400, 300, 400, 300);
        const auto before = reference.CentreOffsets(2);
        reference.placement[1].angle = -160.0;
        reference.UpdateSourceGeometry(2);
        const auto after = reference.CentreOffsets(2);
        QCOMPARE(engine->placement[1].offsetX, after.first - before.first);
        QCOMPARE(engine->placement[1].offsetY, after.second - before.second);
    }

    void cancelRestoresBothSourcesExactly()
    {
        const SourcePlacement saved[2] = {engine->placement[0], engine->placement[1]};
        TargetImage before;
        before.width = engine->target.width;
        before.height = engine->target.height;
        before.pixels = engine->target.pixels;
        rotate dialog(*engine, prompts);
        dialog.show();
        auto* dial = dialog.findChild<wheel*>();
        QTest::mousePress(dial, Qt::LeftButton, {}, QPoint(90, 20));
        for (const QPoint p : {QPoint(95, 60), QPoint(70, 95), QPoint(10, 80)}) {
            QTest::mouseMove(dial, p);
            QVERIFY(dial->Dragging());
            dialog.OnIdle();
        }
        QTest::mouseRelease(dial, Qt::LeftButton, {}, QPoint(10, 80));
        dialog.OnIdle();
        QTest::mouseClick(Child<QRadioButton>(dialog, "select2"), Qt::LeftButton);
        Child<QLineEdit>(dialog, "angle")->setText("123");
        QTest::mouseClick(Child<QPushButton>(dialog, "apply"), Qt::LeftButton);
        dialog.OnIdle();  // quick preview only; the full placement is still due
        QVERIFY(!SamePlacement(engine->placement[0], saved[0]));
        QVERIFY(!SamePlacement(engine->placement[1], saved[1]));
        QTest::mouseClick(Child<QPushButton>(dialog, "cancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(SamePlacement(engine->placement[0], saved[0]));
        QVERIFY(SamePlacement(engine->placement[1], saved[1]));
        QVERIFY(!engine->quickPreview);
        QCOMPARE(QString::fromStdString(FirstDifference(before, engine->target)), QString());
        // Nothing pending may turn a source again after the dialog closed.
        QVERIFY(!dialog.IdleWorkPending());
    }

    void okWithoutApplyKeepsOffsets()
    {
        const int x = engine->placement[0].offsetX;
        const int y = engine->placement[0].offsetY;
        rotate dialog(*engine, prompts);
        dialog.show();
        Child<QLineEdit>(dialog, "angle")->setText("45");
        QTest::mouseClick(Child<QPushButton>(dialog, "ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(engine->placement[0].angle, 45.0);
        QCOMPARE(engine->placement[0].offsetX, x);
        QCOMPARE(engine->placement[0].offsetY, y);
        QVERIFY(!engine->quickPreview);
    }

    void outOfRangeAnglesAreRefused()
    {
        const SourcePlacement saved = engine->placement[0];
        rotate dialog(*engine, prompts);
        dialog.show();
        auto* edit = Child<QLineEdit>(dialog, "angle");
        edit->setText("360");
        QTest::mouseClick(Child<QPushButton>(dialog, "apply"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(dialog, "ok"), Qt::LeftButton);
        edit->setText("4five");
        QTest::mouseClick(Child<QPushButton>(dialog, "apply"), Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), size_t(3));
        QCOMPARE(prompts.shown[0].first, std::string("Enter an integer between 0 and 359."));
        QCOMPARE(prompts.shown[1].first, std::string("Enter an integer between 0 and 359."));
        QCOMPARE(prompts.shown[2].first, std::string("Enter an integer."));
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.IdleWorkPending());
        QVERIFY(SamePlacement(engine->placement[0], saved));
    }

    void selectShowsTheChosenSourcesAngle()
    {
        engine->placement[1].angle = -90.0;
        engine->UpdateSourceGeometry(2);
        const SourcePlacement saved[2] = {engine->placement[0], engine->placement[1]};
        rotate dialog(*engine, prompts);
        dialog.show();
        QTest::mouseClick(Child<QRadioButton>(dialog, "select2"), Qt::LeftButton);
        QCOMPARE(Child<QLineEdit>(dialog, "angle")->text(), QString("270"));
        QCOMPARE(dialog.SelectedSource(), 1);
        QTest::mouseClick(Child<QRadioButton>(dialog, "select1"), Qt::LeftButton);
        QCOMPARE(Child<QLineEdit>(dialog, "angle")->text(), QString("0"));
        QVERIFY(SamePlacement(engine->placement[0], saved[0]));
        QVERIFY(SamePlacement(engine->placement[1], saved[1]));
        QVERIFY(!dialog.IdleWorkPending());
    }
};

QTEST_MAIN(rotate_test)
#include "rotate_test.moc"
