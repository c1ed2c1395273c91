#include "cbrindorapp.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>

#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "text_entry.h"
#include "text_font_engine_qt.h"

CbrindorApp::CbrindorApp() = default;

CbrindorApp::~CbrindorApp()
{
    textEntry.reset();
    frame.reset();
    doc.reset();
}

void CbrindorApp::SetUpSettingsStore()
{
    QCoreApplication::setOrganizationName(QtSettingsStore::Organisation);
    QCoreApplication::setApplicationName(QtSettingsStore::Application);
}

bool CbrindorApp::InitInstance(const QStringList& arguments)
{
    SetUpSettingsStore();
    // Desktops match the window to its launcher entry and icon by this name.
    QGuiApplication::setDesktopFileName(ApplicationId);

    doc = std::make_unique<CbrindorDoc>();
    doc->SetPrompts(&prompts);
    doc->SetSettings(&settings);
    doc->SetFileDialogs(&fileDialogs);
    frame = std::make_unique<CMainFrame>(*doc, settings);
    if (!frame->Create())
        return false;
    fileDialogs.SetParent(frame.get());
    doc->SetListener(frame.get());
    doc->SetSlotChooser(frame.get());
    frame->View()->GetEngine().SetPrompts(&prompts);
    fonts = std::make_unique<QtFontEngine>();
    textEntry = std::make_unique<text_entry_runner>(*doc, *fonts, frame.get());
    frame->View()->SetTextEntryRunner(textEntry.get());

    // An image named on the command line becomes source 1 and counts as loaded, so the count
    // starts from zero before the command line is carried out, not after.
    doc->sourceCount = 0;
    // The view needs its final client size before the canvas is taken from it.
    frame->show();
    QCoreApplication::processEvents();
    const QStringList files = arguments.mid(1);
    if (files.isEmpty() || files.first().isEmpty()) {
        frame->View()->OnInitialUpdate();
    } else {
        // The open-file route re-initialises the view itself.
        if (!doc->OpenDocument(files.first().toStdString())) {
            frame->hide();
            return false;
        }
    }
    frame->show();
    frame->repaint();
    // Typed shortcuts (b, 1, 2, blend keys) reach the view from the start.
    frame->View()->setFocus();
    frame->UpdateCommandUI();
    WatchIdle();
    return true;
}

bool CbrindorApp::IdleWorkPending() const
{
    // With fewer than two sources the hook has nothing to finish, so it is not woken for it.
    return frame && doc->SourceCount() == 2 && frame->View()->GetEngine().quickPreview;
}

bool CbrindorApp::OnIdle(int count)
{
    // Counts 0 and 1 are the framework's own idle work (command states), which asks for more.
    if (count == 0) {
        if (frame)
            frame->UpdateCommandUI();
        return true;
    }
    if (count == 1)
        return true;
    if (count != 2)
        return false;
    Engine& engine = frame->View()->GetEngine();
    if (engine.quickPreview && doc->SourceCount() == 2) {
        engine.quickPreview = false;
        engine.PlaceSource(1);
        engine.PlaceSource(2);
        engine.ComposeTarget();
    }
    return false;
}

void CbrindorApp::WatchIdle()
{
    // When the event loop is about to wait and a quick preview is pending, a zero-interval
    // timer finishes it at full quality.
    auto* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    const auto check = [this] {
        if (!idleQueued && IdleWorkPending()) {
            idleQueued = true;
            QTimer::singleShot(0, this, &CbrindorApp::RunIdle);
        }
    };
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, check);
    connect(dispatcher, &QAbstractEventDispatcher::awake, this, check);
}

void CbrindorApp::RunIdle()
{
    idleQueued = false;
    for (int count = 0; OnIdle(count); ++count) {
    }
}
