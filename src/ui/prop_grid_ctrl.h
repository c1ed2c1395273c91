#pragma once
#include <array>
#include <functional>

#include <QWidget>

#include "engine.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class grid_property;
class prop_grid_delegate;

// The property grid of the pane: every merge setting in groups, edited in place, with a
// five-row description area under the rows. What each row shows is what the engine says.
class prop_grid_ctrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int Id = 2;
    static constexpr int DescriptionRows = 5;

    // sendCommand carries the typed shortcut characters to the pane as commands.
    prop_grid_ctrl(Engine& engine, std::function<void(int)> sendCommand, QWidget* parent = nullptr);
    ~prop_grid_ctrl() override;

    grid_property* Item(PropertyId id) const { return items[static_cast<int>(id)]; }
    QString Value(PropertyId id) const;
    bool RowEnabled(PropertyId id) const;
    QTreeWidget* Tree() const { return tree; }
    QString DescriptionText() const;
    prop_grid_delegate* Delegate() const { return delegate; }

    void ShowValue(PropertyId id, const QString& text);
    void EnableRow(PropertyId id, bool on);
    // Every row shows the engine's value and enable state again.
    void RefreshFromEngine();
    // Opens the value editor of a row, as a click on its value does; null for a disabled row.
    QWidget* OpenEditor(PropertyId id);

    // The pane command a typed character stands for, or 0.
    static int CommandForCharacter(QChar c);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Build();
    void ApplyFont();
    void ShadeHeadings();
    void MeasureColumns();
    void PlaceColumns();
    void OnCurrentItem(QTreeWidgetItem* item);
    void OnCommitted(grid_property* item, CommitResult result);

    Engine& engine;
    std::function<void(int)> sendCommand;
    QTreeWidget* tree = nullptr;
    QLabel* description = nullptr;
    prop_grid_delegate* delegate = nullptr;
    std::array<grid_property*, PropertyCount> items{};
    int labelNeed = 0;   // the label column's room for every label with its indentation
    int valueNeed = 0;   // the value column's room for the widest list editor
    int chrome = 0;      // the tree's frame and vertical scroll bar
};
