// The batch dialog's texts and folder label, and a batch over generated files stopped with Esc.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "batch_merge.h"
#include "pane_fixture.h"

using pane_fixture::Pane;

namespace {
// The batch host of a test: the real dialog (answered OK), real event pumping, and an Esc
// remembered from the key events that reach the application.
class ScriptedHost : public QObject, public BatchHost {
public:
    QString label;
    std::vector<std::string> counts;
    std::function<void(int)> afterCount;
    bool escape = false;

    bool ConfirmBatch(const std::string& source2Path) override
    {
        batch_merge dialog(QString::fromStdString(source2Path));
        label = dialog.FolderLabelText();
        QTimer::singleShot(0, &dialog, [&dialog] {
            QTest::mouseClick(dialog.findChild<QPushButton*>("ok"), Qt::LeftButton);
        });
        const bool ok = dialog.exec() == QDialog::Accepted;
        if (ok)
            qApp->installEventFilter(this);
        return ok;
    }
    void PumpEvents() override { QCoreApplication::processEvents(); }
    bool EscapeDown() override
    {
        const bool e = escape;
        escape = false;
        return e;
    }
    void ShowFileCount(const std::string& text) override
    {
        counts.push_back(text);
        if (afterCount)
            afterCount(int(counts.size()));
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            escape = true;
            return true;
        }
        return false;
    }
};
}  // namespace

class batch_merge_test : public QObject {
    Q_OBJECT

private slots:
    void folderLabel_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("label");
        QTest::newRow("long path") << "/home/someone/Documents/Pictures/2012/Holiday in Spain/x.jpg"
                                   << ".../Documents/Pictures/2012/Holiday in Spain/output";
        QTest::newRow("short path") << "/tmp/a/x.png"
                                    << "/tmp/a/output";
        QTest::newRow("exactly 50") << "/" + QString(42, 'f') + "/x.png" << "/" + QString(42, 'f') + "/output";
    }
    void folderLabel()
    {
        QFETCH(QString, path);
        QFETCH(QString, label);
        QCOMPARE(batch_merge::OutputFolderLabel(path), label);
        QVERIFY(batch_merge::OutputFolderLabel(path).size() <= 53);
    }

    void dialogTexts()
    {
        batch_merge dialog("/tmp/a/x.png");
        QCOMPARE(dialog.windowTitle(), QString("Batch Merging"));
        QStringList texts;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains("You can stop batch merging at any time by pressing 'Esc'."));
        QVERIFY(texts.contains("/tmp/a/output"));
        QVERIFY(!dialog.findChild<QLabel*>("picture")->pixmap().isNull());
    }

    // Closed, the options part leaves the dialog as it always was; open, its choices come back
    // as set, the default folder as "the default" wherever source 2 is.
    void optionsPartReadsBack()
    {
        batch_merge dialog("/tmp/a/x.png");
        QVERIFY(!dialog.OptionsShown());
        QVERIFY(dialog.findChild<QWidget*>("options")->isHidden());
        QCOMPARE(dialog.Options(), BatchOptions{});
        BatchOptions chosen{"/srv/out", BatchFormat::Bmp, 40, ExistingOutput::Skip, true, true, true};
        dialog.SetOptions(chosen);
        QCOMPARE(dialog.Options(), chosen);
        QCOMPARE(dialog.FolderLabelText(), QString("/srv/out"));
        QVERIFY(!dialog.findChild<QSpinBox*>("quality")->isEnabled());
        dialog.findChild<QComboBox*>("format")->setCurrentIndex(int(BatchFormat::Jpeg));
        QVERIFY(dialog.findChild<QSpinBox*>("quality")->isEnabled());
        chosen.outputFolder = "relative/out";
        dialog.SetOptions(chosen);
        QCOMPARE(dialog.Options().outputFolder, chosen.outputFolder);
        QCOMPARE(dialog.FolderLabelText(), QString("/tmp/a/relative/out"));
        dialog.findChild<QLineEdit*>("outputFolder")->setText("/tmp/a/output");
        QCOMPARE(dialog.Options().outputFolder, std::string());
        QCOMPARE(dialog.FolderLabelText(), QString("/tmp/a/output"));
    }

    void batchOverGeneratedFilesStopsOnEsc()
    {
        QTemporaryDir dir;
        const QStringList names{"a.bmp", "B.PNG", "c.bmp", "notes.txt", "d.png"};
        for (const QString& n : names) {
            if (n.endsWith(".txt")) {
                QFile f(dir.filePath(n));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write("text");
                continue;
            }
            QImage picture(64 + names.indexOf(n), 48, QImage::Format_RGB888);
            picture.fill(QColor(40 * names.indexOf(n), 120, 200));
            QVERIFY(picture.save(dir.filePath(n), n.endsWith("bmp", Qt::CaseInsensitive) ? "BMP" : "PNG"));
        }
        Pane pane(2);
        pane.doc.path[1] = dir.filePath("a.bmp").toStdString();
        pane.doc.kind[1] = SourceKind::ImageFile;
        ScriptedHost host;
        QWidget window;
        window.show();
        // Esc is pressed while the second file's count is shown; the next check asks and stops.
        host.afterCount = [&window](int n) {
            if (n == 2)
                QTest::keyClick(&window, Qt::Key_Escape);
        };
        pane.prompts.answers = {true};
        pane.doc.RunBatchMerge(host);
        qApp->removeEventFilter(&host);

        QVERIFY(host.label.endsWith("/output"));
        QCOMPARE(host.counts, (std::vector<std::string>{"Current file count = 1", "Current file count = 2"}));
        QCOMPARE(pane.prompts.asked, std::vector<std::string>{"Do you really want to quit ?"});
        const QStringList written = QDir(dir.filePath("output")).entryList(QDir::Files);
        QCOMPARE(written.size(), 3);
        for (const QString& name : written)
            QCOMPARE(name, name.toLower());
        QVERIFY(!written.contains("notes.txt"));
        QCOMPARE(pane.doc.SourceCount(), 2);
    }
};

QTEST_MAIN(batch_merge_test)
#include "batch_merge_test.moc"
