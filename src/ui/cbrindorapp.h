#pragma once
#include <memory>

#include <QObject>
#include <QStringList>

#include "message_box.h"
#include "qt_file_dialogs.h"
#include "qt_settings_store.h"

class CbrindorDoc;
class CMainFrame;
class QtFontEngine;
class text_entry_runner;

// The application: sets up the settings store, makes the document, the main frame and the
// view, carries out the command line, shows the window and finishes quick previews when idle.
class CbrindorApp : public QObject {
    Q_OBJECT
public:
    CbrindorApp();
    ~CbrindorApp() override;

    // Start-up; false ends the program before any window is shown. `arguments` as
    // QCoreApplication::arguments() gives them (the program name first).
    bool InitInstance(const QStringList& arguments);

    // The idle hook for one idle call with its count; true when it wants another call.
    bool OnIdle(int count);
    // Whether idle work is waiting (a quick preview to finish).
    bool IdleWorkPending() const;

    CbrindorDoc& Document() { return *doc; }
    CMainFrame* Frame() const { return frame.get(); }
    SettingsStore& Settings() { return settings; }
    QtFileDialogs& FileDialogsPort() { return fileDialogs; }

    // Organisation and application name of the settings store (QSettings).
    static void SetUpSettingsStore();

    // The reverse-DNS name of the desktop entry, the icon and the metainfo.
    static constexpr char ApplicationId[] = "io.github.brindor.Brindor";

private:
    void WatchIdle();
    void RunIdle();

    std::unique_ptr<CbrindorDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    QtSettingsStore settings;
    QtFileDialogs fileDialogs;
    QtPrompts prompts;
    std::unique_ptr<QtFontEngine> fonts;
    std::unique_ptr<text_entry_runner> textEntry;
    bool idleQueued = false;
};
