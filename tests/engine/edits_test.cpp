// Committing pane edits: validation and messages, what each row changes and shows, the reset.
#include <gtest/gtest.h>

#include <functional>

#include "effects.h"
#include "geometry_fixture.h"

using namespace testutils;

namespace {

struct EditRig : EngineRig {
    EditRig() : EngineRig(1000, 700) { LoadTwo(400, 200, 300, 300); engine.RecomputeAll(); }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& [text, kind] : prompts.shown) {
            EXPECT_EQ(kind, PromptKind::Plain);
            texts.push_back(text);
        }
        return texts;
    }
};

// Runs a callback from inside the first message box, as a modal box lets further commits through.
class ReenteringPrompts : public FakePrompts {
public:
    std::function<void()> during;
    void Show(const std::string& text, PromptKind kind) override
    {
        FakePrompts::Show(text, kind);
        if (during) {
            auto f = std::move(during);
            during = nullptr;
            f();
        }
    }
};

}  // namespace

TEST(Edits, ReadIntegerFollowsAtoi)
{
    EXPECT_EQ(ReadInteger("75"), 75);
    EXPECT_EQ(ReadInteger("75abc"), 75);
    EXPECT_EQ(ReadInteger("  \t-12x3"), -12);
    EXPECT_EQ(ReadInteger("+7"), 7);
    EXPECT_EQ(ReadInteger("abc"), 0);
    EXPECT_EQ(ReadInteger(""), 0);
    EXPECT_EQ(ReadInteger("- 5"), 0);
    EXPECT_EQ(ReadInteger("99999999999999"), INT_MAX);
    EXPECT_EQ(ReadInteger("-99999999999999"), INT_MIN);
}

TEST(Edits, ScaleOutsideOneToFiveHundredIsRefusedWithItsMessage)
{
    EditRig rig;
    for (const char* text : {"0", "501", "abc", "-3"})
        EXPECT_EQ(rig.engine.CommitNumber(PropertyId::VerticalScale1, text), CommitResult::Refused) << text;
    EXPECT_EQ(rig.Messages(), std::vector<std::string>(4, "Value must be between 1 and 500."));
    EXPECT_EQ(rig.engine.settings.verticalScale[0], 100.0);
    EXPECT_EQ(rig.engine.Shown(PropertyId::VerticalScale1), "100");

    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::VerticalScale1, "1"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.settings.verticalScale[0], 1.0);
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::HorizontalScale2, "500"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.settings.horizontalScale[1], 500.0);
    EXPECT_EQ(rig.engine.Shown(PropertyId::HorizontalScale2), "500");
    EXPECT_EQ(rig.prompts.shown.size(), 4u);
}

TEST(Edits, PercentOutsideZeroToHundredIsRefusedWithItsMessage)
{
    EditRig rig;
    for (PropertyId id : {PropertyId::SourceBias, PropertyId::RedContrast, PropertyId::OverallBrightness}) {
        EXPECT_EQ(rig.engine.CommitNumber(id, "-1"), CommitResult::Refused);
        EXPECT_EQ(rig.engine.CommitNumber(id, "101"), CommitResult::Refused);
    }
    EXPECT_EQ(rig.Messages(), std::vector<std::string>(6, "Value must be equal to or between 0 and 100."));
    EXPECT_EQ(rig.engine.settings.sourceBias, 127);
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::RedContrast, "0"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::BlueContrast, "100"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.settings.channelContrast[Red], 0);
    EXPECT_EQ(rig.engine.settings.channelContrast[Blue], 100);
}

TEST(Edits, TextIsReadAsItsLeadingNumberAndStoredAsThatNumber)
{
    EditRig rig;
    rig.pane.shownRows.clear();
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::GreenContrast, "75abc"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.settings.channelContrast[Green], 75);
    EXPECT_EQ(rig.engine.Shown(PropertyId::GreenContrast), "75");
    EXPECT_EQ(rig.pane.shownRows, (std::vector<std::pair<PropertyId, std::string>>{{PropertyId::GreenContrast, "75"}}));
}

