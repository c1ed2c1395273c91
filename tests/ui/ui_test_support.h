#pragma once
// Shared pieces of the desktop tests: a private settings store, generated pictures,
// recorded message boxes and a scripted file dialog.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "cbrindorapp.h"
#include "cbrindordoc.h"
#include "cmainframe.h"
#include "message_box.h"
#include "ports.h"

namespace ui_test {

// Points QSettings at a fresh folder so every run starts from an empty store.
inline void UsePrivateSettings(const QTemporaryDir& dir)
{
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings().clear();
}

// A w x h picture of two colour ramps, saved in the given format; returns its path.
inline QString WritePicture(const QTemporaryDir& dir, const QString& name, int w, int h,
                            QRgb tint = qRgb(255, 255, 255))
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 255 / std::max(1, w - 1)) & qRed(tint),
                                    (y * 255 / std::max(1, h - 1)) & qGreen(tint),
                                    ((x + y) % 256) & qBlue(tint)));
    const QString path = dir.filePath(name);
    img.save(path);
    return path;
}

// Every message box shown, with a scripted answer for the questions.
struct MessageLog {
    std::vector<std::string> shown;
    std::vector<PromptKind> kinds;
    bool answer = true;
    void Install()
    {
        SetMessageBoxHandlers(
            [this](const std::string& t, PromptKind k) {
                shown.push_back(t);
                kinds.push_back(k);
            },
            [this](const std::string& t) {
                shown.push_back(t);
                kinds.push_back(PromptKind::Plain);
                return answer;
            });
    }
    void Clear()
    {
        shown.clear();
        kinds.clear();
    }
};

// The real message boxes for a scope; the log answers again at its end.
struct RealMessageBoxes {
    MessageLog& log;
    explicit RealMessageBoxes(MessageLog& l) : log(l) { SetMessageBoxHandlers(nullptr, nullptr); }
    ~RealMessageBoxes() { log.Install(); }
};

// A file dialog that answers with a given path (empty: cancelled) and records its requests.
struct ScriptedDialogs : FileDialogs {
    std::string path;
    int filterIndex = 1;
    std::vector<FileDialogRequest> requests;
    FileDialogResult Answer(const FileDialogRequest& r)
    {
        requests.push_back(r);
        FileDialogResult result;
        result.accepted = !path.empty();
        result.path = path;
        result.filterIndex = filterIndex;
        return result;
    }
    FileDialogResult OpenFile(const FileDialogRequest& r) override { return Answer(r); }
    FileDialogResult SaveFile(const FileDialogRequest& r) override { return Answer(r); }
};

// The real program as a user starts it, its window shown at `size` and its file dialogs answered
// by `dialogs`; null when it cannot start.
inline std::unique_ptr<CbrindorApp> StartProgram(ScriptedDialogs& dialogs, QSize size)
{
    auto app = std::make_unique<CbrindorApp>();
    if (!app->InitInstance({"brindor"}))
        return nullptr;
    app->Document().SetFileDialogs(&dialogs);
    app->Frame()->resize(size);
    if (!QTest::qWaitForWindowExposed(app->Frame()))
        return nullptr;
    return app;
}

// The real program's window shown at `size` and active, with `paths` opened in turn through
// File > Open Image; null if it cannot start or become active.
inline std::unique_ptr<CbrindorApp> StartActiveWithSources(ScriptedDialogs& dialogs, QSize size,
                                                           const QStringList& paths)
{
    auto app = std::make_unique<CbrindorApp>();
    if (!app->InitInstance({"brindor"}))
        return nullptr;
    app->Document().SetFileDialogs(&dialogs);
    CMainFrame* f = app->Frame();
    f->resize(size);
    f->show();
    QApplication::setActiveWindow(f);
    if (!QTest::qWaitForWindowActive(f))
        return nullptr;
    for (const QString& path : paths) {
        dialogs.path = path.toStdString();
        f->RunCommand(57601);
    }
    return app;
}

// Opens a w x h picture of each name, written into `dir`, through File > Open Image.
inline bool OpenPictures(CbrindorApp& app, ScriptedDialogs& dialogs, const QTemporaryDir& dir,
                         const QStringList& names, int w, int h)
{
    for (const QString& name : names) {
        dialogs.path = WritePicture(dir, name, w, h).toStdString();
        if (!app.Frame()->RunCommand(57601))
            return false;
    }
    return true;
}

// Answers the real modal dialogs as a user at the keyboard would. Each new one is recorded (a
// message box by its text, any other dialog by its title), handed to `inspect` when set, and gets
// the next scripted key (Return when none is left) on its focused control. A dialog still open a while after its key did not
// take it: it is recorded in `stuck` and closed, so a test fails instead of hanging. Polls, so it
// answers inside any nested event loop.
class ModalKeys : public QObject {
public:
    struct Press {
        Qt::Key key = Qt::Key_Return;
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    };
    std::deque<Press> presses;
    std::vector<QString> texts;
    std::vector<QString> titles;
    std::vector<QString> stuck;
    std::function<void(QWidget*)> inspect;

    ModalKeys()
    {
        poll.setInterval(PollMs);
        connect(&poll, &QTimer::timeout, this, &ModalKeys::Poll);
        poll.start();
    }
    void Clear()
    {
        texts.clear();
        titles.clear();
        stuck.clear();
    }

private:
    static constexpr int PollMs = 5;
    static constexpr int StuckPolls = 200;
    static constexpr int FocusPolls = 40;
    static constexpr int MaxActivationPolls = 40;

    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (modal != current) {
            // Keys reach only the active window: give a box shown while another window was
            // going away time to take the focus before typing. (File dialogs are typed to as
            // they come: activated late, they move the focus off their name line.)
            if (qobject_cast<QMessageBox*>(modal) && !modal->isActiveWindow() &&
                activationPolls++ < MaxActivationPolls) {
                modal->activateWindow();
                return;
            }
            activationPolls = 0;
            current = modal;
            waited = 0;
            auto* box = qobject_cast<QMessageBox*>(modal);
            texts.push_back(box ? box->text() : modal->windowTitle());
            titles.push_back(modal->windowTitle());
            if (inspect)
                inspect(modal);
            keyDue = true;
        }
        // The key goes to the control that has the focus, once the dialog has given it one.
        if (keyDue) {
            if (!modal->focusWidget() && ++waited < FocusPolls)
                return;
            keyDue = false;
            waited = 0;
            const Press p = presses.empty() ? Press{} : presses.front();
            if (!presses.empty())
                presses.pop_front();
            QPointer<QWidget> target = modal->focusWidget() ? modal->focusWidget() : modal;
            // A file dialog takes its key at once, as its name line holds the focus now.
            if (qobject_cast<QFileDialog*>(modal)) {
                QTest::keyClick(target, p.key, p.modifiers);
                return;
            }
            // Typed from the event loop, not from this poll: a key that opens a further dialog
            // runs its loop there, and the poll answers that dialog too.
            QTimer::singleShot(0, target, [target, p] {
                if (target)
                    QTest::keyClick(target, p.key, p.modifiers);
            });
            return;
        }
        if (++waited == StuckPolls) {
            stuck.push_back(texts.back());
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->done(QDialog::Rejected);
        }
    }

    QTimer poll;
    QPointer<QWidget> current;
    int waited = 0;
    bool keyDue = false;
    int activationPolls = 0;
};

}  // namespace ui_test
