#include <QColorDialog>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>

#include "canvas_size.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "clipboard_source.h"
#include "command_table.h"
#include "cpropertieswnd.h"
#include "message_box.h"
#include "ports.h"
#include "qt_clipboard.h"
#include "rotate.h"
#include "text_source.h"

namespace {

QtPrompts viewPrompts;

}  // namespace

void CbrindorView::OnCopy()
{
    if (doc.SourceCount() < 2)
        return;
    QtClipboard clipboard;
    CopyTargetToClipboard(doc, clipboard, engine->target);
}

void CbrindorView::OnPaste()
{
    QtClipboard clipboard;
    PasteCommand(doc, clipboard);
}

void CbrindorView::OnOpenText()
{
    if (textEntryRunner)
        OpenTextSource(doc, *textEntryRunner);
}

void CbrindorView::OnOpenBlank() { OpenBlankSource(doc); }

void CbrindorView::OnBaseColour()
{
    if (!TwoSources())
        return;
    const QColor chosen = chooseColour ? chooseColour()
                                       : QColorDialog::getColor(Qt::black, this, "Color");
    if (!chosen.isValid())
        return;
    engine->settings.baseColour = Bgr{uint8_t(chosen.blue()), uint8_t(chosen.green()),
                                      uint8_t(chosen.red())};
    engine->PlaceSource(1);
    engine->PlaceSource(2);
    engine->ComposeTarget();
}

bool CbrindorView::RunTargetSizeDialogDefault()
{
    canvas_size::Hooks hooks;
    hooks.readSetting = [this](const char* key, int fallback) {
        return settings ? settings->ReadInt("Configure", key, fallback) : fallback;
    };
    hooks.writeSetting = [this](const char* key, int value) {
        if (settings)
            settings->WriteInt("Configure", key, value);
    };
    hooks.placeCanvasRect = [this](int w, int h) { ApplyCanvasSize(QSize(w, h), false); };
    hooks.followSource2 = [this] {
        // Without a source 2 yet, the canvas follows the one that comes.
        if (!TwoSources())
            return true;
        refusedSize = QSize();
        const std::optional<QSize> own = Source2CanvasSize();
        if (own)
            ApplyCanvasSize(*own, true);
        return own.has_value();
    };
    hooks.scrollTarget = [this] {
        if (pane)
            pane->SendCommand(cmd::ScrollTarget);
        else
            EnterTargetScroll();
    };
    canvas_size dialog(hooks, viewPrompts, this);
    return dialog.exec() == QDialog::Accepted;
}

void CbrindorView::OnTargetSize()
{
    const bool accepted = runTargetSizeDialog ? runTargetSizeDialog() : RunTargetSizeDialogDefault();
    if (!accepted)
        return;
    targetScrollX = targetScrollY = 0;
    FollowFit();
    SetScrollSizes(TargetScrollSize());
    ScrollToPosition(0, 0);
    RecomputeAll();
    viewport()->repaint();
}

void CbrindorView::OnRotate()
{
    if (!TwoSources())
        return;
    bool accepted;
    if (runRotateDialog) {
        accepted = runRotateDialog();
    } else {
        rotate dialog(*engine, viewPrompts, this);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (accepted)
        EnterSourceScroll(scrollSource);
}

QPrinter& CbrindorView::Printer()
{
    if (!printer)
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer;
}

QRect CbrindorView::PrintOn(QPrinter& target)
{
    QPainter painter(&target);
    if (!painter.isActive())
        return {};
    return PrintTarget(painter, target.width(), target.logicalDpiX(), target.logicalDpiY());
}

void CbrindorView::OnPrint()
{
    QPrinter& p = Printer();
    p.setFromTo(1, 1);
    QPrintDialog dialog(&p, this);
    dialog.setMinMax(1, 1);
    if (dialog.exec() == QDialog::Accepted)
        PrintOn(p);
}

void CbrindorView::OnPrintPreview()
{
    QPrintPreviewDialog dialog(&Printer(), this);
    dialog.setWindowTitle("Print Preview");
    dialog.resize(900, 700);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintOn(*p); });
    // Pages side by side, remembered like the framework's "PreviewPages".
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    const int pages = settings ? settings->ReadInt("Settings", "PreviewPages", 1) : 1;
    if (preview && pages >= 2)
        preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
    dialog.exec();
    if (preview && settings)
        settings->WriteInt("Settings", "PreviewPages",
                           preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1);
}

void CbrindorView::OnPrintSetup()
{
    QPageSetupDialog dialog(&Printer(), this);
    dialog.exec();
}
