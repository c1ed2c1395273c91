// The blend options dialog: it opens on the smooth ellipse, each click takes effect at once,
// OK restarts the zone's blending.
#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

#include "blend_options.h"

namespace {
// A check box only answers clicks on its box and text, not on the stretched space beside them.
void Click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
}  // namespace

class blend_options_test : public QObject {
    Q_OBJECT

private slots:
    void clicksTakeEffectAtOnce()
    {
        BlendZone zone;
        zone.rectangular = true;
        zone.smooth = false;
        zone.level = 3;
        blend_options dialog(zone);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QString("blend_options"));
        auto* smooth = dialog.findChild<QCheckBox*>("smooth");
        auto* rectangle = dialog.findChild<QCheckBox*>("rectangle");
        QVERIFY(smooth->isChecked());
        QVERIFY(zone.smooth && !zone.rectangular);
        QCOMPARE(dialog.ShapeText(), QString("Smooth Elliptical Blend"));

        Click(rectangle);
        QVERIFY(!smooth->isChecked());
        QVERIFY(zone.rectangular && !zone.smooth);
        QCOMPARE(dialog.ShapeText(), QString("Unsmooth blend in the rectangular zone."));

        Click(rectangle);
        QVERIFY(!zone.rectangular && !zone.smooth);
        QCOMPARE(dialog.ShapeText(), QString("Elliptical Blend but not smooth to the edge."));

        Click(smooth);
        Click(smooth);
        QVERIFY(!zone.smooth);
        QCOMPARE(dialog.ShapeText(), QString("Elliptical Blend but not smooth to the edge."));
        // Closing without OK keeps the shape and the level.
        dialog.reject();
        QCOMPARE(zone.level, 3);
        QVERIFY(!zone.smooth);
    }

    void okRestartsTheLevel()
    {
        BlendZone zone;
        zone.level = -2;
        blend_options dialog(zone);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(zone.level, 0);
    }
};

QTEST_MAIN(blend_options_test)
#include "blend_options_test.moc"
