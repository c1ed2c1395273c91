#include <QApplication>
#include <QWhatsThis>

#include "caboutdlg.h"
#include "cbrindordoc.h"
#include "cbrindorview.h"
#include "cmainframe.h"
#include "cpropertieswnd.h"

// The handler of each command id; ids without one are disabled.
const CMainFrame::Binding CMainFrame::Bindings[] = {
    {cmd::FileOpen, &CMainFrame::OnFileOpen},
    {cmd::OpenText, &CMainFrame::OnOpenText},
    {cmd::OpenBlank, &CMainFrame::OnOpenBlank},
    {cmd::FileSaveAs, &CMainFrame::OnSaveAs},
    {cmd::Print, &CMainFrame::OnPrint},
    {cmd::PrintDirect, &CMainFrame::OnPrint},
    {cmd::PrintPreview, &CMainFrame::OnPrintPreview},
    {cmd::PrintSetup, &CMainFrame::OnPrintSetup},
    {cmd::AppExit, &CMainFrame::OnExit},
    {cmd::Copy, &CMainFrame::OnCopy},
    {cmd::Paste, &CMainFrame::OnPaste},
    {cmd::RotateCmd, &CMainFrame::OnRotate},
    {cmd::BatchMerge, &CMainFrame::OnBatchMerge},
    {cmd::BaseColour, &CMainFrame::OnBaseColour},
    {cmd::TargetSize, &CMainFrame::OnTargetSize},
    {cmd::Shove1TopLeft, &CMainFrame::OnPositioning},
    {cmd::Shove1TopRight, &CMainFrame::OnPositioning},
    {cmd::Shove1BottomLeft, &CMainFrame::OnPositioning},
    {cmd::Shove1BottomRight, &CMainFrame::OnPositioning},
    {cmd::Middle1, &CMainFrame::OnPositioning},
    {cmd::Shove2TopLeft, &CMainFrame::OnPositioning},
    {cmd::Shove2TopRight, &CMainFrame::OnPositioning},
    {cmd::Shove2BottomLeft, &CMainFrame::OnPositioning},
    {cmd::Shove2BottomRight, &CMainFrame::OnPositioning},
    {cmd::Middle2, &CMainFrame::OnPositioning},
    {cmd::HelpIndex, &CMainFrame::OnHelpTopics},
    {cmd::HelpFinder, &CMainFrame::OnHelpTopics},
    {cmd::AppAbout, &CMainFrame::OnAbout},
    {cmd::FileNew, &CMainFrame::OnFileNew},
    {cmd::ContextHelp, &CMainFrame::OnContextHelp},
    {cmd::Undo, &CMainFrame::OnUndo},
    {cmd::Redo, &CMainFrame::OnRedo},
    {cmd::SavePreset, &CMainFrame::OnSavePreset},
    {cmd::LoadPreset, &CMainFrame::OnLoadPreset},
    {cmd::ZoomIn, &CMainFrame::OnZoom},
    {cmd::ZoomOut, &CMainFrame::OnZoom},
    {cmd::ZoomFit, &CMainFrame::OnZoom},
    {cmd::ZoomActual, &CMainFrame::OnZoom},
    {cmd::NextPane, &CMainFrame::OnNothing},
    {cmd::PrevPane, &CMainFrame::OnNothing},
};

CMainFrame::Handler CMainFrame::HandlerFor(int id) const
{
    // The looks share one handler that reads the running command's id.
    if (IsLookId(id))
        return &CMainFrame::OnLook;
    for (const Binding& b : Bindings)
        if (b.id == id)
            return b.handler;
    return nullptr;
}

void CMainFrame::OnLook() { OnApplicationLook(runningCommand); }

// The pane commands F6 and Shift+F6 have nothing to switch between in a single-pane view.
void CMainFrame::OnNothing() {}

void CMainFrame::OnFileOpen()
{
    const std::string path = doc.ShowOpenImageDialog();
    if (!path.empty())
        doc.OpenDocument(path);
}

void CMainFrame::OnOpenText() { view->OnOpenText(); }
void CMainFrame::OnOpenBlank() { view->OnOpenBlank(); }
void CMainFrame::OnSaveAs() { doc.SaveTargetAs(); }
void CMainFrame::OnPrint() { view->OnPrint(); }
void CMainFrame::OnPrintPreview() { view->OnPrintPreview(); }
void CMainFrame::OnPrintSetup() { view->OnPrintSetup(); }
void CMainFrame::OnExit() { close(); }
void CMainFrame::OnCopy() { view->OnCopy(); }
void CMainFrame::OnPaste() { view->OnPaste(); }
void CMainFrame::OnRotate() { view->OnRotate(); }
void CMainFrame::OnBaseColour() { view->OnBaseColour(); }
void CMainFrame::OnTargetSize() { view->OnTargetSize(); }

void CMainFrame::OnBatchMerge()
{
    // One run at a time: the window's events are pumped during a run.
    if (batchRunning)
        return;
    doc.RunBatchMerge(*this);
    SetBatchRunning(false);
}

void CMainFrame::OnPositioning()
{
    const int id = runningCommand;
    // The pane owns the presets' follow-up (selector, centering images); without its contents
    // the engine runs the preset alone.
    if (pane && pane->Contents() && pane->Contents()->RunCommand(id))
        return;
    view->GetEngine().RunPlacementCommand(id);
}

void CMainFrame::OnZoom()
{
    switch (runningCommand) {
    case cmd::ZoomIn:
        view->ZoomIn();
        break;
    case cmd::ZoomOut:
        view->ZoomOut();
        break;
    case cmd::ZoomFit:
        view->ZoomToFit();
        break;
    default:
        view->ZoomActualSize();
        break;
    }
}

void CMainFrame::OnHelpTopics() { ShowHelpTopics(this); }

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnFileNew()
{
    doc.NewDocument();
    view->OnInitialUpdate();
}

void CMainFrame::OnContextHelp() { QWhatsThis::enterWhatsThisMode(); }
