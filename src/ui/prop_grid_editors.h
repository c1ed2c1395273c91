#pragma once
#include <functional>

#include <QAbstractSpinBox>
#include <QPointer>
#include <QStyledItemDelegate>

#include "engine.h"

class grid_property;
class QComboBox;

// A number editor with spin arrows inside the row's range; the text itself may be anything,
// since the commit reads it as atoi does and answers out-of-range values with a message.
class prop_grid_spin : public QAbstractSpinBox {
    Q_OBJECT
public:
    prop_grid_spin(int minimum, int maximum, QWidget* parent);
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void SetText(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    int minimum;
    int maximum;
};

// Opens the right editor for each row and commits as the row's class says: numbers on Enter,
// Tab or leaving the editor; lists and true/false only on a choice from their opened list.
class prop_grid_delegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using ItemForIndex = std::function<grid_property*(const QModelIndex&)>;
    using Committed = std::function<void(grid_property*, CommitResult)>;
    using Typed = std::function<void(QChar)>;

    prop_grid_delegate(Engine& engine, ItemForIndex itemFor, Committed committed, Typed typed, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Commits a number editor's text; false when the edit was refused and stays open.
    bool CommitNumberEditor(QWidget* editor);
    // A grid being torn down commits nothing more.
    void Deactivate() { active = false; }
    // Called before and after each commit, so that the window can take it as one edit.
    std::function<void(PropertyId)> commitStarts;
    std::function<void(PropertyId)> commitEnds;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void OnListChosen(QComboBox* combo, const QString& text);

    Engine& engine;
    ItemForIndex itemFor;
    Committed committed;
    Typed typed;
    bool active = true;
    // The editor whose commit is running; a refusal's message box takes its focus meanwhile.
    QPointer<QWidget> committing;
};
