// Undo and redo in the window: every kind of edit, made as the user makes it, comes back bit for
// bit; the Edit menu names the step; a new source keeps the history.
#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QtTest>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "edit_recorder.h"
#include "prop_grid_ctrl.h"
#include "prop_grid_editors.h"
#include "ui_test_support.h"

namespace {

// What the user sees and edits: the settings state and the target's bytes.
struct Seen {
    SettingsState state;
    std::vector<uint8_t> target;
};

Seen Look(CMainFrame* f)
{
    const Engine& e = f->View()->GetEngine();
    return {CaptureSettingsState(e), {e.target.pixels.data(), e.target.pixels.data() + size_t(e.target.width) * e.target.height * 3}};
}

bool Same(const Seen& a, const Seen& b) { return SameState(a.state, b.state) && a.target == b.target; }

}  // namespace

class edit_history_test : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;
    QTemporaryDir files;
    ui_test::MessageLog messages;
    QString one, two;

    std::unique_ptr<CbrindorApp> Start()
    {
        auto app = std::make_unique<CbrindorApp>();
        if (!app->InitInstance({"brindor"}))
            return nullptr;
        CMainFrame* f = app->Frame();
        f->resize(1300, 950);
        f->show();
        QApplication::setActiveWindow(f);
        if (!QTest::qWaitForWindowActive(f))
            return nullptr;
        app->Document().OpenDocument(one.toStdString());
        app->Document().OpenDocument(two.toStdString());
        return app;
    }
    static CPropertiesWndContents* Contents(CMainFrame* f)
    {
        return qobject_cast<CPropertiesWndContents*>(f->Pane()->Contents());
    }
    // Closed grid editors are deleted later; the next row's editor must not meet the last one.
    static void Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static void Commit(CMainFrame* f, PropertyId id, const QString& text)
    {
        auto* spin = qobject_cast<prop_grid_spin*>(Contents(f)->Grid()->OpenEditor(id));
        QVERIFY(spin);
        spin->SetText(text);
        QTest::keyClick(spin, Qt::Key_Return);
        Settle();
    }
    static void Choose(CMainFrame* f, PropertyId id, int position)
    {
        auto* combo = qobject_cast<QComboBox*>(Contents(f)->Grid()->OpenEditor(id));
        QVERIFY(combo);
        emit combo->activated(position);
        Settle();
    }
    static void Tool(CMainFrame* f, int id)
    {
        CPropertiesWndContents* c = Contents(f);
        QToolBar* bar = c->ToolAction(id) == c->ToolBar(1)->Action(id) ? c->ToolBar(1) : c->ToolBar(2);
        QTest::mouseClick(bar->widgetForAction(c->ToolAction(id)), Qt::LeftButton);
    }
    static QString UndoText(CMainFrame* f) { return f->Action(57643)->text(); }
    static QString RedoText(CMainFrame* f) { return f->Action(33100)->text(); }
    // Sets a dialog's line edits by name, for ModalKeys::inspect.
    static std::function<void(QWidget*)> Fill(std::map<QString, QString> edits)
    {
        return [edits](QWidget* dialog) {
            for (const auto& [name, text] : edits)
                if (auto* e = dialog->findChild<QLineEdit*>(name))
                    e->setText(text);
            if (auto* colours = qobject_cast<QColorDialog*>(dialog))
                colours->setCurrentColor(QColor(12, 200, 40));
        };
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        CbrindorApp::SetUpSettingsStore();
        messages.Install();
        one = ui_test::WritePicture(files, "one.png", 320, 200);
        two = ui_test::WritePicture(files, "two.png", 300, 240, qRgb(255, 0, 255));
    }
    void init()
    {
        QSettings().clear();
        messages.Clear();
    }

    // Each kind of edit through its real control or dialog; then all undone and all redone.
    void everyKindOfEditUndoesAndRedoesBitForBit()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        CbrindorView* view = f->View();
        Engine& e = view->GetEngine();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        std::vector<Seen> seen{Look(f)};
        std::vector<QString> labels;
        const auto step = [&](const QString& label, const std::function<void()>& edit) {
            edit();
            QVERIFY2(keys.stuck.empty(), qPrintable(label));
            QTRY_VERIFY(!app->IdleWorkPending());
            QCOMPARE(UndoText(f), "&Undo " + label);
            seen.push_back(Look(f));
            labels.push_back(label);
        };
        step("Vertical scale", [&] { Commit(f, PropertyId::VerticalScale1, "150"); });
        step("Contrast type:", [&] { Choose(f, PropertyId::ContrastType, 3); });
        step("Overall Contrast %", [&] { Commit(f, PropertyId::OverallContrast, "80"); });
        step("Flip Source 2", [&] { Choose(f, PropertyId::FlipSource2, 0); });
        step("Bottom Right of Source 1", [&] { Tool(f, 32836); });
        step("Middle of Source 2", [&] { QTest::mouseClick(Contents(f)->CentreButton(2), Qt::LeftButton); });
        step("Middle of Source 2", [&] { QTest::mouseClick(Contents(f)->CentreButton(2), Qt::LeftButton); });
        step("Juxtapose 2 and 1", [&] { Tool(f, CmdJuxtapose21); });
        step("Rotate", [&] {
            keys.inspect = Fill({{"angle", "40"}});
            QVERIFY(f->RunCommand(32800));
        });
        step("Base Color", [&] {
            keys.inspect = Fill({});
            QVERIFY(f->RunCommand(32829));
        });
        step("Target Image Size", [&] {
            keys.inspect = Fill({{"width", "700"}, {"height", "500"}});
            QVERIFY(f->RunCommand(32830));
        });
        QCOMPARE(e.canvasRect.Width(), 700);
        // Scroll-bar moves of one source join into one step.
        step("Move Source 1", [&] {
            QVERIFY(f->Pane()->SendCommand(32804));
            QScrollBar* bar = view->horizontalScrollBar();
            bar->setValue(bar->value() - 30);
            bar->setValue(bar->value() - 25);
        });
        // A drawn zone is no step: it joins the state the next step starts from.
        QVERIFY(f->Pane()->SendCommand(32806));
        const QPoint corner = QPoint(e.canvasRect.left, e.canvasRect.top) + QPoint(200, 150);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, corner);
        QTest::mouseMove(view->viewport(), corner + QPoint(120, 90));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, corner + QPoint(120, 90));
        QVERIFY(e.zone.valid);
        seen.back() = Look(f);
        step("Blend towards Source 1", [&] { QTest::mouseClick(Contents(f)->Button(328), Qt::LeftButton); });
        step("Blend towards Source 1", [&] { QTest::mouseClick(Contents(f)->Button(328), Qt::LeftButton); });
        QVERIFY(e.blendingPresent);
        step("Reset All Parameters", [&] {
            keys.presses = {{Qt::Key_Y}};
            Tool(f, CmdResetAll);
        });
        QCOMPARE(keys.texts.back(), QString("Do you wish to reset all parameters ?"));

        // The dialogs are gone: the window takes its shortcuts again.
        QApplication::setActiveWindow(f);
        QVERIFY(QTest::qWaitForWindowActive(f));
        view->setFocus();
        for (size_t i = seen.size() - 1; i > 0; --i) {
            QCOMPARE(UndoText(f), "&Undo " + labels[i - 1]);
            QTest::keyClick(f, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(Same(Look(f), seen[i - 1]), qPrintable("undo " + labels[i - 1]));
        }
        QCOMPARE(UndoText(f), QString("&Undo"));
        QVERIFY(!f->Action(57643)->isEnabled());
        QCOMPARE(QSettings().value("Configure/canvas_width").toInt(), 1024);
        for (size_t i = 1; i < seen.size(); ++i) {
            QCOMPARE(RedoText(f), "&Redo " + labels[i - 1]);
            QTest::keyClick(f, i % 2 ? Qt::Key_Y : Qt::Key_Z, i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(Same(Look(f), seen[i]), qPrintable("redo " + labels[i - 1]));
        }
        QVERIFY(!f->Action(33100)->isEnabled());
        // Blending goes on from the redone blend as it would have.
        QVERIFY(f->RunCommand(57643));
        QVERIFY(f->RunCommand(57643));
        QVERIFY(e.zone.valid);
        QTest::mouseClick(Contents(f)->Button(328), Qt::LeftButton);
        QVERIFY(Same(Look(f), seen[seen.size() - 2]));
    }

    void editMenuNamesTheStep()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        QCOMPARE(UndoText(f), QString("&Undo"));
        QCOMPARE(RedoText(f), QString("&Redo"));
        QVERIFY(!f->Action(57643)->isEnabled() && !f->Action(33100)->isEnabled());
        QCOMPARE(f->Action(33100)->shortcuts(), QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
        // Re-entering the shown value is no step.
        Commit(f, PropertyId::SourceBias, "50");
        QVERIFY(!f->Action(57643)->isEnabled());
        Choose(f, PropertyId::MergeMethod, 0);
        QCOMPARE(UndoText(f), QString("&Undo Per pixel src 1 && 2"));
        QCOMPARE(f->Action(57643)->property("menuText").toString(), QString("&Undo Per pixel src 1 && 2\tCtrl+Z"));
        QVERIFY(f->Action(57643)->isEnabled());
        QVERIFY(f->RunCommand(57643));
        QCOMPARE(UndoText(f), QString("&Undo"));
        QCOMPARE(RedoText(f), QString("&Redo Per pixel src 1 && 2"));
        QVERIFY(f->Action(33100)->isEnabled());
        QCOMPARE(f->View()->GetEngine().settings.mergeMethod, 6);
        QCOMPARE(Contents(f)->Grid()->Value(PropertyId::MergeMethod), QString("Average"));
    }

    // A source replaced in between: the settings' history stays, the old blend does not.
    void historySurvivesANewSource()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        Engine& e = f->View()->GetEngine();
        Commit(f, PropertyId::HorizontalScale2, "60");
        Commit(f, PropertyId::SourceBias, "30");
        const QPoint corner(e.canvasRect.left + 100, e.canvasRect.top + 100);
        QTest::mousePress(f->View()->viewport(), Qt::LeftButton, {}, corner);
        QTest::mouseRelease(f->View()->viewport(), Qt::LeftButton, {}, corner + QPoint(80, 80));
        QTest::mouseClick(Contents(f)->Button(330), Qt::LeftButton);
        QCOMPARE(UndoText(f), QString("&Undo Blend towards Source 2"));

        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        keys.inspect = [](QWidget* dialog) {
            if (auto* replace = dialog->findChild<QPushButton*>("replace2"))
                replace->setFocus();
        };
        keys.presses = {{Qt::Key_Space}};
        QVERIFY(f->RunCommand(32803));
        QVERIFY(keys.stuck.empty());
        QCOMPARE(keys.titles, std::vector<QString>{"Replace Source Image"});
        QCOMPARE(app->Document().Kind(2), SourceKind::PastedOrBlank);
        // The new source is no step of its own.
        QCOMPARE(UndoText(f), QString("&Undo Blend towards Source 2"));
        QVERIFY(f->RunCommand(57643));
        QVERIFY(!e.blendingPresent);
        QCOMPARE(e.settings.sourceBias, 76);
        QVERIFY(f->RunCommand(57643));
        QCOMPARE(e.settings.sourceBias, 127);
        QCOMPARE(e.settings.horizontalScale[1], 60.0);
        QVERIFY(f->RunCommand(57643));
        QCOMPARE(e.settings.horizontalScale[1], 100.0);
        // Composed on the new source, as a fresh edit would.
        const Seen undone = Look(f);
        e.RecomputeAll();
        QVERIFY(Same(Look(f), undone));
    }
};

QTEST_MAIN(edit_history_test)
#include "edit_history_test.moc"
