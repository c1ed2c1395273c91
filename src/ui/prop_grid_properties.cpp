#include "prop_grid_properties.h"

#include <cstring>

namespace {
constexpr int ValueColumn = 1;
}

grid_property::grid_property(const PropertyRow& r) : row(r)
{
    setText(0, row.label);
    setText(ValueColumn, row.shownDefault);
    setToolTip(0, row.description);
}

CommitResult CBoundedNumberSubProp_a::OnUpdateValue(Engine& engine, const QString& text)
{
    return engine.CommitNumber(Id(), text.toStdString());
}

CommitResult CBoundedNumberSubProp_b::OnUpdateValue(Engine& engine, const QString& text)
{
    return engine.CommitNumber(Id(), text.toStdString());
}

CommitResult merge_method::OnUpdateValue(Engine& engine, const QString& text)
{
    engine.CommitListChoice(Id(), text.toStdString());
    return CommitResult::Accepted;
}

CommitResult contrast_type::OnUpdateValue(Engine& engine, const QString& text)
{
    engine.CommitListChoice(Id(), text.toStdString());
    return CommitResult::Accepted;
}

CommitResult effects_type::OnUpdateValue(Engine& engine, const QString& text)
{
    engine.CommitListChoice(Id(), text.toStdString());
    return CommitResult::Accepted;
}

CommitResult choose_scale_method::OnUpdateValue(Engine& engine, const QString& text)
{
    engine.CommitFlag(Id(), text == TrueText);
    return CommitResult::Accepted;
}

CommitResult choose_flip_side::OnUpdateValue(Engine& engine, const QString& text)
{
    engine.CommitFlag(Id(), text == TrueText);
    return CommitResult::Accepted;
}

std::unique_ptr<grid_property> MakeGridProperty(const PropertyRow& row)
{
    const auto is = [&row](const char* name) { return std::strcmp(row.className, name) == 0; };
    if (is("CBoundedNumberSubProp_a"))
        return std::make_unique<CBoundedNumberSubProp_a>(row);
    if (is("merge_method"))
        return std::make_unique<merge_method>(row);
    if (is("contrast_type"))
        return std::make_unique<contrast_type>(row);
    if (is("effects_type"))
        return std::make_unique<effects_type>(row);
    if (is("choose_scale_method"))
        return std::make_unique<choose_scale_method>(row);
    if (is("choose_flip_side"))
        return std::make_unique<choose_flip_side>(row);
    return std::make_unique<CBoundedNumberSubProp_b>(row);
}