TEST(Edits, ReenteringTheShownValueChangesNothing)
{
    EditRig rig;
    const int composed = rig.pane.targetChanged;
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::SourceBias, "50"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::HorizontalScale1, "100"), CommitResult::Accepted);
    EXPECT_EQ(rig.pane.targetChanged, composed);
    EXPECT_EQ(rig.engine.settings.sourceBias, 127) << "the fresh bias stays at its stored default";
    // A different text of the same value applies it, and the pane is not told of a change.
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::SourceBias, "050"), CommitResult::Accepted);
    EXPECT_EQ(rig.engine.settings.sourceBias, 128);
    EXPECT_EQ(rig.pane.targetChanged, composed + 1);
    EXPECT_TRUE(rig.pane.shownRows.empty());
}

TEST(Edits, PercentTagsStoreTheirSettings)
{
    EditRig rig;
    Engine& e = rig.engine;
    const struct {
        PropertyId id;
        const char* text;
        int stored;
        const int* field;
    } cases[] = {
        {PropertyId::SourceBias, "0", 0, &e.settings.sourceBias},
        {PropertyId::SourceBias, "100", 256, &e.settings.sourceBias},
        {PropertyId::SourceBias, "50", 128, &e.settings.sourceBias},
        {PropertyId::InfiniteContrastBias, "49", 124, &e.settings.infiniteThreshold},
        {PropertyId::InfiniteContrastBias, "100", 255, &e.settings.infiniteThreshold},
        {PropertyId::InfiniteContrastBias, "50", 127, &e.settings.infiniteThreshold},
        {PropertyId::RedBrightness, "10", 10, &e.settings.channelBrightness[Red]},
        {PropertyId::BlueBrightness, "90", 90, &e.settings.channelBrightness[Blue]},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(e.CommitNumber(c.id, c.text), CommitResult::Accepted);
        EXPECT_EQ(*c.field, c.stored) << c.text;
    }
    EXPECT_EQ(e.settings.channelBrightness[Green], 50);
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_EQ(e.settings.channelContrast[ch], 50) << "brightness leaves contrast alone";
}

TEST(Edits, OverallContrastAndBrightnessSetAndShowAllThreeChannels)
{
    EditRig rig;
    Engine& e = rig.engine;
    e.CommitNumber(PropertyId::OverallContrast, "80");
    for (int ch = 0; ch < 3; ++ch)
        EXPECT_EQ(e.settings.channelContrast[ch], 80);
    for (PropertyId id : {PropertyId::RedContrast, PropertyId::GreenContrast, PropertyId::BlueContrast})
        EXPECT_EQ(e.Shown(id), "80");
    e.CommitNumber(PropertyId::GreenContrast, "20");
    EXPECT_EQ(e.settings.channelContrast[Red], 80);
    EXPECT_EQ(e.settings.channelContrast[Green], 20);
    EXPECT_EQ(e.Shown(PropertyId::OverallContrast), "80");

    e.CommitNumber(PropertyId::OverallBrightness, "30");
    for (PropertyId id : {PropertyId::RedBrightness, PropertyId::GreenBrightness, PropertyId::BlueBrightness})
        EXPECT_EQ(e.Shown(id), "30");
    EXPECT_EQ(e.settings.channelBrightness[Blue], 30);
    EXPECT_EQ(e.settings.channelContrast[Green], 20);
}

TEST(Edits, NoSecondMessageOfTheSameClassWhileOneIsOnScreen)
{
    EditRig rig;
    ReenteringPrompts prompts;
    rig.engine.SetPrompts(&prompts);
    CommitResult nested = CommitResult::Accepted;
    CommitResult other = CommitResult::Accepted;
    prompts.during = [&] {
        EXPECT_TRUE(rig.engine.RangeMessageOnScreen(PropertyKind::ScalePercent));
        nested = rig.engine.CommitNumber(PropertyId::HorizontalScale1, "900");
        other = rig.engine.CommitNumber(PropertyId::RedContrast, "900");
        rig.engine.CommitNumber(PropertyId::VerticalScale2, "0");
    };
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::VerticalScale1, "0"), CommitResult::Refused);
    EXPECT_EQ(nested, CommitResult::Ended);
    EXPECT_EQ(other, CommitResult::Refused) << "the other class has its own message";
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].first, "Value must be equal to or between 0 and 100.");
    EXPECT_EQ(rig.engine.settings.horizontalScale[0], 100.0);
    EXPECT_FALSE(rig.engine.RangeMessageOnScreen(PropertyKind::ScalePercent));
    // Once the box is closed the next failure shows the message again.
    EXPECT_EQ(rig.engine.CommitNumber(PropertyId::VerticalScale1, "0"), CommitResult::Refused);
    EXPECT_EQ(prompts.shown.size(), 3u);
}

