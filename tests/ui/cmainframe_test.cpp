// The desktop program as a whole: start-up, settings keys, the command table and its enable
// rules, looks, the open-file route, recent files, the command line, the idle hook, About.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "caboutdlg.h"
#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

// Qt's rule for the title a platform window shows: the given title, or with the application's
// display name appended where one was set. Declared in Qt's platform headers, not installed here.
class QPlatformWindow {
public:
    static QString formatWindowTitle(const QString& title, const QString& separator);
};

// Receives the About dialog's home page request instead of a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class MainFrameTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;
    QTemporaryDir files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    QString first, second, third;

    std::unique_ptr<CbrindorApp> Start(const QStringList& args = {"brindor"})
    {
        auto app = std::make_unique<CbrindorApp>();
        if (!app->InitInstance(args))
            return nullptr;
        app->Document().SetFileDialogs(&dialogs);
        app->Frame()->resize(1400, 1000);
        return app;
    }

    // The window shown and active, with `first` and then `two` loaded; null if it cannot be active.
    std::unique_ptr<CbrindorApp> StartActiveWithSources(const QString& two)
    {
        return ui_test::StartActiveWithSources(dialogs, QSize(1400, 1000), {first, two});
    }

    static QStringList MenuTexts(QMenu* menu)
    {
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QString("-") : a->menu() ? a->menu()->title()
                      : a->property("menuText").isValid() ? a->property("menuText").toString()
                                                          : a->text());
        return texts;
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        CbrindorApp::SetUpSettingsStore();
        messages.Install();
        first = ui_test::WritePicture(files, "first.png", 320, 200);
        second = ui_test::WritePicture(files, "second.png", 300, 240, qRgb(255, 0, 255));
        third = ui_test::WritePicture(files, "third.bmp", 64, 48);
    }
    void init()
    {
        QSettings().clear();
        messages.Clear();
        dialogs.path.clear();
        dialogs.requests.clear();
    }

    void startUpStateAndSettingsKeys()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        QCOMPARE(f->windowTitle(), QString("Brindor"));
        QCOMPARE(QGuiApplication::desktopFileName(), QString("io.github.brindor.Brindor"));
        QCOMPARE(app->Document().SourceCount(), 0);
        // A new user's look follows the desktop.
        QCOMPARE(f->ApplicationLook(), 219);
        QCOMPARE(QSettings().value("Workspace/ApplicationLook").toInt(), 219);
        QVERIFY(f->Action(219)->isChecked());
        QCOMPARE(f->StatusBar()->MessageText(), QString("Brindor is ready"));
        QVERIFY(f->StatusBar()->TimerActive());
        QVERIFY(f->View()->HasStartButtons());
        CPropertiesWnd* pane = f->Pane();
        QCOMPARE(pane->windowTitle(), QString("Properties (Dockable)"));
        QCOMPARE(pane->allowedAreas(), Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
        QCOMPARE(f->dockWidgetArea(pane), Qt::RightDockWidgetArea);
        const int ids[] = {0, 146, 147, 148, 145};
        const int widths[] = {150, 100, 100, 100, 250};
        const char* texts[] = {"Brindor is ready", "View Source 1", "View Source 2",
                               "View both src", "Batch merge status"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(f->StatusBar()->Pane(i)->Id(), ids[i]);
            QVERIFY(f->StatusBar()->Pane(i)->minimumWidth() == widths[i]);
            QCOMPARE(f->StatusBar()->Pane(i)->Text(), QString(texts[i]));
        }
    }

    void menusHoldEveryCommandInOrder()
    {
        auto app = Start();
        QList<QMenu*> menus;
        for (QAction* a : app->Frame()->menuBar()->actions())
            menus << a->menu();
        QCOMPARE(menus.size(), 4);
        QCOMPARE(MenuTexts(menus[0]),
                 QStringList({"&Open Image...\tCtrl+O", "Open &Text...\tT", "Open Blank Source",
                              "&Save As...\tCtrl+S", "&Load Preset...", "Save Pr&eset...", "-",
                              "&Print...\tCtrl+P", "Print Preview",
                              "P&rint Setup...", "-", "Recent File", "-", "E&xit"}));
        QCOMPARE(MenuTexts(menus[1]),
                 QStringList({"&Undo\tCtrl+Z", "&Redo\tCtrl+Shift+Z", "-", "&Copy\tCtrl+C",
                              "&Paste\tCtrl+V", "&Rotate...\tCtrl+R", "Batch merge...", "Base Color",
                              "Target Image Size...", "Positioning..."}));
        QMenu* positioning = menus[1]->actions()[9]->menu();
        QCOMPARE(MenuTexts(positioning), QStringList({"source 1", "Source 2"}));
        QCOMPARE(MenuTexts(positioning->actions()[1]->menu()),
                 QStringList({"Top Left", "Top Right", "Bottom Left", "Bottom Right", "middle"}));
        QCOMPARE(MenuTexts(menus[2]).mid(0, 2), QStringList({"&Application Look", "-"}));
        QMenu* looks = menus[2]->actions()[0]->menu();
        QCOMPARE(MenuTexts(looks), QStringList({"&System", "-", "Windows &2000", "Office &XP", "&Windows XP",
                                                "Office 200&3", "Visual Studio.NET 200&5",
                                                "Office 200&7"}));
        QCOMPARE(MenuTexts(looks->actions()[7]->menu()),
                 QStringList({"&Blue Style", "B&lack Style", "&Silver Style", "&Aqua Style"}));
        QCOMPARE(MenuTexts(menus[3]), QStringList({"&Help Topics", "-", "&About brindor..."}));

        CMainFrame* f = app->Frame();
        QCOMPARE(f->Action(57601)->data().toInt(), 57601);
        QCOMPARE(f->Action(57601)->statusTip(), QString("Open an existing document"));
        QCOMPARE(f->Action(57601)->toolTip(), QString("Open"));
        QCOMPARE(f->Action(32800)->statusTip(), QString("Change rotation of either source 1 or 2"));
        QCOMPARE(f->Action(32841)->statusTip(), QString("Shove source 1 to the middile of the target image."));
        QCOMPARE(f->Action(32846)->toolTip(), QString("Shove source 2 to the middle of the target image."));
        QCOMPARE(f->Action(57634)->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}));
        QCOMPARE(f->Action(57637)->shortcuts(),
                 QList<QKeySequence>({QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}));
        QCOMPARE(f->Action(32791)->shortcut(), QKeySequence("T"));
        QCOMPARE(f->Action(57600)->shortcut(), QKeySequence("Ctrl+N"));
        // Highlighting an item puts its prompt into the first pane.
        f->Action(57604)->showStatusText(f);
        QCOMPARE(f->StatusBar()->MessageText(), QString("Save target image"));
    }

    void enableRulesFollowTheSources()
    {
        auto app = Start();
        CMainFrame* f = app->Frame();
        const int twoOnly[] = {32800, 32801, 32829, 32833, 32836, 32837, 32840, 32841, 32846};
        const int always[] = {57601, 32791, 32803, 57604, 57607, 57609, 57606, 57637, 32830,
                              57665, 57667, 57664, 210, 218};
        const int never[] = {57635, 57643, 57670};
        for (int count = 0; count <= 2; ++count) {
            if (count > 0) {
                dialogs.path = (count == 1 ? first : second).toStdString();
                QVERIFY(f->RunCommand(57601));
            }
            QCOMPARE(app->Document().SourceCount(), count);
            for (int id : twoOnly)
                QVERIFY2(f->Action(id)->isEnabled() == (count == 2), qPrintable(QString::number(id)));
            for (int id : always)
                QVERIFY2(f->Action(id)->isEnabled(), qPrintable(QString::number(id)));
            for (int id : never)
                QVERIFY(!f->Action(id)->isEnabled());
            QCOMPARE(f->Action(57634)->isEnabled(), count > 1);
            QCOMPARE(f->View()->HasStartButtons(), count < 2);
        }
        // A disabled command does nothing, also when asked directly.
        auto fresh = Start();
        QVERIFY(!fresh->Frame()->RunCommand(32801));
    }

    void looksAreRememberedWithTheirRadioMark()
    {
        {
            auto app = Start();
            QVERIFY(app->Frame()->RunCommand(211));
            QCOMPARE(QSettings().value("Workspace/ApplicationLook").toInt(), 211);
            QVERIFY(app->Frame()->Action(211)->isChecked());
            QVERIFY(!app->Frame()->Action(215)->isChecked());
            QVERIFY(!(app->Frame()->dockOptions() & QMainWindow::AnimatedDocks));
            const QColor xp = QApplication::palette().color(QPalette::Window);
            QVERIFY(app->Frame()->RunCommand(216));
            QVERIFY(QApplication::palette().color(QPalette::Window) != xp);
            QVERIFY(app->Frame()->dockOptions() & QMainWindow::AnimatedDocks);
            QVERIFY(app->Frame()->RunCommand(211));
        }
        auto next = Start();
        QCOMPARE(next->Frame()->ApplicationLook(), 211);
        QVERIFY(next->Frame()->Action(211)->isChecked());
    }

    void openFileRouteAndRecentFiles()
    {
        auto app = Start();
        CMainFrame* f = app->Frame();
        // Cancelled: nothing changes and nothing is remembered.
        QVERIFY(f->RunCommand(57601));
        QCOMPARE(dialogs.requests.size(), size_t(1));
        QCOMPARE(app->Document().SourceCount(), 0);
        QVERIFY(f->RecentFiles().isEmpty());
        QVERIFY(!QSettings().contains("Configure/Last Open Directory"));

        dialogs.path = first.toStdString();
        dialogs.filterIndex = 3;
        QVERIFY(f->RunCommand(57601));
        QCOMPARE(app->Document().SourceCount(), 1);
        QCOMPARE(app->Document().path[0], first.toStdString());
        QCOMPARE(QSettings().value("Configure/Last Open Extension").toInt(), 3);
        QCOMPARE(QSettings().value("Recent File List/File1").toString(), first);

        dialogs.path = second.toStdString();
        QVERIFY(f->RunCommand(57601));
        QCOMPARE(f->RecentFiles(), QStringList({second, first}));
        QCOMPARE(QSettings().value("Recent File List/File1").toString(), second);
        QCOMPARE(QSettings().value("Recent File List/File2").toString(), first);
        // The dialog opens in the remembered folder with the remembered filter.
        QCOMPARE(dialogs.requests.back().filterIndex, 3);
        QCOMPARE(QString::fromStdString(dialogs.requests.back().initialFolder), files.path() + "/");
        QVERIFY(!f->View()->HasStartButtons());
        QCOMPARE(f->View()->GetEngine().target.width, 1024);

        // The recent-file menu entries open through the same route; a third asks which to
        // replace, and here the choice is the second source.
        QAction* recent = f->findChild<QAction*>("command57617");
        QVERIFY(recent);
        QCOMPARE(recent->data().toInt(), 57617);
        QTimer::singleShot(0, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                if (auto* b = box->findChild<QPushButton*>("replace2"))
                    b->click();
        });
        recent->trigger();
        QCOMPARE(app->Document().SourceCount(), 2);
        QCOMPARE(app->Document().path[1], first.toStdString());

        // Sixteen at most, the newest first, no duplicates.
        for (int i = 0; i < 20; ++i)
            f->AddRecentFile(files.filePath(QString("many%1.png").arg(i)));
        f->AddRecentFile(files.filePath("many5.png"));
        QCOMPARE(f->RecentFiles().size(), 16);
        QCOMPARE(f->RecentFiles().first(), files.filePath("many5.png"));
        QCOMPARE(f->RecentFiles().count(files.filePath("many5.png")), 1);
        QCOMPARE(QSettings().value("Recent File List/File16").toString(), f->RecentFiles().last());
    }

    void commandLineFileBecomesSourceOne()
    {
        auto app = Start({"brindor", first});
        QVERIFY(app);
        CbrindorDoc& doc = app->Document();
        QCOMPARE(doc.SourceCount(), 1);
        QCOMPARE(doc.path[0], first.toStdString());
        QCOMPARE(app->Frame()->RecentFiles(), QStringList({first}));
        // The next source goes into slot 2 and completes the pair.
        dialogs.path = second.toStdString();
        QVERIFY(app->Frame()->RunCommand(57601));
        QCOMPARE(doc.SourceCount(), 2);
        QCOMPARE(doc.path[1], second.toStdString());
        QVERIFY(app->Frame()->Action(32801)->isEnabled());
    }

    void commandLineFileThatCannotLoadEndsStartUp()
    {
        messages.Clear();
        auto app = std::make_unique<CbrindorApp>();
        QVERIFY(!app->InitInstance({"brindor", files.filePath("missing.png")}));
        QVERIFY(!messages.shown.empty());
    }

    void idleHookFinishesQuickPreviewsOnlyWithTwoSources()
    {
        auto app = Start();
        Engine& engine = app->Frame()->View()->GetEngine();
        dialogs.path = first.toStdString();
        app->Frame()->RunCommand(57601);
        engine.quickPreview = true;
        QVERIFY(app->OnIdle(1));
        QVERIFY(!app->OnIdle(2));
        QVERIFY(engine.quickPreview);

        dialogs.path = second.toStdString();
        app->Frame()->RunCommand(57601);
        engine.quickPreview = true;
        QVERIFY(app->IdleWorkPending());
        // The event loop's idle moment runs the hook by itself.
        QTRY_VERIFY(!engine.quickPreview);
    }

    void aboutDialogHomepageKeepsItOpen()
    {
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler("https", &catcher, "open");
        CAboutDlg about;
        about.show();
        QCOMPARE(about.windowTitle(), QString("About brindor"));
        auto* home = about.findChild<QPushButton*>("homepageButton");
        QVERIFY(home);
        QCOMPARE(home->text(), QString("Brindor Homepage"));
        QCOMPARE(home->property("controlId").toInt(), 1023);
        QTest::mouseClick(home, Qt::LeftButton);
        QCOMPARE(catcher.opened, QList<QUrl>({CAboutDlg::HomePage()}));
        QVERIFY(about.isVisible());
        QTest::mouseClick(about.findChild<QPushButton*>("okButton"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QDesktopServices::unsetUrlHandler("https");
    }

    void shortcutsRunTheirCommandsOnlyWhenEnabled()
    {
        auto app = Start();
        CMainFrame* f = app->Frame();
        f->show();
        QApplication::setActiveWindow(f);
        QVERIFY(QTest::qWaitForWindowActive(f));
        dialogs.path = first.toStdString();
        QTest::keyClick(f->View(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app->Document().SourceCount(), 1);
        // Copy is disabled with one source: its shortcut leaves the clipboard alone.
        QApplication::clipboard()->setText("kept");
        QTest::keyClick(f->View(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString("kept"));
        dialogs.path = second.toStdString();
        QTest::keyClick(f->View(), Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(f->View(), Qt::Key_Insert, Qt::ControlModifier);
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat("image/bmp"));
    }

    void batchRunCountsInTheStatusBarAndStopsOnEsc()
    {
        QTemporaryDir folder;
        const QString one = ui_test::WritePicture(folder, "one.png", 40, 30);
        ui_test::WritePicture(folder, "two.bmp", 50, 20);
        ui_test::WritePicture(folder, "three.png", 30, 30);
        auto app = Start();
        CMainFrame* f = app->Frame();
        dialogs.path = first.toStdString();
        f->RunCommand(57601);
        dialogs.path = one.toStdString();
        f->RunCommand(57601);
        const auto acceptBatch = [] {
            if (QWidget* d = QApplication::activeModalWidget())
                if (auto* ok = d->findChild<QPushButton*>("ok"))
                    ok->click();
        };
        QTimer::singleShot(0, acceptBatch);
        messages.Clear();
        QVERIFY(f->RunCommand(32801));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 3"));
        QVERIFY(QFileInfo::exists(folder.filePath("output/two.bmp")));
        QCOMPARE(messages.shown.back(), std::string("Batch merging is complete."));

        // Esc during the run asks first; Yes ends it after the current file.
        QTimer::singleShot(0, [f, acceptBatch] {
            acceptBatch();
            // Pressed while the run pumps its messages between files.
            QTimer::singleShot(0, f, [f] {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(f->View(), &esc);
            });
        });
        messages.Clear();
        messages.answer = true;
        f->StatusBar()->Pane(4)->SetText("Batch merge status");
        QVERIFY(f->RunCommand(32801));
        QCOMPARE(messages.shown.back(), std::string("Do you really want to quit ?"));
        QVERIFY(f->StatusBar()->Pane(4)->Text() != QString("Current file count = 3"));
        // Keys reach the windows again once the run is over.
        QKeyEvent b(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
        f->View()->EnterSourceScroll(1);
        QApplication::sendEvent(f->View(), &b);
        QCOMPARE(f->View()->Mode(), ScrollMode::Target);
    }

    // A run with the real dialogs, answered from the keyboard. Meanwhile nothing that changes the
    // document or starts another run can be reached: menu, shortcut, pane, toolbar, mouse.
    void batchDialogsTakeTheirKeysAndNothingElseRuns()
    {
        QTemporaryDir folder;
        const QString one = ui_test::WritePicture(folder, "one.png", 40, 30);
        ui_test::WritePicture(folder, "two.bmp", 50, 20);
        ui_test::WritePicture(folder, "three.png", 30, 30);
        // The canvas size, so that each file takes long enough for the watch to see it.
        QSettings().setValue("Batch/Keep Own Size", 0);
        auto app = StartActiveWithSources(one);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        // `during` runs once, while the run pumps the window's events after its first file.
        std::function<void()> during;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (during && f->StatusBar()->Pane(4)->Text() == "Current file count = 1")
                std::exchange(during, nullptr)();
        });
        watch.start(5);
        using Press = ui_test::ModalKeys::Press;
        const auto run = [&](std::deque<Press> presses, std::function<void()> meanwhile) {
            keys.Clear();
            keys.presses = std::move(presses);
            during = std::move(meanwhile);
            f->StatusBar()->Pane(4)->SetText("Batch merge status");
            QVERIFY(f->RunCommand(32801));
            QVERIFY(!during);
            QVERIFY(keys.stuck.empty());
        };

        bool refused = true;
        auto* contents = qobject_cast<CPropertiesWndContents*>(f->Pane()->Contents());
        run({Press{Qt::Key_Return}, Press{Qt::Key_Space}}, [&] {
            for (int id : {32801, 57601, 32791, 57637, 32800, 32829, 32830, 32833, 32846, 57600})
                refused = refused && !f->Action(id)->isEnabled() && !f->RunCommand(id);
            f->Action(32801)->trigger();
            QTest::keyClick(f, Qt::Key_R, Qt::ControlModifier);
            refused = refused && !f->Pane()->SendCommand(32792) && !f->Pane()->SendCommand(32804);
            QToolBar* tools = contents->ToolBar(1);
            QTest::mouseClick(tools->widgetForAction(contents->ToolAction(32792)), Qt::LeftButton);
            QTest::mouseClick(contents->Button(332), Qt::LeftButton);
            // A right press in the target mode would answer with a message.
            QTest::mouseClick(f->View()->viewport(), Qt::RightButton, {}, QPoint(300, 300));
            refused = refused && f->Action(57634)->isEnabled();
        });
        QVERIFY(refused);
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Batch merging is complete."}));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 3"));

        // Esc during the run asks; Escape answers No and the run goes on, Y stops it.
        const auto escape = [f] { QTest::keyClick(f, Qt::Key_Escape); };
        run({Press{Qt::Key_Return}, Press{Qt::Key_Escape}, Press{Qt::Key_Return}}, escape);
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Do you really want to quit ?",
                                                   "Batch merging is complete."}));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 3"));
        run({Press{Qt::Key_Return}, Press{Qt::Key_Y}}, escape);
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Do you really want to quit ?"}));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 1"));

        // Afterwards the window takes its keys and commands again.
        QVERIFY(!f->BatchRunning());
        QVERIFY(f->Action(32801)->isEnabled());
        f->View()->EnterSourceScroll(1);
        QTest::keyClick(f->View(), Qt::Key_B);
        QCOMPARE(f->View()->Mode(), ScrollMode::Target);
    }

    // Two names that differ only in case write one output; the real end message names the later.
    void batchEndMessageNamesCaseCollisions()
    {
        QTemporaryDir folder;
        const QString one = ui_test::WritePicture(folder, "x.png", 40, 30);
        ui_test::WritePicture(folder, "X.PNG", 50, 20);
        auto app = StartActiveWithSources(one);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        keys.presses = {ui_test::ModalKeys::Press{Qt::Key_Return}, ui_test::ModalKeys::Press{Qt::Key_Return}};
        QVERIFY(f->RunCommand(32801));
        QVERIFY(keys.stuck.empty());
        QCOMPARE(keys.texts.size(), size_t(2));
        QVERIFY(keys.texts[1].startsWith("Batch merging is complete."));
        QVERIFY(keys.texts[1].endsWith("\nx.png"));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 1"));
        QCOMPARE(QDir(folder.filePath("output")).entryList(QDir::Files), QStringList{"x.png"});
    }

    // Each dialog, opened as the user opens it, shows its own title as given; message boxes show
    // the application title.
    void dialogTitlesStandAsGiven()
    {
        auto app = StartActiveWithSources(second);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        keys.presses.assign(8, {Qt::Key_Escape});
        for (int id : {32800, 32830, 32801, 57664})
            QVERIFY(f->RunCommand(id));
        auto* contents = qobject_cast<CPropertiesWndContents*>(f->Pane()->Contents());
        for (int id : {332, 344})
            QTest::mouseClick(contents->Button(id), Qt::LeftButton);
        dialogs.path = third.toStdString();
        f->RunCommand(57601);
        // The right button in the target mode answers with a message box.
        QTest::mouseClick(f->View()->viewport(), Qt::RightButton, {}, QPoint(300, 300));
        QCOMPARE(keys.titles, (std::vector<QString>{"Rotate Source", "Target Image Size", "Batch Merging",
                                                    "About brindor", "Change Source", "blend_options",
                                                    "Replace Source Image", "brindor"}));
        QVERIFY(keys.stuck.empty());
        for (const QString& title : keys.titles)
            QCOMPARE(QPlatformWindow::formatWindowTitle(title, QString::fromUtf8(" \u2014 ")), title);
        QCOMPARE(QPlatformWindow::formatWindowTitle(f->windowTitle(), " - "), QString("Brindor"));
    }

    void layoutIsSavedUnderWorkspace()
    {
        {
            auto app = Start();
            app->Frame()->show();
            QVERIFY(QTest::qWaitForWindowExposed(app->Frame()));
            app->Frame()->close();
        }
        QVERIFY(QSettings().contains("Workspace/WindowGeometry"));
        QVERIFY(QSettings().contains("Workspace/PaneLayout"));
    }
};

QTEST_MAIN(MainFrameTest)
#include "cmainframe_test.moc"
