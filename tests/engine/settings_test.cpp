// The settings record's defaults, the pane's row table and the choice lists.
#include <gtest/gtest.h>

#include <set>

#include "engine.h"
#include "settings_tables.h"

TEST(Settings, PercentConversionsTruncate)
{
    EXPECT_EQ(BiasFromPercent(0), 0);
    EXPECT_EQ(BiasFromPercent(50), 128);
    EXPECT_EQ(BiasFromPercent(100), 256);
    EXPECT_EQ(ThresholdFromPercent(50), 127);
    EXPECT_EQ(ThresholdFromPercent(100), 255);
    EXPECT_EQ(ThresholdFromPercent(1), 2);
}

TEST(Settings, FreshRecordAgreesWithThePaneExceptForTheBias)
{
    const MergeSettings m;
    EXPECT_EQ(m.mergeMethod, MergeMethodList[FindOption(Property(PropertyId::MergeMethod), "Average")].code);
    EXPECT_EQ(m.contrastMode, ContrastTypeList[FindOption(Property(PropertyId::ContrastType), "Normal contrast")].code);
    EXPECT_EQ(m.sourceBias, 127);
    EXPECT_NE(m.sourceBias, BiasFromPercent(ReadInteger(Property(PropertyId::SourceBias).shownDefault)));
    EXPECT_EQ(m.infiniteThreshold, ThresholdFromPercent(ReadInteger(Property(PropertyId::InfiniteContrastBias).shownDefault)));
    EXPECT_EQ(m.effect.size, 0);
    EXPECT_EQ(m.baseColour, Bgr{});
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(m.horizontalScale[s], 100.0);
        EXPECT_TRUE(m.scaleToTarget[s]);
        EXPECT_FALSE(m.flipHorizontal[s]);
    }
}

TEST(Settings, ListPositionsMapToCodesNotToThemselves)
{
    const PropertyRow& merge = Property(PropertyId::MergeMethod);
    EXPECT_EQ(merge.options[0].code, 2);
    EXPECT_STREQ(merge.options[0].text, "Greatest");
    EXPECT_EQ(merge.options[FindOption(merge, "Copy srce 1 image only")].code, 0);
    EXPECT_EQ(FindOption(merge, "Copy srce 1 image only"), 9);
    std::set<int> codes;
    for (int i = 0; i < merge.optionCount; ++i)
        codes.insert(merge.options[i].code);
    EXPECT_EQ(codes.size(), 11u);
    EXPECT_EQ(*codes.begin(), 0);
    EXPECT_EQ(*codes.rbegin(), 10);

    const PropertyRow& contrast = Property(PropertyId::ContrastType);
    EXPECT_EQ(contrast.options[FindOption(contrast, "Gray scale")].code, 0);
    EXPECT_EQ(contrast.options[FindOption(contrast, "Infinite contrast color")].code, 3);

    const PropertyRow& effects = Property(PropertyId::Effects);
    EXPECT_EQ(FindOption(effects, "No effects"), 0);
    EXPECT_EQ(FindOption(effects, "Soften"), 5);
    EXPECT_EQ(FindOption(effects, "soften"), -1) << "texts compare exactly";
    EXPECT_EQ(FindOption(effects, ""), -1);
}

TEST(Settings, RowsCarryTheirTagsBoundsAndClasses)
{
    const int tags[] = {0, 1, 2, 3, 4, 5, 130, 131, 132, 133};
    const PropertyId rows[] = {PropertyId::SourceBias,      PropertyId::InfiniteContrastBias, PropertyId::OverallContrast,
                               PropertyId::RedContrast,     PropertyId::GreenContrast,        PropertyId::BlueContrast,
                               PropertyId::OverallBrightness, PropertyId::RedBrightness,     PropertyId::GreenBrightness,
                               PropertyId::BlueBrightness};
    for (int i = 0; i < 10; ++i) {
        PropertyId id{};
        ASSERT_TRUE(PercentRowForTag(tags[i], id));
        EXPECT_EQ(id, rows[i]);
        EXPECT_STREQ(Property(id).className, "CBoundedNumberSubProp_b");
        EXPECT_EQ(Property(id).minimum, 0);
        EXPECT_EQ(Property(id).maximum, 100);
    }
    PropertyId unused{};
    EXPECT_FALSE(PercentRowForTag(6, unused));
    for (SourceIndex s : {1, 2})
        for (int axis : {0, 1}) {
            const PropertyRow& row = Property(ScaleRow(axis, s));
            EXPECT_EQ(row.tag, axis);
            EXPECT_EQ(row.source, s);
            EXPECT_STREQ(row.label, axis == 0 ? "Vertical scale" : "Horizontal scale");
            EXPECT_STREQ(row.className, "CBoundedNumberSubProp_a");
            EXPECT_EQ(row.maximum, 500);
        }
    EXPECT_EQ(Property(ScaleToTargetRow(2)).source, 2);
    EXPECT_STREQ(Property(FlipRow(1)).label, "Flip Source 1");
    for (const PropertyRow& row : PropertyTable) {
        EXPECT_EQ(&Property(row.id), &row) << "ids follow pane order";
        EXPECT_EQ(row.enabledAtStart, row.id != PropertyId::InfiniteContrastBias) << row.label;
    }
}

TEST(Settings, EngineStartsShowingThePaneDefaults)
{
    struct NoSources : SourceView {
        int SourceCount() const override { return 0; }
        SourceKind Kind(SourceIndex) const override { return SourceKind::ImageFile; }
        int Width(SourceIndex) const override { return 0; }
        int Height(SourceIndex) const override { return 0; }
        const uint8_t* Pixels(SourceIndex) const override { return nullptr; }
        int Stride(SourceIndex) const override { return 0; }
        const uint8_t* Mask(SourceIndex) const override { return nullptr; }
    } none;
    Engine e(none);
    EXPECT_EQ(e.Shown(PropertyId::SourceBias), "50");
    EXPECT_EQ(e.Shown(PropertyId::MergeMethod), "Average");
    EXPECT_EQ(e.Shown(PropertyId::ScaleToTarget1), TrueText);
    EXPECT_EQ(e.Shown(PropertyId::FlipSource2), FalseText);
    EXPECT_FALSE(e.Enabled(PropertyId::InfiniteContrastBias));
    EXPECT_EQ(e.MiddleButtonImage(2), 32846);
}
