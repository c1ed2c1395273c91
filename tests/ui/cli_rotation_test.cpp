// brindor-cli turns a source as the rotate dialog does: its target equals, byte for byte, the
// one made in the window from the same offsets, preset and angles.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "cli_run.h"
#include "rotate.h"
#include "testutils.h"
#include "ui_test_support.h"

using namespace testutils;

class cli_rotation_test : public QObject {
    Q_OBJECT

private slots:
    void commandLineTurnsAsTheRotateDialogDoes()
    {
        QTemporaryDir dir;
        const std::string one = ui_test::WritePicture(dir, "one.bmp", 320, 200).toStdString();
        const std::string two = ui_test::WritePicture(dir, "two.png", 150, 260, qRgb(255, 0, 255)).toStdString();

        CliMergeOptions settings;
        settings.canvasWidth = 400;
        settings.canvasHeight = 300;
        settings.mergeMethod = 2;
        settings.source[1].fit = false;
        // The window: sources loaded unturned, moved, shoved, then turned in the dialog.
        const CliMergeOptions unturned = settings;
        MergeSession window(unturned);
        std::string error;
        QVERIFY(window.Load(1, one, error) && window.Load(2, two, error));
        window.Merge();
        window.engine.MoveSource(1, -40, 25);
        window.engine.ShoveToCorner(CmdBottomRight2);
        FakePrompts prompts;
        rotate dialog(window.engine, prompts);
        dialog.show();
        auto turn = [&](const char* select, int dialogAngle) {
            QTest::mouseClick(dialog.findChild<QRadioButton*>(select), Qt::LeftButton);
            dialog.findChild<QLineEdit*>("angle")->setText(QString::number(dialogAngle));
            QTest::mouseClick(dialog.findChild<QPushButton*>("apply"), Qt::LeftButton);
            QTRY_VERIFY(!dialog.IdleWorkPending());
        };
        turn("select1", 330);
        turn("select2", 150);
        QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(prompts.shown.empty());

        settings.source[0].offsetX = -40;
        settings.source[0].offsetY = 25;
        settings.source[0].angle = -30;
        settings.source[1].place = PlacePreset::BottomRight;
        settings.source[1].angle = 150;
        MergeSession cli(settings);
        QVERIFY(cli.Load(1, one, error) && cli.Load(2, two, error));
        cli.Merge();

        for (int s = 0; s < 2; ++s) {
            QCOMPARE(cli.engine.placement[s].angle, window.engine.placement[s].angle);
            QCOMPARE(cli.engine.placement[s].offsetX, window.engine.placement[s].offsetX);
            QCOMPARE(cli.engine.placement[s].offsetY, window.engine.placement[s].offsetY);
        }
        QCOMPARE(QString::fromStdString(FirstDifference(window.engine.target, cli.engine.target)), QString());
    }
};

QTEST_MAIN(cli_rotation_test)
#include "cli_rotation_test.moc"
