// Presets from the window: saved and loaded through the real file dialogs, one undoable step,
// and the same file gives brindor-cli the window's very target.
#include <QFile>
#include <QFileDialog>
#include <QtTest>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cli_options.h"
#include "cli_run.h"
#include "cmainframe.h"
#include "merge_preset.h"
#include "ui_test_support.h"

class preset_test : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;
    QTemporaryDir files;
    ui_test::MessageLog messages;
    QString one, two;
    QString chosen;  // what the next file dialog is given

    std::unique_ptr<CbrindorApp> Start()
    {
        auto app = std::make_unique<CbrindorApp>();
        if (!app->InitInstance({"brindor"}))
            return nullptr;
        app->Frame()->resize(1300, 950);
        app->Frame()->show();
        app->Document().OpenDocument(one.toStdString());
        app->Document().OpenDocument(two.toStdString());
        return app;
    }
    // Answers each dialog with `chosen` typed into a file dialog, then Return.
    void Answer(ui_test::ModalKeys& keys)
    {
        keys.inspect = [this](QWidget* dialog) {
            if (auto* d = qobject_cast<QFileDialog*>(dialog))
                d->selectFile(chosen);
        };
    }
    static QByteArray Bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static std::vector<uint8_t> Target(const Engine& e)
    {
        return {e.target.pixels.data(), e.target.pixels.data() + size_t(e.target.width) * e.target.height * 3};
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        CbrindorApp::SetUpSettingsStore();
        qputenv("XDG_CONFIG_HOME", files.filePath("config").toUtf8());
        messages.Install();
        one = ui_test::WritePicture(files, "one.png", 320, 200);
        two = ui_test::WritePicture(files, "two.bmp", 300, 240, qRgb(255, 0, 255));
    }

    void windowAndCommandLineGiveTheSameTarget()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        Engine& e = f->View()->GetEngine();
        e.Juxtapose(2);  // leaves scales that are no whole percent
        e.RotateSource(1, -25, e.AnchorForRotation(1));
        e.ShoveToCorner(CmdTopLeft1 + 6);
        e.CommitNumber(PropertyId::SourceBias, "35");
        e.CommitNumber(PropertyId::RedContrast, "70");
        e.CommitListChoice(PropertyId::Effects, "Sharpen");
        e.SetBaseColour(Bgr{40, 80, 120});
        QVERIFY(e.settings.horizontalScale[1] != int(e.settings.horizontalScale[1]));
        const std::vector<uint8_t> windowTarget = Target(e);

        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        const QString folder = QString::fromStdString(PresetFolder());
        QCOMPARE(folder, files.filePath("config") + "/brindor/presets");
        std::vector<QString> started;
        keys.inspect = [&](QWidget* dialog) {
            if (auto* d = qobject_cast<QFileDialog*>(dialog)) {
                started.push_back(d->directory().absolutePath());
                d->selectFile(chosen);
            }
        };
        chosen = "portrait";
        QVERIFY(f->RunCommand(cmd::SavePreset));
        const QString preset = folder + "/portrait.preset";
        QVERIFY(QFile::exists(preset));
        chosen = files.filePath("window.bmp");
        QVERIFY(f->RunCommand(cmd::FileSaveAs));
        QCOMPARE(keys.titles, (std::vector<QString>{"Save Preset", "Save As"}));
        QCOMPARE(started.front(), folder);
        QVERIFY(keys.stuck.empty());

        const QString commandLine = files.filePath("cli.bmp");
        CliInvocation invocation;
        std::string error;
        QVERIFY(ParseCommandLine({"merge", one.toStdString(), two.toStdString(), "-o", commandLine.toStdString(),
                                  "--preset", preset.toStdString()},
                                 invocation, error));
        QVERIFY(invocation.warnings.empty());
        QCOMPARE(RunMerge(invocation), int(ExitOk));
        QVERIFY(!Bytes(commandLine).isEmpty());
        QCOMPARE(Bytes(commandLine), Bytes(files.filePath("window.bmp")));

        // Loaded into a changed window: one step that brings back the target.
        e.ResetAllParameters();
        const std::vector<uint8_t> reset = Target(e);
        chosen = preset;
        QVERIFY(f->RunCommand(cmd::LoadPreset));
        QCOMPARE(keys.titles.back(), QString("Load Preset"));
        QVERIFY(Target(e) == windowTarget);
        QCOMPARE(f->Action(cmd::Undo)->text(), QString("&Undo Load Preset"));
        QVERIFY(f->RunCommand(cmd::Undo));
        QVERIFY(Target(e) == reset);
        QVERIFY(keys.stuck.empty());
    }

    void problemsAreReported()
    {
        auto app = Start();
        QVERIFY(app);
        CMainFrame* f = app->Frame();
        const Engine& e = f->View()->GetEngine();
        std::string error;
        QVERIFY(MakePresetFolder(PresetFolder(), error));
        const QString bad = QString::fromStdString(PresetFolder()) + "/bad.preset";
        const QString odd = QString::fromStdString(PresetFolder()) + "/odd.preset";
        QFile b(bad), o(odd);
        QVERIFY(b.open(QIODevice::WriteOnly) && o.open(QIODevice::WriteOnly));
        b.write("[brindor-preset]\nmethod = least\ncanvas = 12x12\n");
        o.write("[brindor-preset]\nmethod = least\nshade = 4\n");
        b.close();
        o.close();

        ui_test::RealMessageBoxes real(messages);
        ui_test::ModalKeys keys;
        Answer(keys);
        chosen = bad;
        QVERIFY(f->RunCommand(cmd::LoadPreset));
        QCOMPARE(keys.texts.back(), "The preset " + bad + " cannot be loaded:\nline 3: canvas takes WxH, "
                                    "100..2048 x 100..1536, not '12x12'");
        QCOMPARE(e.settings.mergeMethod, 6);
        QVERIFY(!f->Action(cmd::Undo)->isEnabled());

        chosen = odd;
        QVERIFY(f->RunCommand(cmd::LoadPreset));
        QCOMPARE(keys.texts.back(), "The preset " + odd + " was loaded; these lines were skipped:\n"
                                    "line 3: unknown key 'shade' skipped");
        QCOMPARE(e.settings.mergeMethod, 3);
        QCOMPARE(f->Action(cmd::Undo)->text(), QString("&Undo Load Preset"));
        QCOMPARE(keys.titles.size(), size_t(4));
        QVERIFY(keys.stuck.empty());
    }
};

QTEST_MAIN(preset_test)
#include "preset_test.moc"
