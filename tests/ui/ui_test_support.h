#pragma once
// Shared pieces of the desktop tests: a private settings store, generated pictures,
// recorded message boxes and a scripted file dialog.
#include <string>
#include <vector>

#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

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

}  // namespace ui_test
