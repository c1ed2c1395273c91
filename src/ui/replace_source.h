#pragma once
#include <QDialog>

// "Replace Source Image": asked when a new source arrives while both are taken. It ends with
// 129 (replace source 1), 130 (replace source 2) or 2 (cancel, also Escape and the close box).
class replace_source : public QDialog {
    Q_OBJECT
public:
    static constexpr int TemplateId = 331;
    static constexpr int ReplaceOne = 129;
    static constexpr int ReplaceTwo = 130;
    static constexpr int Cancelled = 2;

    explicit replace_source(QWidget* parent = nullptr);

    // Runs the dialog; 1 or 2 for the source to replace, 0 for cancel.
    static int ChooseSource(QWidget* parent);
    // A dialog outcome as a source index: 129 and 130 less 128, anything else 0.
    static int OutcomeToSource(int outcome);

public slots:
    void reject() override;
};
