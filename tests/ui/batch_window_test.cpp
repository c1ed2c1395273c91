// The window batch with its options, run through the real dialogs answered from the keyboard:
// chosen and kept options, the folder chooser, the end summary with its log, the dry run and
// the progress dialog's Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "batch_dialogs.h"
#include "batch_merge.h"
#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cmainframe.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

using Press = ui_test::ModalKeys::Press;

class BatchWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;
    QTemporaryDir files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    QString first;

    // The window shown and active with `first` and then `two` loaded; null if it cannot be active.
    std::unique_ptr<CbrindorApp> Start(const QString& two)
    {
        return ui_test::StartActiveWithSources(dialogs, QSize(1200, 900), {first, two});
    }

    // Pictures of different sizes under the given names; the path of the first.
    static QString WritePictures(const QTemporaryDir& folder, const QStringList& names)
    {
        for (int i = 0; i < names.size(); ++i)
            ui_test::WritePicture(folder, names[i], 40 + 10 * i, 30 - 5 * i);
        return folder.filePath(names.first());
    }

    static QStringList Outputs(const QTemporaryDir& folder, const QString& sub = "output")
    {
        return QDir(folder.filePath(sub)).entryList(QDir::Files, QDir::Name);
    }

    static void WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        CbrindorApp::SetUpSettingsStore();
        messages.Install();
        first = ui_test::WritePicture(files, "first.png", 120, 90);
    }
    void init()
    {
        QSettings().clear();
        messages.Clear();
    }

    void optionsChosenInTheDialogAreUsedAndKept()
    {
        QTemporaryDir folder;
        const QString one = WritePictures(folder, {"one.png", "two.bmp"});
        auto app = Start(one);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        const QString pngs = folder.filePath("pngs");
        bool collapsed = false;
        keys.inspect = [&](QWidget* modal) {
            auto* d = qobject_cast<batch_merge*>(modal);
            if (!d)
                return;
            collapsed = !d->findChild<QWidget*>("options")->isVisible() &&
                        d->findChild<QToolButton*>("optionsToggle")->isVisible();
            QTest::mouseClick(d->findChild<QToolButton*>("optionsToggle"), Qt::LeftButton);
            d->findChild<QLineEdit*>("outputFolder")->setText(pngs);
            d->findChild<QComboBox*>("format")->setCurrentIndex(int(BatchFormat::Png));
            d->findChild<QComboBox*>("whenExists")->setCurrentIndex(int(ExistingOutput::NewName));
            d->findChild<QWidget*>("ok")->setFocus();
        };
        QVERIFY(f->RunCommand(32801));
        QVERIFY(collapsed);
        QVERIFY(keys.stuck.empty());
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Batch merging is complete."}));
        QCOMPARE(Outputs(folder, "pngs"), (QStringList{"one.png", "two.png"}));
        QVERIFY(!QDir(folder.filePath("output")).exists());
        // A new user's batch keeps each picture's own size.
        QCOMPARE(QImage(folder.filePath("pngs/one.png")).size(), QSize(40, 30));
        QCOMPARE(QImage(folder.filePath("pngs/two.png")).size(), QSize(50, 25));

        // The next dialog opens as it was left, and the choices hold again.
        BatchOptions shown;
        keys.Clear();
        keys.inspect = [&](QWidget* modal) {
            if (auto* d = qobject_cast<batch_merge*>(modal))
                shown = d->Options();
        };
        QVERIFY(f->RunCommand(32801));
        QCOMPARE(shown.outputFolder, pngs.toStdString());
        QCOMPARE(shown.format, BatchFormat::Png);
        QCOMPARE(shown.whenExists, ExistingOutput::NewName);
        QVERIFY(shown.optionsShown && shown.reportAtEnd);
        QCOMPARE(QSettings().value("Batch/Output Format").toInt(), int(BatchFormat::Png));
        QCOMPARE(Outputs(folder, "pngs"), (QStringList{"one (2).png", "one.png", "two (2).png", "two.png"}));
    }

    void browseOpensTheRealFolderChooser()
    {
        QTemporaryDir folder;
        const QString one = WritePictures(folder, {"one.png"});
        QVERIFY(QDir(folder.path()).mkdir("chosen"));
        auto app = Start(one);
        QVERIFY(app);
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        QString edited;
        keys.inspect = [&](QWidget* modal) {
            if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
                chooser->setDirectory(folder.filePath("chosen"));
            } else if (auto* d = qobject_cast<batch_merge*>(modal)) {
                if (!d->OptionsShown()) {
                    d->ShowOptions(true);
                    d->findChild<QPushButton*>("browse")->setFocus();
                } else {
                    edited = d->findChild<QLineEdit*>("outputFolder")->text();
                }
            }
        };
        keys.presses = {Press{Qt::Key_Space}, Press{Qt::Key_Return}, Press{Qt::Key_Escape}};
        QVERIFY(app->Frame()->RunCommand(32801));
        QVERIFY(keys.stuck.empty());
        QCOMPARE(keys.titles, (std::vector<QString>{"Batch Merging", "Output Folder", "Batch Merging"}));
        QCOMPARE(edited, folder.filePath("chosen"));
        QVERIFY(Outputs(folder, "chosen").isEmpty());
    }

    void problemsEndInOneSummaryThatSavesItsLog()
    {
        QTemporaryDir folder;
        const QString one = WritePictures(folder, {"one.png"});
        WriteBytes(folder.filePath("bad.png"), "not a picture");
        auto app = Start(one);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        // The save dialog proposes a log beside the outputs.
        const QString logPath = folder.filePath("output/batch-log.txt");
        keys.inspect = [&](QWidget* modal) {
            if (auto* save = modal->findChild<QPushButton*>("saveLog"); save && !QFile::exists(logPath))
                save->setFocus();
        };
        keys.presses = {Press{Qt::Key_Return}, Press{Qt::Key_Space}, Press{Qt::Key_Return}, Press{Qt::Key_Return}};
        QVERIFY(f->RunCommand(32801));
        QVERIFY(keys.stuck.empty());
        const QString summary = "Batch merging is complete.\n\nNot merged, as the file could not be loaded:\nbad.png";
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", summary, "Save Log", summary}));
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = log.readAll();
        QVERIFY2(text.contains("Not loaded: bad.png: Unable to load this image file"), qPrintable(text));
        QVERIFY(text.contains("Files written: 1 of 2"));
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 1"));

        // Reported as they happen, each problem has its own box again.
        QSettings().setValue("Batch/Report At End", 0);
        keys.Clear();
        QVERIFY(f->RunCommand(32801));
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Unable to load this image file",
                                                   "Batch merging is complete."}));
    }

    void dryRunListsBeforeAnythingIsWritten()
    {
        QTemporaryDir folder;
        const QString one = WritePictures(folder, {"one.png", "two.png"});
        QVERIFY(QDir(folder.path()).mkdir("output"));
        WriteBytes(folder.filePath("output/one.png"), "kept");
        QSettings().setValue("Batch/Dry Run", 1);
        auto app = Start(one);
        QVERIFY(app);
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        QStringList rows;
        keys.inspect = [&](QWidget* modal) {
            if (auto* dry = qobject_cast<batch_dry_run*>(modal))
                for (int i = 0; i < dry->Listing()->topLevelItemCount(); ++i) {
                    const QTreeWidgetItem* row = dry->Listing()->topLevelItem(i);
                    rows << row->text(0) + ">" + row->text(1) + "|" + row->text(2);
                }
        };
        keys.presses = {Press{Qt::Key_Return}, Press{Qt::Key_Escape}};
        QVERIFY(app->Frame()->RunCommand(32801));
        rows.sort();
        QCOMPARE(rows, (QStringList{"one.png>one.png|exists: overwritten", "two.png>two.png|"}));
        QCOMPARE(keys.texts, (std::vector<QString>{"Batch Merging", "Batch Merging: Dry Run"}));
        QCOMPARE(Outputs(folder), QStringList{"one.png"});
        QCOMPARE(QFileInfo(folder.filePath("output/one.png")).size(), qint64(4));

        keys.Clear();
        keys.presses = {Press{Qt::Key_Return}, Press{Qt::Key_Return}, Press{Qt::Key_Return}};
        QVERIFY(app->Frame()->RunCommand(32801));
        QVERIFY(keys.stuck.empty());
        QCOMPARE(keys.texts.back(), QString("Batch merging is complete."));
        QCOMPARE(Outputs(folder), (QStringList{"one.png", "two.png"}));
        QVERIFY(QFileInfo(folder.filePath("output/one.png")).size() > 4);
    }

    void progressShowsTheFileAndCancelStops()
    {
        QTemporaryDir folder;
        const QString one = WritePictures(folder, {"one.png", "two.bmp", "three.png"});
        // The canvas size, so that each file takes long enough for the watch to see it.
        QSettings().setValue("Batch/Keep Own Size", 0);
        auto app = Start(one);
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        QString label;
        bool shownModeless = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            QProgressDialog* progress = f->BatchProgressDialog();
            if (!progress || !label.isEmpty() || f->StatusBar()->Pane(4)->Text() != "Current file count = 1")
                return;
            label = progress->labelText();
            shownModeless = progress->isVisible() && !progress->isModal();
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
        });
        watch.start(5);
        QVERIFY(f->RunCommand(32801));
        QVERIFY(keys.stuck.empty());
        QVERIFY(shownModeless);
        QVERIFY2(label.contains(" of 3"), qPrintable(label));
        QCOMPARE(keys.texts, std::vector<QString>{"Batch Merging"});
        QCOMPARE(f->StatusBar()->Pane(4)->Text(), QString("Current file count = 1"));
        // Cancel, pressed while the second file was written, stops once that file is done.
        QCOMPARE(Outputs(folder).size(), qsizetype(2));
        QVERIFY(!f->BatchProgressDialog());
        QVERIFY(!f->BatchRunning());
    }
};

QTEST_MAIN(BatchWindowTest)
#include "batch_window_test.moc"
