// The window with large targets: zoom and its mapping of drags and zones, the target following
// source 2's size, drops of files and folders, and the open dialog's first filter.
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "batch_merge.h"
#include "canvas_size.h"
#include "cbrindorview.h"
#include "cpropertieswnd.h"
#include "cpropertieswnd_contents.h"
#include "cpropertieswnd_controls.h"
#include "file_rules.h"
#include "qt_file_dialogs.h"
#include "ui_test_support.h"
#include "wnd_status_bar.h"

class PhotoViewTest : public QObject {
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
        app->Frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(app->Frame()));
        for (int i = 0; i < 3; ++i) {
            app->Frame()->resize(app->Frame()->size() + (client - View()->viewport()->size()));
            QCoreApplication::processEvents();
        }
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent ev(type, QPointF(at), View()->viewport()->mapToGlobal(QPointF(at)), button, held,
                       Qt::NoModifier);
        QApplication::sendEvent(View()->viewport(), &ev);
    }
    void Drag(Qt::MouseButton button, QPoint from, QPoint to)
    {
        Mouse(QEvent::MouseButtonPress, from, button, button);
        Mouse(QEvent::MouseMove, to, Qt::NoButton, button);
        Mouse(QEvent::MouseButtonRelease, to, button, Qt::NoButton);
    }
    void Wheel(QPoint at, int delta)
    {
        QWheelEvent ev(QPointF(at), View()->viewport()->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta),
                       Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View()->viewport(), &ev);
    }
    // A drop of local paths on a widget, as a file manager sends it; whether it was taken.
    static bool Drop(QWidget* on, const QStringList& paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        const QPoint at = on->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(on, &drop);
        return drop.isAccepted();
    }
    QString ZoomShown() { return app->Frame()->StatusBar()->ZoomText(); }

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

    void zoneAndDragAtHalfSizeAreCanvasPixels()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        QCOMPARE(ZoomShown(), QString("100 %"));
        const std::vector<uint8_t> before(Eng().target.pixels.data(),
                                          Eng().target.pixels.data() + Eng().target.pixels.size());
        QVERIFY(app->Frame()->RunCommand(33111));  // 2/3
        QVERIFY(app->Frame()->RunCommand(33111));  // 1/2
        QCOMPARE(View()->Zoom(), 0.5);
        QCOMPARE(ZoomShown(), QString("50 %"));
        // The half-size canvas is centred: 512 x 384 in 1200 x 900.
        const QPoint corner(344, 258);
        QCOMPARE(View()->ClientOf({Eng().canvasRect.left, Eng().canvasRect.top}), corner);
        Drag(Qt::LeftButton, corner + QPoint(50, 20), corner + QPoint(150, 100));
        const BlendZone& z = Eng().zone;
        const int l = Eng().canvasRect.left, t = Eng().canvasRect.top;
        QCOMPARE(QRect(QPoint(z.x1, z.y1), QPoint(z.x2, z.y2)),
                 QRect(QPoint(l + 100, t + 40), QPoint(l + 300, t + 200)));
        QVERIFY(z.valid);
        // A right drag of 50 screen pixels moves the source by 100 canvas pixels.
        QTest::keyClick(View(), '1');
        const int x0 = Eng().placement[0].offsetX;
        Drag(Qt::RightButton, QPoint(400, 300), QPoint(450, 300));
        QCOMPARE(Eng().placement[0].offsetX, x0 - 100);
        // Showing never touches the target's pixels.
        QTest::keyClick(View(), 'b');
        const std::vector<uint8_t> moved(Eng().target.pixels.data(),
                                         Eng().target.pixels.data() + Eng().target.pixels.size());
        QVERIFY(app->Frame()->RunCommand(33110));
        QVERIFY(app->Frame()->RunCommand(33112));
        QVERIFY(app->Frame()->RunCommand(33113));
        QVERIFY(std::equal(moved.begin(), moved.end(), Eng().target.pixels.data()));
        QVERIFY(moved != before);
    }

    void ctrlWheelZoomsAroundThePointer()
    {
        StartWithClient(QSize(1200, 900));
        Load("a.png");
        Load("b.png");
        const QPoint at(700, 500);
        const view_geometry::Point under = View()->CanvasPointAt(at);
        Wheel(at, 120);
        QCOMPARE(View()->Zoom(), 1.5);
        QVERIFY(View()->horizontalScrollBar()->maximum() > 0);
        QCOMPARE(View()->CanvasPointAt(at).x, under.x);
        QCOMPARE(View()->CanvasPointAt(at).y, under.y);
        Wheel(at, -120);
        Wheel(at, -120);
        QCOMPARE(View()->Zoom(), 2.0 / 3);
        QCOMPARE(ZoomShown(), QString("67 %"));
        // Zoom to fit of a target within the view is 100 %;.
        QVERIFY(app->Frame()->RunCommand(33112));
        QCOMPARE(View()->Zoom(), 1.0);
        QVERIFY(View()->ZoomFits());
    }

    void droppedPicturesOpenAndReplaceSources()
    {
        StartWithClient(QSize(1000, 800));
        const QString a = ui_test::WritePicture(files, "a.png", 300, 200);
        const QString b = ui_test::WritePicture(files, "b.png", 200, 300);
        const QString c = ui_test::WritePicture(files, "c.png", 120, 90);
        // Folders are no pictures for the view; files open by the usual slot rule.
        QVERIFY(!Drop(View()->viewport(), {files.path()}));
        QVERIFY(Drop(View()->viewport(), {a, b}));
        CbrindorDoc& doc = app->Document();
        QCOMPARE(doc.SourceCount(), 2);
        QCOMPARE(QString::fromStdString(doc.path[1]), b);
        // On a file-name line the picture replaces that source, without asking which.
        auto* contents = static_cast<CPropertiesWndContents*>(app->Frame()->Pane()->Contents());
        QVERIFY(Drop(contents->FileLine(1), {c}));
        QCOMPARE(QString::fromStdString(doc.path[0]), c);
        QCOMPARE(doc.Width(1), 120);
        QCOMPARE(QString::fromStdString(doc.path[1]), b);
        QVERIFY(messages.shown.empty());
        QVERIFY(contents->FileLine(1)->Text().endsWith("c.png"));
    }

    void folderDroppedOnTheBatchDialogIsItsInput()
    {
        QTemporaryDir other;
        ui_test::WritePicture(other, "x.png", 60, 40);
        const QString two = ui_test::WritePicture(files, "two.png", 50, 30);
        batch_merge dialog(two);
        dialog.SetOptions(LoadBatchOptions(app->Settings()));
        QVERIFY(dialog.findChild<QCheckBox*>("keepOwnSize")->isChecked());
        QVERIFY(!dialog.findChild<QCheckBox*>("stripMetadata")->isChecked());
        QVERIFY(!Drop(&dialog, {two}));
        QVERIFY(Drop(&dialog, {other.path()}));
        dialog.findChild<QCheckBox*>("stripMetadata")->setChecked(true);
        const BatchOptions chosen = dialog.Options();
        QCOMPARE(QString::fromStdString(chosen.inputFolder), QFileInfo(other.path()).absoluteFilePath());
        // The default output follows the input; the choices are kept, the input is not.
        QVERIFY(chosen.outputFolder.empty());
        QVERIFY(dialog.FolderLabelText().endsWith("/output"));
        QVERIFY(chosen.keepOwnSize && chosen.stripMetadata);
        SaveBatchOptions(app->Settings(), chosen);
        const BatchOptions stored = LoadBatchOptions(app->Settings());
        QVERIFY(stored.keepOwnSize && stored.stripMetadata && stored.inputFolder.empty());
    }

    void pictureOpenDialogListsAllPicturesFirst()
    {
        FileDialogRequest request;
        request.filters = ParseFilterText(OpenFilterText);
        QStringList shown;
        QString selected;
        const auto answer = [&] {
            QTimer::singleShot(0, [&] {
                auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                QVERIFY(chooser);
                shown = chooser->nameFilters();
                selected = chooser->selectedNameFilter();
                chooser->reject();
            });
        };
        QtFileDialogs real;
        answer();
        real.OpenFile(request);
        QCOMPARE(selected, QString("Image files (*.bmp *.jpg *.jpeg *.png *.tif *.tiff *.tga *.pcx)"));
        QCOMPARE(shown.size(), int(request.filters.size()) + 1);
        for (size_t i = 0; i < request.filters.size(); ++i)
            QCOMPARE(shown[int(i) + 1], QString::fromStdString(request.filters[i].description));
        // A stored index still names its own filter; saving shows only the given ones.
        request.filterIndex = 3;
        answer();
        real.OpenFile(request);
        QCOMPARE(selected, QString::fromStdString(request.filters[2].description));
        request.filters = ParseFilterText(SaveFilterText);
        request.filterIndex = 0;
        answer();
        real.SaveFile(request);
        QCOMPARE(selected, QString::fromStdString(request.filters[0].description));
    }

    void targetFollowsSource2ThroughTheSizeDialog()
    {
        StartWithClient(QSize(1000, 700));
        Load("a.png", 300, 200);
        Load("photo.png", 2600, 1700);
        QCOMPARE(Eng().canvasRect.Width(), 1024);
        ui_test::ModalKeys keys;
        keys.inspect = [](QWidget* modal) {
            if (auto* d = qobject_cast<canvas_size*>(modal))
                d->findChild<QCheckBox*>("followSource2")->setChecked(true);
        };
        QVERIFY(app->Frame()->RunCommand(32830));
        QVERIFY(keys.stuck.empty());
        QCOMPARE(QSettings().value("Configure/canvas_follows_source2").toInt(), 1);
        QCOMPARE(Eng().CanvasWidth(), 2600);
        QCOMPARE(Eng().CanvasHeight(), 1700);
        QCOMPARE(Eng().target.height, 1700);
        // Larger than the view, it is shown whole.
        QVERIFY(View()->ZoomFits());
        QVERIFY(View()->Zoom() < 0.5);
        QCOMPARE(View()->horizontalScrollBar()->maximum(), 0);
        // A new source 2 brings its size; one beyond the largest target is refused and said so.
        QVERIFY(View()->ReplaceSourceWith(2, ui_test::WritePicture(files, "b.png", 640, 480)));
        QCOMPARE(Eng().CanvasWidth(), 640);
        QCOMPARE(Eng().target.width, 640);
        messages.Clear();
        QVERIFY(View()->ReplaceSourceWith(2, ui_test::WritePicture(files, "wide.png", MaxOwnCanvasSide + 1, 2)));
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0], CanvasTooLargeText("wide.png", MaxOwnCanvasSide + 1, 2));
        QCOMPARE(Eng().CanvasWidth(), 1024);
    }
};

QTEST_MAIN(PhotoViewTest)
#include "photo_view_test.moc"
