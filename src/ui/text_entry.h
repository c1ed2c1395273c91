#pragma once
#include <functional>

#include <QColor>
#include <QDialog>
#include <QFont>

#include "text_source.h"

class CbrindorDoc;
class FontEngine;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// What the font chooser hands back: the font, and the colour shown with it.
struct FontChoice {
    bool accepted = false;
    LOGFONT font;
    uint32_t colour = 0;  // 0x00BBGGRR
};

// "Text Entry": the text of one text source, its font and its two colours.
class text_entry : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 314;
    enum Ids {
        EditId = 315, TransparentId = 316, OkId = 317, SetFontId = 318, ZapId = 319, PasteId = 320,
        BackgroundId = 321, TryId = 322, LabelId = 323,
    };

    // The slot (1 or 2) and whether a commit replaces its picture; a new slot has no "Try Text".
    text_entry(CbrindorDoc& doc, FontEngine& fonts, SourceIndex slot, bool replacing, QWidget* parent = nullptr);

    // The choosers, replaceable by tests. The font chooser starts from the style's font and text
    // colour; the colour chooser from red. An invalid colour means cancelled.
    std::function<FontChoice(const LOGFONT&, uint32_t)> chooseFont;
    std::function<QColor(const QColor&)> chooseColour;

    QPlainTextEdit* Edit() const { return edit; }
    QPushButton* ButtonById(int id) const;
    QCheckBox* Transparent() const { return transparent; }
    QString SlotLabel() const;

    // A Qt font and the logical-font record it stands for.
    static LOGFONT ToLogFont(const QFont& font);

public slots:
    void accept() override;

private:
    void OnSetFont();
    void OnZap();
    void OnPaste();
    void OnBackground();
    void OnTry();
    std::string EditText() const;

    CbrindorDoc& doc;
    FontEngine& fonts;
    TextEntryState state;
    QFont dialogFont;
    bool hasDialogFont = false;
    QPlainTextEdit* edit = nullptr;
    QCheckBox* transparent = nullptr;
    QLabel* label = nullptr;
    QPushButton* tryButton = nullptr;
};

// Runs the text dialog for the document's text commands.
class text_entry_runner : public TextEntryRunner {
public:
    text_entry_runner(CbrindorDoc& d, FontEngine& f, QWidget* p) : doc(d), fonts(f), parent(p) {}
    bool RunTextEntry(SourceIndex s, bool replacing) override;

private:
    CbrindorDoc& doc;
    FontEngine& fonts;
    QWidget* parent;
};
