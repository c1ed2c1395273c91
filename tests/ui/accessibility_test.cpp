// The window through a screen reader's eyes and the keyboard alone: every control named and a
// Tab stop, Tab walking the pane in order, and the pane's controls worked without a mouse.
#include <QAccessible>
#include <QApplication>
#include <QDockWidget>
#include <QMenuBar>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "prop_grid_ctrl.h"
#include "scroll_combo.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

namespace {

bool Interactive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::EditableText:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonMenu:
    case QAccessible::Tree:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::PageTab:
        return true;
    default:
        return false;
    }
}

// Controls with their own keyboard road: the menu bar (Alt, F10), scroll bars (the view's
// arrow and page keys) and the pane's title buttons (its View menu entry).
bool OwnKeyboardRoad(const QWidget* w)
{
    for (const QWidget* up = w; up; up = up->parentWidget())
        if (qobject_cast<const QMenuBar*>(up) || qobject_cast<const QScrollBar*>(up))
            return true;
    return qobject_cast<const QDockWidget*>(w->parentWidget()) && qobject_cast<const QAbstractButton*>(w);
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CbrindorApp> app;

    CMainFrame* Frame() { return app->Frame(); }
    CPropertiesWndContents* Pane() { return static_cast<CPropertiesWndContents*>(Frame()->Pane()->Contents()); }

    // Every interactive element below `node` that shows: its problems, if any.
    void Walk(QAccessibleInterface* node, QStringList& problems, QStringList& statusTexts)
    {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child || child->state().invisible)
                continue;
            auto* w = qobject_cast<QWidget*>(child->object());
            if (w && Interactive(child->role()) && !OwnKeyboardRoad(w)) {
                const QString what = w->metaObject()->className() + QString(" ") + w->objectName();
                if (child->text(QAccessible::Name).trimmed().isEmpty())
                    problems << what + ": no name";
                if (!(w->focusPolicy() & Qt::TabFocus))
                    problems << what + " \"" + child->text(QAccessible::Name) + "\": not a Tab stop";
            }
            if (child->role() == QAccessible::StaticText && qobject_cast<status_pane*>(child->object()))
                statusTexts << child->text(QAccessible::Name);
            Walk(child, problems, statusTexts);
        }
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
        app = ui_test::StartProgram(dialogs, QSize(1280, 900));
        QVERIFY(app);
        QApplication::setActiveWindow(Frame());
        QVERIFY(QTest::qWaitForWindowActive(Frame()));
    }
    void cleanupTestCase() { app.reset(); }

    void everyControlIsNamedAndReachable()
    {
        // First the empty window with its start buttons, then both sources with the whole pane.
        for (int sources = 0; sources <= 2; sources += 2) {
            if (sources == 2)
                QVERIFY(ui_test::OpenPictures(*app, dialogs, files, {"one.png", "two.png"}, 160, 120));
            QApplication::processEvents();
            QStringList problems, statusTexts;
            Walk(QAccessible::queryAccessibleInterface(Frame()), problems, statusTexts);
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
            // A screen reader reads the status panes as they are shown.
            QStringList shown;
            for (int i = 0; i < 5; ++i)
                shown << Frame()->StatusBar()->Pane(i)->ShownText();
            QCOMPARE(statusTexts, shown);
        }
        QCOMPARE(Frame()->StatusBar()->Pane(1)->ShownText(), QString("View source 1"));
        QVERIFY(QAccessible::queryAccessibleInterface(Pane()->Statistics())->text(QAccessible::Name)
                    .startsWith("Target image pixels width/height ="));
    }

    void tabWalksThePaneAndTheKeysWorkIt()
    {
        CPropertiesWndContents* pane = Pane();
        QVERIFY(app->Document().SourceCount() == 2);
        Engine& engine = Frame()->View()->GetEngine();
        // Set again until the blend buttons stand enabled: a late resize of the view drops a zone.
        const auto showZone = [&] {
            engine.zone = BlendZone{};
            engine.zone.valid = true;
            engine.zone.x1 = engine.canvasRect.left + 10;
            engine.zone.y1 = engine.canvasRect.top + 10;
            engine.zone.x2 = engine.canvasRect.left + 60;
            engine.zone.y2 = engine.canvasRect.top + 50;
            Frame()->UpdateCommandUI();
            return pane->Button(328)->isEnabled() && pane->Button(330)->isEnabled();
        };
        QTRY_VERIFY(showZone());

        QList<QWidget*> expected{pane->Selector(), pane->Button(328), pane->Button(330), pane->Button(332),
                                 pane->Button(333), pane->Button(344)};
        for (int n : {1, 2})
            for (QAction* a : pane->ToolBar(n)->actions())
                expected << pane->ToolBar(n)->widgetForAction(a);
        expected << pane->Button(32841) << pane->Button(32846) << pane->Grid()->Tree();
        pane->Selector()->setFocus(Qt::TabFocusReason);
        QList<QWidget*> visited{QApplication::focusWidget()};
        for (int k = 1; k < expected.size(); ++k) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QCOMPARE(visited, expected);

        // Space on a blend button blends one step and leaves the keyboard there.
        pane->Button(328)->setFocus(Qt::TabFocusReason);
        const int level = engine.zone.level;
        QTest::keyClick(pane->Button(328), Qt::Key_Space);
        QVERIFY(engine.zone.level != level);
        QCOMPARE(QApplication::focusWidget(), pane->Button(328));

        // Space on a toolbar button runs its command: source 2 juxtaposed to the right of 1.
        QWidget* juxtapose = pane->ToolBar(1)->widgetForAction(pane->ToolAction(32793));
        juxtapose->setFocus(Qt::TabFocusReason);
        const int offset = engine.placement[1].offsetX;
        QTest::keyClick(juxtapose, Qt::Key_Space);
        QVERIFY(engine.placement[1].offsetX != offset);
        QCOMPARE(QApplication::focusWidget(), juxtapose);

        // The grid's rows: arrows move between them, Enter opens the value, Escape closes it.
        QTreeWidget* tree = pane->Grid()->Tree();
        tree->setFocus(Qt::TabFocusReason);
        tree->setCurrentItem(tree->topLevelItem(0));
        QTest::keyClick(tree, Qt::Key_Down);
        QVERIFY(tree->currentItem() != tree->topLevelItem(0));
        QTest::keyClick(tree, Qt::Key_Return);
        QWidget* editor = tree->viewport()->findChild<QWidget*>("gridEditor");
        QVERIFY(editor && editor->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!tree->viewport()->findChild<QWidget*>("gridEditor"));
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
