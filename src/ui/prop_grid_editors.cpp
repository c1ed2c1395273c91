#include "prop_grid_editors.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include "prop_grid_properties.h"

namespace {
constexpr char ItemProperty[] = "gridItem";
constexpr char FilledProperty[] = "editorFilled";
constexpr char RefusedProperty[] = "refusedText";
constexpr int RowHeight = 20;

grid_property* EditorItem(const QWidget* editor)
{
    return static_cast<grid_property*>(editor->property(ItemProperty).value<void*>());
}
}  // namespace

prop_grid_spin::prop_grid_spin(int low, int high, QWidget* parent)
    : QAbstractSpinBox(parent), minimum(low), maximum(high)
{
    setFrame(false);
    setKeyboardTracking(true);
}

void prop_grid_spin::SetText(const QString& text) { lineEdit()->setText(text); }

void prop_grid_spin::stepBy(int steps)
{
    const int v = std::clamp(ReadInteger(text().toStdString()) + steps, minimum, maximum);
    lineEdit()->setText(QString::number(v));
    lineEdit()->selectAll();
}

QValidator::State prop_grid_spin::validate(QString&, int&) const { return QValidator::Acceptable; }

QAbstractSpinBox::StepEnabled prop_grid_spin::stepEnabled() const
{
    const int v = ReadInteger(text().toStdString());
    StepEnabled e = StepNone;
    if (v < maximum)
        e |= StepUpEnabled;
    if (v > minimum)
        e |= StepDownEnabled;
    return e;
}

prop_grid_delegate::prop_grid_delegate(Engine& e, ItemForIndex i, Committed c, Typed t, QObject* parent)
    : QStyledItemDelegate(parent), engine(e), itemFor(std::move(i)), committed(std::move(c)), typed(std::move(t))
{
}

QWidget* prop_grid_delegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const
{
    grid_property* item = itemFor(index);
    if (!item || index.column() != 1)
        return nullptr;
    const PropertyRow& row = item->Row();
    QWidget* editor = nullptr;
    if (row.kind == PropertyKind::ScalePercent || row.kind == PropertyKind::Percent) {
        editor = new prop_grid_spin(row.minimum, row.maximum, parent);
    } else {
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        if (row.kind == PropertyKind::TrueFalse)
            combo->addItems({TrueText, FalseText});
        else
            for (int k = 0; k < row.optionCount; ++k)
                combo->addItem(row.options[k].text);
        auto* self = const_cast<prop_grid_delegate*>(this);
        connect(combo, &QComboBox::activated, self,
                [self, combo](int k) { self->OnListChosen(combo, combo->itemText(k)); });
        // The list opens with the editor, as a drop-down row does.
        QTimer::singleShot(0, combo, [combo] {
            if (combo->isVisible())
                combo->showPopup();
        });
        editor = combo;
    }
    editor->setObjectName("gridEditor");
    editor->setProperty(ItemProperty, QVariant::fromValue(static_cast<void*>(item)));
    return editor;
}

void prop_grid_delegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    // Filled once: a refused number keeps the user's text while the row is refreshed.
    if (editor->property(FilledProperty).toBool())
        return;
    editor->setProperty(FilledProperty, true);
    const QString text = index.data(Qt::DisplayRole).toString();
    if (auto* spin = qobject_cast<prop_grid_spin*>(editor)) {
        spin->SetText(text);
        spin->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(std::max(0, combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive)));
    }
}

// Lists commit on their own choice; numbers commit in CommitNumberEditor. A view that closes the
// editor by itself (another row clicked) still commits the number.
void prop_grid_delegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const
{
    // A text already refused by leaving the editor has had its message.
    auto* spin = qobject_cast<prop_grid_spin*>(editor);
    if (spin && spin->property(RefusedProperty).toString() != spin->text())
        const_cast<prop_grid_delegate*>(this)->CommitNumberEditor(editor);
}

QSize prop_grid_delegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), RowHeight));
    return s;
}

bool prop_grid_delegate::CommitNumberEditor(QWidget* editor)
{
    grid_property* item = EditorItem(editor);
    auto* spin = qobject_cast<prop_grid_spin*>(editor);
    if (!item || !spin || !active)
        return true;
    const QString text = spin->text();
    const QPointer<prop_grid_spin> alive(spin);
    const QPointer<QWidget> outer = committing;
    committing = spin;
    const PropertyId id = item->Id();
    if (commitStarts)
        commitStarts(id);
    const CommitResult result = item->OnUpdateValue(engine, text);
    if (commitEnds)
        commitEnds(id);
    committing = outer;
    if (alive)
        spin->setProperty(RefusedProperty, result == CommitResult::Refused ? text : QString());
    committed(item, result);
    return result != CommitResult::Refused;
}

void prop_grid_delegate::OnListChosen(QComboBox* combo, const QString& text)
{
    grid_property* item = EditorItem(combo);
    if (!item)
        return;
    if (commitStarts)
        commitStarts(item->Id());
    const CommitResult result = item->OnUpdateValue(engine, text);
    if (commitEnds)
        commitEnds(item->Id());
    committed(item, result);
    emit closeEditor(combo, QAbstractItemDelegate::NoHint);
}

bool prop_grid_delegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QWidget*>(object);
    auto* spin = qobject_cast<prop_grid_spin*>(object);
    if (!editor)
        return QStyledItemDelegate::eventFilter(object, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The shortcut characters act first, then go on into the value being typed.
        if (!key->text().isEmpty())
            typed(key->text().at(0));
        if (key->key() == Qt::Key_Escape) {
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            return true;
        }
        const bool ends = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                          key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (spin && ends) {
            const QPointer<prop_grid_spin> alive(spin);
            const bool done = CommitNumberEditor(spin);
            if (alive && done)
                emit closeEditor(spin, QAbstractItemDelegate::NoHint);
            else if (alive)
                spin->selectAll();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut && spin) {
        // Focus moving inside the editor (its arrows), or to the message box of its own commit,
        // is no end of the edit: the refused text stays for correction.
        if (spin->isAncestorOf(QApplication::focusWidget()) || committing == spin)
            return false;
        if (CommitNumberEditor(spin))
            emit closeEditor(spin, QAbstractItemDelegate::NoHint);
        return false;
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
