// The target view through its real widget: canvas placement and scroll ranges in each mode,
// right-drag moving a source, left-drag zones, keys, the base colour, printing and the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "qt_clipboard.h"
#include "ui_test_support.h"

class ViewTest : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir, files;
    ui_test::MessageLog messages;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CbrindorApp> app;

    CbrindorView* View() { return app->Frame()->View(); }
    Engine& Eng() { return View()->GetEngine(); }
    void Load(const QString& name, int w = 400, int h = 300)
    {
        dialogs.path = ui_test::WritePicture(files, name, w, h).toStdString();
        QVERIFY(app->Frame()->RunCommand(57601));
    }
    void StartWithClient(QSize client)
    {
        // The pane's width and the bars vary; size the window so the view's client area is exact.
        app->Frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app->Frame()));
        for (int i = 0; i < 3; ++i) {
            const QSize now = View()->viewport()->size();
            app->Frame()->resize(app->Frame()->size() + (client - now));
            QCoreApplication::processEvents();
        }
    }
    // Mouse events on the view's client area with the given button state.
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent ev(type, QPointF(at), View()->viewport()->mapToGlobal(QPointF(at)), button,
                       held, Qt::NoModifier);
        QApplication::sendEvent(View()->viewport(), &ev);
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to)
    {
        Mouse(QEvent::MouseButtonPress, from, button, button);
        Mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, button);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, button);
        Mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    }
    // The pane's scroll-mode selector entry.
    int Selector()
    {
        auto* combo = app->Frame()->Pane()->findChild<QComboBox*>();
        return combo ? combo->currentIndex() : app->Frame()->Pane()->ScrollSelector();
    }
    void Type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(View(), c.toLatin1());
    }

