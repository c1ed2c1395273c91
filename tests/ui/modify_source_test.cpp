// The change source dialog's buttons and when it stays open; the replace source outcomes.
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "clipboard_port.h"
#include "modify_source.h"
#include "pane_fixture.h"
#include "replace_source.h"
#include "text_source.h"

using pane_fixture::Pane;

namespace {
class ScriptedFileDialogs : public FileDialogs {
public:
    std::string next;  // empty: the chooser is cancelled
    int opened = 0;
    FileDialogResult OpenFile(const FileDialogRequest&) override
    {
        ++opened;
        return FileDialogResult{!next.empty(), next, 1};
    }
    FileDialogResult SaveFile(const FileDialogRequest&) override { return {}; }
};

class EmptyClipboard : public Clipboard {
public:
    int asked = 0;
    bool Open() override { return true; }
    void Close() override {}
    void Empty() override {}
    bool HasDib() override { return false; }
    bool GetDib(std::vector<uint8_t>&) override
    {
        ++asked;
        return false;
    }
    bool SetDib(std::vector<uint8_t>&&) override { return false; }
};

class CountingTexts : public TextEntryRunner {
public:
    std::vector<std::pair<SourceIndex, bool>> runs;
    bool RunTextEntry(SourceIndex s, bool replacing) override
    {
        runs.emplace_back(s, replacing);
        return false;
    }
};

void WriteBmp(const QString& path, int w, int h)
{
    const int row = (3 * w + 3) & ~3;
    QByteArray file(54 + row * h, '\x40');
    auto put32 = [&file](int at, uint32_t v) {
        for (int k = 0; k < 4; ++k)
            file[at + k] = char((v >> (8 * k)) & 0xFF);
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(6, 0);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(w));
    put32(22, uint32_t(h));
    put32(26, 1 | (24 << 16));
    put32(30, 0);
    put32(34, uint32_t(row * h));
    for (int at = 38; at < 54; ++at)
        file[at] = 0;
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
}
}  // namespace

class modify_source_test : public QObject {
    Q_OBJECT

    static QPushButton* Button(QDialog& d, const char* name) { return d.findChild<QPushButton*>(name); }

private slots:
    void imageFromFileStaysOpenUntilAnImageLoads()
    {
        Pane pane(2);
        ScriptedFileDialogs files;
        EmptyClipboard clipboard;
        CountingTexts texts;
        pane.doc.SetFileDialogs(&files);
        modify_source dialog(2, modify_source::DocumentActions(pane.doc, clipboard, texts));
        QCOMPARE(dialog.windowTitle(), QString("Change Source"));
        QCOMPARE(dialog.SourceLabel(), QString("Selected source: 2"));
        dialog.show();
        QTest::mouseClick(Button(dialog, "image"), Qt::LeftButton);
        QCOMPARE(files.opened, 1);
        QVERIFY(dialog.isVisible());
        QVERIFY(pane.prompts.shown.empty());

        QTemporaryDir dir;
        const QString bad = dir.filePath("broken.bmp");
        QFile junk(bad);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a picture");
        junk.close();
        files.next = bad.toStdString();
        QTest::mouseClick(Button(dialog, "image"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QVERIFY(!pane.prompts.shown.empty());

        const QString good = dir.filePath("fresh.bmp");
        WriteBmp(good, 37, 21);
        files.next = good.toStdString();
        QTest::mouseClick(Button(dialog, "image"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(pane.doc.Width(2), 37);
        QCOMPARE(pane.doc.Height(2), 21);
        QCOMPARE(pane.doc.Width(1), 200);
    }

    void pasteAndBlankStayOpenTextCloses()
    {
        Pane pane(2);
        EmptyClipboard clipboard;
        CountingTexts texts;
        modify_source dialog(1, modify_source::DocumentActions(pane.doc, clipboard, texts));
        dialog.show();
        QTest::mouseClick(Button(dialog, "paste"), Qt::LeftButton);
        QVERIFY(clipboard.asked > 0);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(Button(dialog, "blank"), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(pane.doc.Width(1), pane.engine().CanvasWidth());
        QCOMPARE(pane.doc.Height(1), pane.engine().CanvasHeight());
        QTest::mouseClick(Button(dialog, "ok"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        modify_source second(2, modify_source::DocumentActions(pane.doc, clipboard, texts));
        second.show();
        QTest::mouseClick(Button(second, "text"), Qt::LeftButton);
        QCOMPARE(texts.runs, (std::vector<std::pair<SourceIndex, bool>>{{2, true}}));
        QCOMPARE(second.result(), int(QDialog::Accepted));  // whatever the text dialog answered
    }

    void replaceSourceOutcomes()
    {
        replace_source dialog;
        QCOMPARE(dialog.windowTitle(), QString("Replace Source Image"));
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("replace1"), Qt::LeftButton);
        QCOMPARE(dialog.result(), replace_source::ReplaceOne);
        dialog.show();
        QTest::mouseClick(dialog.findChild<QPushButton*>("replace2"), Qt::LeftButton);
        QCOMPARE(dialog.result(), replace_source::ReplaceTwo);
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), replace_source::Cancelled);
        dialog.show();
        dialog.close();
        QCOMPARE(dialog.result(), replace_source::Cancelled);
        QCOMPARE(replace_source::OutcomeToSource(129), 1);
        QCOMPARE(replace_source::OutcomeToSource(130), 2);
        QCOMPARE(replace_source::OutcomeToSource(2), 0);
        QCOMPARE(replace_source::OutcomeToSource(1), 0);
    }
};

QTEST_MAIN(modify_source_test)
#include "modify_source_test.moc"