TEST(Edits, ScaleEditPlacesAgainAndFollowsTheViewsScrollSource)
{
    EditRig rig;
    Engine& e = rig.engine;
    rig.pane.scrollSource = 2;
    e.CommitNumber(PropertyId::HorizontalScale1, "50");
    EXPECT_EQ(e.settings.horizontalScale[0], 50.0);
    EXPECT_TRUE(rig.pane.scrollRequests.empty());
    // Source 1 fits as 1000 x 500; at 50 % horizontally it covers columns up to 500 only.
    EXPECT_EQ(e.layer[0].MaskRow(100)[400], 1);
    EXPECT_EQ(e.layer[0].MaskRow(100)[600], 0);
    EXPECT_EQ(e.placement[0].offsetX, 0) << "scaling keeps the offsets";

    e.CommitNumber(PropertyId::VerticalScale2, "120");
    EXPECT_EQ(e.settings.verticalScale[1], 120.0);
    ASSERT_EQ(rig.pane.scrollRequests.size(), 1u);
    EXPECT_EQ(rig.pane.scrollRequests[0], std::make_pair(2, false));
}

TEST(Edits, FlagsSetTheirSourceAndScaleMethodSwitchesScrolling)
{
    EditRig rig;
    Engine& e = rig.engine;
    e.CommitFlag(PropertyId::ScaleToTarget2, false);
    EXPECT_FALSE(e.settings.scaleToTarget[1]);
    EXPECT_EQ(e.placement[1].fitFactorH, 1.0);
    EXPECT_EQ(e.Shown(PropertyId::ScaleToTarget2), FalseText);
    ASSERT_EQ(rig.pane.scrollRequests.size(), 1u);
    EXPECT_EQ(rig.pane.scrollRequests[0], std::make_pair(2, true));

    e.CommitFlag(PropertyId::FlipSource1, true);
    EXPECT_TRUE(e.settings.flipHorizontal[0]);
    EXPECT_FALSE(e.settings.flipHorizontal[1]);
    EXPECT_EQ(rig.pane.scrollRequests.size(), 1u) << "flipping leaves the scroll mode";
    // Source 1 is painted blue = column: mirrored, the left of the canvas shows its right side.
    EXPECT_GT(LayerPixel(e.layer[0], 300, 10).blue, LayerPixel(e.layer[0], 300, 900).blue);
}

TEST(Edits, ListChoicesStoreTheirCodesAndFollowTheContrastType)
{
    EditRig rig;
    Engine& e = rig.engine;
    e.CommitListChoice(PropertyId::MergeMethod, "Greatest");
    EXPECT_EQ(e.settings.mergeMethod, 2);
    e.CommitListChoice(PropertyId::MergeMethod, "Copy srce 1 image only");
    EXPECT_EQ(e.settings.mergeMethod, 0);

    EXPECT_FALSE(e.Enabled(PropertyId::InfiniteContrastBias));
    e.CommitNumber(PropertyId::InfiniteContrastBias, "30");
    e.CommitListChoice(PropertyId::ContrastType, "Infinite contrast color");
    EXPECT_EQ(e.settings.contrastMode, 3);
    EXPECT_TRUE(e.Enabled(PropertyId::InfiniteContrastBias));
    e.CommitListChoice(PropertyId::ContrastType, "Infinite contrast b/w");
    EXPECT_EQ(e.settings.contrastMode, 2);
    e.CommitListChoice(PropertyId::ContrastType, "Gray scale");
    EXPECT_EQ(e.settings.contrastMode, 0);
    EXPECT_FALSE(e.Enabled(PropertyId::InfiniteContrastBias));
    EXPECT_EQ(e.settings.infiniteThreshold, 76);
    EXPECT_EQ(e.Shown(PropertyId::InfiniteContrastBias), "30");
    EXPECT_EQ(rig.pane.enabledRows, (std::vector<std::pair<PropertyId, bool>>{
                                        {PropertyId::InfiniteContrastBias, true},
                                        {PropertyId::InfiniteContrastBias, false}}));

    e.CommitListChoice(PropertyId::Effects, "Emboss");
    EXPECT_EQ(e.settings.effect, EffectKernelAt(3));
    EXPECT_NE(e.settings.effect.size, 0);

    // A text that is no option leaves the setting but still recomposes.
    const int composed = rig.pane.targetChanged;
    e.CommitListChoice(PropertyId::MergeMethod, "greatest");
    EXPECT_EQ(e.settings.mergeMethod, 0);
    EXPECT_EQ(rig.pane.targetChanged, composed + 1);
}