private slots:
    void initTestCase()
    {
        ui_test::UsePrivateSettings(settingsDir);
        messages.Install();
    }
    void init()
    {
        QSettings().clear();
        messages.Clear();
        app = std::make_unique<CbrindorApp>();
        QVERIFY(app->InitInstance({"brindor"}));
        app->Document().SetFileDialogs(&dialogs);
    }
    void cleanup() { app.reset(); }

    void targetCentredInALargerClientWithoutScrollBars()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        QCOMPARE(Eng().canvasRect, (CanvasRect{0, 0, 1200, 900}));
        Load("b.png");
        QCOMPARE(Eng().canvasRect, (CanvasRect{88, 66, 1112, 834}));
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(View()->verticalScrollBar()->maximum(), 0);
        QCOMPARE(Eng().target.width, 1024);
    }

    void smallerClientScrollsTheTargetAndZonesAreTargetPixels()
    {
        StartWithClient(QSize(800, 600));
        QSettings().setValue("Configure/canvas_width", 1000);
        QSettings().setValue("Configure/canvas_height", 700);
        Load("a.png");
        Load("b.png");
        const QSize client = View()->viewport()->size();
        QCOMPARE(Eng().canvasRect, (CanvasRect{0, 0, 1000, 700}));
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 1000 - client.width());
        QCOMPARE(View()->verticalScrollBar()->maximum(), 700 - client.height());
        View()->horizontalScrollBar()->setValue(150);
        View()->verticalScrollBar()->setValue(40);
        QCOMPARE(View()->TargetScrollX(), 150);
        QCOMPARE(View()->TargetScrollY(), 40);
        // A zone drawn at client (10, 20) - (110, 90) lies at target pixels shifted by the bars.
        Drag(Qt::LeftButton, QPoint(10, 20), QPoint(110, 90));
        const BlendZone& z = Eng().zone;
        QCOMPARE(QRect(z.x1, z.y1, z.x2, z.y2), QRect(160, 60, 260, 130));
        QVERIFY(z.valid);
        QVERIFY(app->Frame()->Pane()->IsCommandEnabled(328));
    }

    void sourceScrollRangesAndScrollingMovesTheSource()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png", 400, 300);
        Load("b.png", 500, 250);
        View()->EnterSourceScroll(2);
        QCOMPARE(View()->Mode(), ScrollMode::Source2);
        const SourcePlacement& p = Eng().placement[1];
        const int boxW = int(p.fitFactorH * Eng().settings.horizontalScale[1] * p.boxWidth / 100);
        const int boxH = int(p.fitFactorV * Eng().settings.verticalScale[1] * p.boxHeight / 100);
        const QSize client = View()->viewport()->size();
        QCOMPARE(View()->ScrollSize(),
                 QSize(boxW + client.width() + 1024, boxH + client.height() + 768));
        QCOMPARE(View()->horizontalScrollBar()->value(), p.offsetX + 1024);
        // Moving the bar moves the source: offset = position - W.
        View()->horizontalScrollBar()->setValue(1024 + 37);
        QCOMPARE(Eng().placement[1].offsetX, 37);
        View()->verticalScrollBar()->setValue(768 - 12);
        QCOMPARE(Eng().placement[1].offsetY, -12);
        View()->EnterTargetScroll();
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        QCOMPARE(View()->ScrollSource(), 2);
        QCOMPARE(View()->ScrollSize(), QSize(1024, 768));
    }

    // What the window shows of the view, as last painted, against a fresh paint of it.
    bool ViewOnScreenIsCurrent()
    {
        QWidget* port = View()->viewport();
        const QImage shown = app->Frame()->screen()->grabWindow(app->Frame()->winId()).toImage();
        const QImage fresh = port->grab().toImage().convertToFormat(shown.format());
        return shown.copy(QRect(port->mapTo(app->Frame(), QPoint(0, 0)), port->size())) == fresh;
    }

    void resizeInASourceModeRepaintsTheCentredTarget()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        // The source mode's scroll bars take room from the view: the target is centred again.
        Type("1");
        QTRY_VERIFY(View()->verticalScrollBar()->isVisible());
        QTRY_VERIFY(ViewOnScreenIsCurrent());
        // The pane grows by 100 pixels, as when its edge is dragged: the view shrinks.
        CPropertiesWnd* pane = app->Frame()->Pane();
        const QSize before = View()->viewport()->size();
        app->Frame()->resizeDocks({pane}, {pane->width() + 100}, Qt::Horizontal);
        QTRY_COMPARE(View()->viewport()->width(), before.width() - 100);
        const int left = (before.width() - 100 - 1024) / 2, top = (before.height() - 768) / 2;
        QCOMPARE(Eng().canvasRect, (CanvasRect{left, top, left + 1024, top + 768}));
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        QTRY_VERIFY(ViewOnScreenIsCurrent());
    }

    void rightDragMovesTheSourceAndClamps()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        // In target mode the right button only explains itself.
        Drag(Qt::RightButton, QPoint(300, 300), QPoint(350, 300));
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(messages.shown[0].find("Please select 'scroll source 1 or 2'") == 0);

        Type("1");
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        const int x0 = Eng().placement[0].offsetX, y0 = Eng().placement[0].offsetY;
        Drag(Qt::RightButton, QPoint(300, 300), QPoint(350, 290));
        QCOMPARE(Eng().placement[0].offsetX, x0 - 50);
        QCOMPARE(Eng().placement[0].offsetY, y0 + 10);
        Drag(Qt::RightButton, QPoint(1100, 300), QPoint(10, 300));
        Drag(Qt::RightButton, QPoint(1100, 300), QPoint(10, 300));
        QCOMPARE(Eng().placement[0].offsetX, 1024);
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
    }

    void zoneRules()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        const CanvasRect c = Eng().canvasRect;
        // Starting on the margin leaves no zone even when the drag ends inside.
        Drag(Qt::LeftButton, QPoint(c.left - 5, c.top + 50), QPoint(c.left + 200, c.top + 200));
        QCOMPARE(Eng().zone.x1, -1);
        QVERIFY(!Eng().zone.valid);
        QVERIFY(!app->Frame()->Pane()->IsCommandEnabled(328));
        // Nine pixels wide is not ready; ten is, and the outline ends clamped to the target.
        Drag(Qt::LeftButton, QPoint(c.left + 10, c.top + 10), QPoint(c.left + 19, c.top + 60));
        QVERIFY(!Eng().zone.valid);
        Drag(Qt::LeftButton, QPoint(c.left + 10, c.top + 10), QPoint(c.right + 40, c.bottom + 9));
        QVERIFY(Eng().zone.valid);
        QCOMPARE(Eng().zone.x2, c.right - 1);
        QCOMPARE(Eng().zone.y2, c.bottom - 1);
        // In a source mode a left drag switches back to the target and explains why.
        Type("2");
        messages.Clear();
        Drag(Qt::LeftButton, QPoint(c.left + 10, c.top + 10), QPoint(c.left + 100, c.top + 100));
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        QCOMPARE(Selector(), 0);
        QCOMPARE(messages.shown.size(), size_t(1));
        QVERIFY(messages.shown[0].find("Looks like you are selecting a box") == 0);
    }

    void keyboardShortcuts()
    {
        StartWithClient(QSize(1000, 800));
        // b selects the target even with nothing loaded; 1 needs two sources.
        View()->EnterSourceScroll(1);
        Type("b");
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        Load("a.png");
        Type("1");
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        Load("b.png");
        Type("1");
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        QCOMPARE(Selector(), 1);
        QTest::keyClick(View(), 'B', Qt::ShiftModifier);
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        Type("2");
        QCOMPARE(View()->Mode(), ScrollMode::Source2);
        Type("b");
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        QCOMPARE(CbrindorView::CommandForCharacter(','), 328);
        QCOMPARE(CbrindorView::CommandForCharacter('<'), 328);
        QCOMPARE(CbrindorView::CommandForCharacter('.'), 330);
        QCOMPARE(CbrindorView::CommandForCharacter('>'), 330);
        QCOMPARE(CbrindorView::CommandForCharacter('B'), 0);
    }

    // Keys typed into the window, wherever its focus is.
    void TypeInWindow(char c) { QTest::keyClick(app->Frame()->windowHandle(), c); }

    void shortcutKeysWorkAfterAPaneButtonClick()
    {
        StartWithClient(QSize(1000, 800));
        Load("a.png");
        Load("b.png");
        QApplication::setActiveWindow(app->Frame());
        QVERIFY(QTest::qWaitForWindowActive(app->Frame()));
        View()->setFocus();
        auto* pane = qobject_cast<CPropertiesWndContents*>(app->Frame()->Pane()->Contents());
        ui_test::ModalKeys keys;
        keys.presses = {{Qt::Key_Escape}, {Qt::Key_Return}};
        // Centering button, blend options (a dialog, closed with Escape), change source 2 (OK),
        // a toolbar button: after each, the keys act on the view.
        QTest::mouseClick(pane->Button(32841), Qt::LeftButton);
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        TypeInWindow('b');
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        QTest::mouseClick(pane->Button(344), Qt::LeftButton);
        TypeInWindow('2');
        QCOMPARE(View()->Mode(), ScrollMode::Source2);
        QTest::mouseClick(pane->Button(333), Qt::LeftButton);
        TypeInWindow('1');
        QCOMPARE(View()->Mode(), ScrollMode::Source1);
        QToolBar* tools = pane->ToolBar(1);
        QTest::mouseClick(tools->widgetForAction(pane->ToolAction(32798)), Qt::LeftButton);
        TypeInWindow('b');
        QCOMPARE(View()->Mode(), ScrollMode::Target);
        QCOMPARE(keys.texts, (std::vector<QString>{"blend_options", "Change Source"}));
        QCOMPARE(app->Frame()->focusWidget(), View());
    }

    void emptyStateShowsTheButtonsAndTheRightTexture()
    {
        StartWithClient(QSize(900, 700));
        for (int id : {133, 134, 57637}) {
            QPushButton* b = View()->StartButton(id);
            QVERIFY(b);
            QCOMPARE(b->size(), QSize(80, 48));
        }
        QCOMPARE(View()->StartButton(134)->geometry().topLeft(), QPoint(200, 90));
        const QImage none = View()->viewport()->grab().toImage();
        Load("a.png");
        const QImage one = View()->viewport()->grab().toImage();
        // Blue page before, green page after: the one source is not shown.
        const QColor before = none.pixelColor(600, 600), after = one.pixelColor(600, 600);
        QVERIFY(before.blue() > before.green());
        QVERIFY(after.green() > after.blue());
        Load("b.png");
        QVERIFY(!View()->StartButton(133));
    }

    void baseColourCommand()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        View()->chooseColour = [] { return QColor(); };
        QVERIFY(app->Frame()->RunCommand(32829));
        QCOMPARE(Eng().settings.baseColour, (Bgr{0, 0, 0}));
        View()->chooseColour = [] { return QColor(10, 20, 30); };
        QVERIFY(app->Frame()->RunCommand(32829));
        QCOMPARE(Eng().settings.baseColour, (Bgr{30, 20, 10}));
    }

    void printingFitsThePageWidth()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = files.filePath("target.pdf");
        printer.setOutputFileName(pdf);
        const QRect used = View()->PrintOn(printer);
        QCOMPARE(used.topLeft(), QPoint(0, 0));
        QCOMPARE(used.width(), printer.width());
        QCOMPARE(used.height(), int(768.0 * printer.width() * printer.logicalDpiY() /
                                    (1024.0 * printer.logicalDpiX())));
        QVERIFY(QFileInfo(pdf).size() > 1000);
    }

    void printPreviewRemembersPagesSideBySide()
    {
        StartWithClient(QSize(1000, 800));
        Load("a.png");
        Load("b.png");
        bool painted = false;
        QTimer::singleShot(0, [&painted] {
            auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            painted = preview && preview->pageCount() == 1;
            preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
            dialog->reject();
        });
        QVERIFY(app->Frame()->RunCommand(57609));
        QVERIFY(painted);
        QCOMPARE(QSettings().value("Settings/PreviewPages").toInt(), 2);
    }

    void copyAndPasteThroughTheClipboard()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        QVERIFY(app->Frame()->RunCommand(57634));
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data);
        const QByteArray bmp = data->data("image/bmp");
        QCOMPARE(bmp.size(), 14 + 40 + 1024 * 768 * 3);
        QVERIFY(bmp.startsWith("BM"));
        const QImage image = qvariant_cast<QImage>(data->imageData());
        QCOMPARE(image.size(), QSize(1024, 768));
        // Row 0 of the picture is the target's top canvas row.
        const uint8_t* top = Eng().target.CanvasRow(0);
        QCOMPARE(image.pixelColor(5, 0), QColor(top[17], top[16], top[15]));

        // Pasting takes the block back as a new source: a third asks which slot to replace.
        QApplication::clipboard()->setImage(ui_test::WritePicture(files, "c.png", 30, 20).isEmpty()
                                                ? QImage()
                                                : QImage(files.filePath("c.png")));
        std::vector<uint8_t> block;
        QtClipboard clip;
        QVERIFY(clip.HasDib());
        QVERIFY(clip.GetDib(block));
        QCOMPARE(block.size(), size_t(40 + 30 * 20 * 4));
        QCOMPARE(int(block[14]), 32);

        auto fresh = std::make_unique<CbrindorApp>();
        app.reset();
        app = std::move(fresh);
        QVERIFY(app->InitInstance({"brindor"}));
        QVERIFY(app->Frame()->RunCommand(57637));
        QCOMPARE(app->Document().SourceCount(), 1);
        QCOMPARE(app->Document().Width(1), 30);
        QCOMPARE(app->Document().Height(1), 20);
        // Text only on the clipboard: nothing to paste.
        QApplication::clipboard()->setText("words");
        messages.Clear();
        QVERIFY(app->Frame()->RunCommand(57637));
        QCOMPARE(messages.shown, std::vector<std::string>({"No image in the clipboard to retrieve?"}));
        QCOMPARE(app->Document().SourceCount(), 1);
    }
};

QTEST_MAIN(ViewTest)
#include "cbrindorview_test.moc"
