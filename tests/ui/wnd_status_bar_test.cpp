// The status bar's view-source panes with their timed return, and the flying tips.
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "flying_tips.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

class StatusBarTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CbrindorApp> app;

    wnd_status_bar* Bar() { return app->Frame()->StatusBar(); }
    CbrindorView* View() { return app->Frame()->View(); }
    int PaneMiddle(int i)
    {
        const QRect r = Bar()->Pane(i)->geometry();
        return r.left() + r.width() / 2;
    }
    // A pointer movement delivered to the bar as the window system would.
    void MoveOver(int x)
    {
        QMouseEvent ev(QEvent::MouseMove, QPointF(x, 5), Bar()->mapToGlobal(QPointF(x, 5)),
                       Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Bar(), &ev);
    }
    void Load(const QString& name)
    {
        dialogs.path = ui_test::WritePicture(files, name, 200, 150).toStdString();
        QVERIFY(app->Frame()->RunCommand(57601));
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
    }
    void init()
    {
        app = std::make_unique<CbrindorApp>();
        QVERIFY(app->InitInstance({"brindor"}));
        app->Document().SetFileDialogs(&dialogs);
        app->Frame()->resize(1300, 900);
        app->Frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app->Frame()));
    }
    void cleanup() { app.reset(); }

    void withOneSourceHoverChangesNothing()
    {
        Load("one.png");
        MoveOver(PaneMiddle(1));
        QCOMPARE(View()->DisplayedSource(), -1);
        QVERIFY(!Bar()->Pane(1)->Painted());
        for (int i = 0; i < 12; ++i)
            Bar()->OnTimerTick();
        QCOMPARE(Bar()->IdleTicks(), 0);
    }

    void hoverShowsASourceAloneAndReturnsAfterTwoSeconds()
    {
        Load("one.png");
        Load("two.png");
        QVERIFY(Bar()->Pane(3)->HasMarker());
        QCOMPARE(Bar()->Pane(1)->ShownText(), QString("View source 1"));
        QCOMPARE(Bar()->Pane(1)->Background(), QColor(255, 192, 192));
        QCOMPARE(Bar()->Pane(2)->Background(), QColor(153, 255, 102));
        QCOMPARE(Bar()->Pane(3)->ShownText(), QString("View both srce"));

        MoveOver(PaneMiddle(1));
        QCOMPARE(View()->DisplayedSource(), 1);
        QVERIFY(Bar()->Pane(1)->HasMarker());
        QVERIFY(!Bar()->Pane(3)->HasMarker());
        // Nine ticks (1.8 s) later the source is still shown, the tenth returns to the target.
        for (int i = 0; i < 9; ++i)
            Bar()->OnTimerTick();
        QCOMPARE(View()->DisplayedSource(), 1);
        Bar()->OnTimerTick();
        QCOMPARE(View()->DisplayedSource(), -1);
        QVERIFY(Bar()->Pane(3)->HasMarker());
        Bar()->OnTimerTick();
        QCOMPARE(Bar()->IdleTicks(), 10);

        // Moving from pane 2 to pane 3 brings the target back at once.
        Bar()->OnPointerMove(PaneMiddle(2));
        QCOMPARE(View()->DisplayedSource(), 2);
        QCOMPARE(Bar()->IdleTicks(), 0);
        Bar()->OnPointerMove(PaneMiddle(3));
        QCOMPARE(View()->DisplayedSource(), -1);
        // A pointer exactly on a pane's edge selects nothing.
        Bar()->OnPointerMove(Bar()->Pane(1)->geometry().left());
        QCOMPARE(View()->DisplayedSource(), -1);
        // The real timer does the same on its own.
        Bar()->OnPointerMove(PaneMiddle(2));
        QTRY_COMPARE_WITH_TIMEOUT(View()->DisplayedSource(), -1, 5000);
    }

    void tipsSplitLinesAndCloseAfterTenSeconds()
    {
        Load("one.png");
        Load("two.png");
        flying_tips* tip =
            View()->OpenTip(QRect(100, 200, 480, 14), "These buttons:\n\ncenter, center/top.");
        QVERIFY(tip);
        QVERIFY(!View()->OpenTip(QRect(1, 1, 5, 5), "another"));
        QCOMPARE(tip->Lines(), QStringList({"These buttons:", "", "center, center/top."}));
        QCOMPARE(tip->geometry().topLeft(), QPoint(100, 100));
        QCOMPARE(tip->height(), 3 * tip->LineHeight() + 2);
        QVERIFY(tip->isVisible());
        for (int i = 0; i < 9; ++i)
            tip->OnTimerTick();
        QVERIFY(tip->isVisible());
        tip->OnTimerTick();
        QVERIFY(!tip->isVisible());
        // The object stays, so no other tip opens until the pointer moves over the view.
        QVERIFY(View()->Tip());
        QVERIFY(!View()->OpenTip(QRect(1, 1, 5, 5), "another"));
        View()->centeringTipArmed = false;
        QTest::mouseMove(View()->viewport(), QPoint(300, 300));
        QVERIFY(!View()->Tip());
        QVERIFY(View()->centeringTipArmed);
        QCOMPARE(flying_tips::SplitLines("a\nb\nc\nd\ne\nf\ng\nh\ni\nj\nk\nl").size(), 10);
    }
};

QTEST_MAIN(StatusBarTest)
#include "wnd_status_bar_test.moc"