TEST(Edits, ResetAsksAndOnYesRestoresDefaultsButKeepsThresholdAndBaseColour)
{
    EditRig rig;
    Engine& e = rig.engine;
    e.CommitNumber(PropertyId::OverallContrast, "80");
    e.CommitNumber(PropertyId::RedBrightness, "10");
    e.CommitNumber(PropertyId::SourceBias, "20");
    e.CommitNumber(PropertyId::HorizontalScale2, "250");
    e.CommitFlag(PropertyId::FlipSource2, true);
    e.CommitFlag(PropertyId::ScaleToTarget1, false);
    e.CommitListChoice(PropertyId::MergeMethod, "Least");
    e.CommitListChoice(PropertyId::ContrastType, "Infinite contrast b/w");
    e.CommitListChoice(PropertyId::Effects, "Blur");
    e.CommitNumber(PropertyId::InfiniteContrastBias, "90");
    e.settings.baseColour = Bgr{1, 2, 3};
    e.placement[0].angle = 33;
    e.placement[1].offsetX = 123;

    rig.prompts.answers = {false};
    EXPECT_FALSE(e.ResetCommand());
    EXPECT_EQ(rig.prompts.asked, std::vector<std::string>{"Do you wish to reset all parameters ?"});
    EXPECT_EQ(e.settings.mergeMethod, 3);

    rig.prompts.answers = {true};
    EXPECT_TRUE(e.ResetCommand());
    const MergeSettings defaults;
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(e.settings.channelContrast[ch], 50);
        EXPECT_EQ(e.settings.channelBrightness[ch], 50);
    }
    EXPECT_EQ(e.settings.sourceBias, 127);
    EXPECT_EQ(e.settings.mergeMethod, 6);
    EXPECT_EQ(e.settings.contrastMode, 1);
    EXPECT_EQ(e.settings.effect, defaults.effect);
    for (int s = 0; s < 2; ++s) {
        EXPECT_EQ(e.settings.horizontalScale[s], 100.0);
        EXPECT_EQ(e.settings.verticalScale[s], 100.0);
        EXPECT_TRUE(e.settings.scaleToTarget[s]);
        EXPECT_FALSE(e.settings.flipHorizontal[s]);
        EXPECT_EQ(e.placement[s].angle, 0.0);
        EXPECT_EQ(std::make_pair(e.placement[s].offsetX, e.placement[s].offsetY), e.CentreOffsets(s + 1));
    }
    EXPECT_EQ(e.placement[0].fitFactorH, 2.5) << "fitted again";
    EXPECT_EQ(e.settings.infiniteThreshold, 229);
    EXPECT_TRUE(e.Enabled(PropertyId::InfiniteContrastBias));
    EXPECT_EQ(e.Shown(PropertyId::InfiniteContrastBias), "90");
    EXPECT_EQ(e.settings.baseColour, (Bgr{1, 2, 3}));
    for (const PropertyRow& row : PropertyTable) {
        if (row.id != PropertyId::InfiniteContrastBias) {
            EXPECT_EQ(e.Shown(row.id), row.shownDefault) << row.label;
        }
    }
    // The target shows both sources centred: source 1 fits as 1000 x 500 on the 1000 x 700 canvas.
    EXPECT_EQ(e.placement[0].offsetY, -100);
    EXPECT_EQ(e.target.width, 1000);
}
