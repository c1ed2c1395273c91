// The text dialog's buttons: Set Font, Zap Text, Paste text, Bk Gnd Color, Transparent
// background, Try Text and Ok.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "pane_fixture.h"
#include "text_entry.h"
#include "text_font_engine_qt.h"

using pane_fixture::Pane;

class text_entry_test : public QObject {
    Q_OBJECT
    QtFontEngine fonts;

    static void Click(text_entry& d, int id) { QTest::mouseClick(d.ButtonById(id), Qt::LeftButton); }

private slots:
    void opensOnTheSlotsText()
    {
        Pane pane(2);
        pane.doc.text[1] = "first line\r\nsecond\r\n";
        text_entry dialog(pane.doc, fonts, 2, true);
        QCOMPARE(dialog.windowTitle(), QString("Text Entry"));
        QCOMPARE(dialog.SlotLabel(), QString("Selected Source 2"));
        QCOMPARE(dialog.Edit()->toPlainText(), QString("first line\nsecond"));
        QVERIFY(!dialog.Transparent()->isChecked());
        QVERIFY(!dialog.ButtonById(text_entry::TryId)->isHidden());
        text_entry fresh(pane.doc, fonts, 1, false);
        QVERIFY(fresh.ButtonById(text_entry::TryId)->isHidden());
    }

    void zapAndPasteText()
    {
        Pane pane(2);
        pane.doc.text[0] = "old\r\n";
        text_entry dialog(pane.doc, fonts, 1, true);
        dialog.show();
        Click(dialog, text_entry::ZapId);
        QCOMPARE(dialog.Edit()->toPlainText(), QString());
        QCOMPARE(pane.doc.text[0], std::string());
        QGuiApplication::clipboard()->setText("a\tb");
        dialog.Edit()->setPlainText("x ");
        dialog.Edit()->moveCursor(QTextCursor::End);
        Click(dialog, text_entry::PasteId);
        QCOMPARE(dialog.Edit()->toPlainText(), QString("x a    b"));
        QCOMPARE(pane.doc.text[0].substr(0, 8), std::string("x a    b"));
    }

    void backgroundColourChooser()
    {
        Pane pane(2);
        pane.doc.textStyle.backgroundColour = 0x123456;
        text_entry dialog(pane.doc, fonts, 1, true);
        QColor offered;
        dialog.chooseColour = [&](const QColor& start) {
            offered = start;
            return QColor();  // cancelled
        };
        Click(dialog, text_entry::BackgroundId);
        QCOMPARE(offered, QColor(255, 0, 0));
        QCOMPARE(pane.doc.textStyle.backgroundColour, 0x123456u);  // cancelling keeps the colour
        dialog.chooseColour = [](const QColor&) { return QColor(10, 20, 30); };
        Click(dialog, text_entry::BackgroundId);
        QCOMPARE(pane.doc.textStyle.backgroundColour, 0x1E140Au);
    }

    void setFontTakesTheColourEitherWay()
    {
        Pane pane(2);
        text_entry dialog(pane.doc, fonts, 1, true);
        LOGFONT offered;
        dialog.chooseFont = [&](const LOGFONT& start, uint32_t) {
            offered = start;
            FontChoice c;
            c.accepted = false;
            c.colour = 0x00FF00;
            return c;
        };
        Click(dialog, text_entry::SetFontId);
        QCOMPARE(QString(offered.faceName), QString("Times New Roman"));
        QCOMPARE(pane.doc.textStyle.textColour, 0x00FF00u);
        QCOMPARE(pane.doc.textStyle.font.height, -27);
        dialog.chooseFont = [](const LOGFONT& start, uint32_t) {
            FontChoice c;
            c.accepted = true;
            c.font = start;
            c.font.height = -40;
            c.font.underline = 1;
            c.colour = 0x0000FF;
            return c;
        };
        Click(dialog, text_entry::SetFontId);
        QCOMPARE(pane.doc.textStyle.font.height, -40);
        QCOMPARE(pane.doc.textStyle.font.underline, uint8_t(1));
        QCOMPARE(pane.doc.textStyle.textColour, 0x0000FFu);
        QVERIFY(dialog.Edit()->font().underline());
        dialog.Edit()->setPlainText("typed");  // the edit box keeps the dialog's font
        QVERIFY(dialog.Edit()->font().underline());
    }

    void qtFontToLogFont()
    {
        QFont f("DejaVu Sans");
        f.setPixelSize(31);
        f.setBold(true);
        f.setItalic(true);
        f.setStrikeOut(true);
        const LOGFONT lf = text_entry::ToLogFont(f);
        QCOMPARE(lf.height, -31);
        QCOMPARE(lf.weight, 700);
        QCOMPARE(lf.italic, uint8_t(1));
        QCOMPARE(lf.strikeOut, uint8_t(1));
        QCOMPARE(lf.underline, uint8_t(0));
        QCOMPARE(QString(lf.faceName), QString("DejaVu Sans"));
    }

    void tryTextThenOk()
    {
        Pane pane(2);
        text_entry dialog(pane.doc, fonts, 2, true);
        dialog.show();
        dialog.Edit()->setPlainText("AB\nABCD");
        dialog.Transparent()->setChecked(true);
        Click(dialog, text_entry::TryId);
        QVERIFY(dialog.isVisible());
        QCOMPARE(pane.doc.Kind(2), SourceKind::Text);
        QCOMPARE(pane.doc.text[1], std::string("AB\r\nABCD\r\n"));
        const int tried = pane.doc.Width(2);
        QVERIFY(tried > 0 && tried != 120);
        dialog.Edit()->setPlainText("AB\nABCD and more");
        Click(dialog, text_entry::OkId);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(pane.doc.Width(2) > tried);
    }

    void closingWithoutOkCommitsNothing()
    {
        Pane pane(2);
        pane.doc.text[0] = "kept\r\n";
        text_entry dialog(pane.doc, fonts, 1, true);
        dialog.show();
        dialog.Edit()->setPlainText("not wanted");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(pane.doc.text[0], std::string("kept"));  // only the line end was dropped on opening
        QCOMPARE(pane.doc.Kind(1), SourceKind::ImageFile);
    }
};

QTEST_MAIN(text_entry_test)
#include "text_entry_test.moc"
