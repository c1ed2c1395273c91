#pragma once
#include <memory>

#include <QString>
#include <QTreeWidgetItem>

#include "engine.h"

// One row of the property grid. Each class commits the user's edited value its own way,
// through the engine's edit operations.
class grid_property : public QTreeWidgetItem {
public:
    explicit grid_property(const PropertyRow& row);
    const PropertyRow& Row() const { return row; }
    PropertyId Id() const { return row.id; }
    // The grid calls this when the user commits the edited text (a number, a list choice,
    // "True" or "False").
    virtual CommitResult OnUpdateValue(Engine& engine, const QString& text) = 0;

private:
    const PropertyRow& row;
};

// Scale percents, 1..500.
class CBoundedNumberSubProp_a : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

// Bias and the other percents, 0..100.
class CBoundedNumberSubProp_b : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

// The three lists act on a choice from their opened list only.
class merge_method : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

class contrast_type : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

class effects_type : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

// "Scale Srce n to Target".
class choose_scale_method : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

// "Flip Source n".
class choose_flip_side : public grid_property {
public:
    using grid_property::grid_property;
    CommitResult OnUpdateValue(Engine& engine, const QString& text) override;
};

// The row's class by its table class name.
std::unique_ptr<grid_property> MakeGridProperty(const PropertyRow& row);
