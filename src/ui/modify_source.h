#pragma once
#include <functional>

#include <QDialog>

#include "merge_settings.h"

class CbrindorDoc;
class Clipboard;
class QLabel;
class TextEntryRunner;

// "Change Source": replaces one source by an image file, a text, the clipboard's picture or a
// blank picture, without asking which source.
class modify_source : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 337;
    enum Ids { LabelId = 1016, ImageId = 1017, TextId = 1018, PasteId = 195, BlankId = 1022 };

    // What each button does to source s; imageFromFile is true when an image was loaded.
    struct Actions {
        std::function<bool(SourceIndex)> imageFromFile;
        std::function<void(SourceIndex)> text;
        std::function<void(SourceIndex)> paste;
        std::function<void(SourceIndex)> blank;
    };
    // The document's own operations for the four buttons.
    static Actions DocumentActions(CbrindorDoc& doc, Clipboard& clipboard, TextEntryRunner& texts);

    modify_source(SourceIndex source, Actions actions, QWidget* parent = nullptr);
    QString SourceLabel() const;

private:
    SourceIndex source;
    Actions actions;
    QLabel* label = nullptr;
};
