// The status bar's view-source panes with their timed return, and the flying tips.
#include <QAccessible>
#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "flying_tips.h"
#include "rotate.h"
#include "testutils.h"
#include "ui_test_support.h"
#include "wheel.h"
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

    // Names, texts and states of the hand-painted panes and of the picture-only controls, as
    // screen readers query them.
    static QStringList NamesOf(QAccessibleInterface* parent, QAccessible::Role role)
    {
        QStringList names;
        for (int i = 0; i < parent->childCount(); ++i)
            if (QAccessibleInterface* child = parent->child(i); child->role() == role)
                names << child->text(QAccessible::Name);
        return names;
    }
    static QString Name(QObject* object) { return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name); }

    void panesAndPictureControlsHaveAccessibleNames()
    {
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(Bar());
        QCOMPARE(bar->role(), QAccessible::StatusBar);
        QCOMPARE(NamesOf(bar, QAccessible::StaticText),
                 QStringList({"Brindor is ready", "View Source 1", "View Source 2", "View both src",
                              "Batch merge status"}));
        for (int id : {133, 134, 57637})
            QVERIFY(!Name(View()->StartButton(id)).isEmpty());
        QCOMPARE(Name(View()->StartButton(133)), QString("Load Image"));

        Load("one.png");
        Load("two.png");
        MoveOver(PaneMiddle(2));
        // The names follow what the panes show, the marker is the selected state.
        QCOMPARE(NamesOf(bar, QAccessible::StaticText),
                 QStringList({"Brindor is ready", "View source 1", "View source 2", "View both srce",
                              "Batch merge status"}));
        QVERIFY(QAccessible::queryAccessibleInterface(Bar()->Pane(2))->state().selected);
        QVERIFY(!QAccessible::queryAccessibleInterface(Bar()->Pane(3))->state().selected);
        Bar()->Pane(4)->SetText("Current file count = 3");
        QAccessibleInterface* counter = QAccessible::queryAccessibleInterface(Bar()->Pane(4));
        QCOMPARE(counter->text(QAccessible::Name), QString("Current file count = 3"));
        QCOMPARE(counter->text(QAccessible::Value), QString("Current file count = 3"));
        app->Frame()->StatusBar()->SetMessageText("Save target image");
        QCOMPARE(Name(Bar()->Pane(0)), QString("Save target image"));

        QCOMPARE(Name(View()), QString("Target view"));
        auto* pane = qobject_cast<CPropertiesWndContents*>(app->Frame()->Pane()->Contents());
        QStringList buttons;
        for (int id : {328, 330, 332, 333, 344, 32841, 32846})
            buttons << Name(pane->Button(id));
        QCOMPARE(buttons, QStringList({"Blend Button 1", "Blend Button 2", "Change Source 1", "Change Source 2",
                                       "Blend options", "Centering button 1", "Centering button 2"}));
        QAccessibleInterface* centre = QAccessible::queryAccessibleInterface(pane->Button(32841));
        QCOMPARE(centre->text(QAccessible::Description), QString("center"));
        QTest::mouseClick(pane->Button(32841), Qt::LeftButton);
        QCOMPARE(centre->text(QAccessible::Description), QString("center/top"));
        testutils::FakePrompts prompts;
        rotate dialog(View()->GetEngine(), prompts);
        QCOMPARE(Name(dialog.findChild<wheel*>()), QString("Angle wheel"));
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
