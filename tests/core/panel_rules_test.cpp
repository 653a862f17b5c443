// The settings panel's tables without a window: each slider's mapping in both directions,
// the speed caption for any stored period, and the rule that decides when a slider message
// rebuilds the frames.
#include "panel/panel_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

struct SliderTable {
    PanelSlider slider;
    SliderRange range;
    std::vector<std::int32_t> setting_by_position; // from range.minimum upwards
};

const SliderTable slider_tables[] = {
    {size_slider, {0, 5}, {8, 16, 32, 64, 128, 256}},
    {speed_slider, {0, 5}, {200, 100, 50, 25, 10, 1}},
    {length_slider, {2, 64}, {}},
    {duration_slider, {1, 5}, {2, 4, 6, 8, 10}},
    {circles_slider, {1, 16}, {}},
};

std::string caption(PanelSlider slider, std::int32_t value) {
    char text[caption_capacity];
    caption_text(slider, value, text);
    return text;
}

} // namespace

TEST(PanelSliders, EveryPositionMapsToItsSettingAndBack) {
    for (const SliderTable& table : slider_tables) {
        SliderRange range = slider_range(table.slider);
        EXPECT_EQ(range.minimum, table.range.minimum) << table.slider;
        EXPECT_EQ(range.maximum, table.range.maximum) << table.slider;
        for (int position = range.minimum; position <= range.maximum; ++position) {
            std::int32_t expected = table.setting_by_position.empty()
                                        ? position
                                        : table.setting_by_position[position - range.minimum];
            std::int32_t setting = setting_of_position(table.slider, position);
            EXPECT_EQ(setting, expected) << "slider " << table.slider << " position " << position;
            EXPECT_EQ(position_of_setting(table.slider, setting), position) << table.slider;
        }
        // The slider clamps what it is given; a position beyond it counts as its end.
        EXPECT_EQ(setting_of_position(table.slider, range.maximum + 9),
                  setting_of_position(table.slider, range.maximum));
        EXPECT_EQ(setting_of_position(table.slider, range.minimum - 9),
                  setting_of_position(table.slider, range.minimum));
    }
}

TEST(PanelSliders, StoredValuesTheSlidersCannotShow) {
    // Any size or speed but the slider's own steps stands at position 0.
    for (std::int32_t size : {100, 8, 0, -64, 512})
        EXPECT_EQ(position_of_setting(size_slider, size), 0) << size;
    for (std::int32_t speed : {200, 7, 0, 100000})
        EXPECT_EQ(position_of_setting(speed_slider, speed), 0) << speed;
    // Frames and circles are handed on for the slider to clamp; jumps are halved toward zero.
    EXPECT_EQ(position_of_setting(length_slider, 100), 100);
    EXPECT_EQ(position_of_setting(duration_slider, 1), 0);
    EXPECT_EQ(position_of_setting(duration_slider, 7), 3);
    EXPECT_EQ(position_of_setting(duration_slider, -3), -1);
}

// The shipped panel's captions and layout are checked on the screen; here only what no
// slider can produce.
TEST(PanelCaptions, SpeedCaptionNeverDividesByAPeriodBelowOne) {
    const std::pair<std::int32_t, const char*> rates[] = {
        {100000, "0"},         {7, "142"},     {2, "500"},
        {1, "Maximum"},        {0, "Maximum"}, {-25, "Maximum"},
        {INT32_MIN, "Maximum"}};
    for (const auto& [speed, rate] : rates)
        EXPECT_EQ(caption(speed_slider, speed), std::string("Frames per second:\n") + rate);
}

TEST(PanelRebuildRule, OnlyAChangedShapingValueRebuilds) {
    ShapingValues last_built;
    ShapingValues defaults = {64, 16, 2, 2};
    // The first slider message always rebuilds, whatever the values.
    EXPECT_TRUE(take_changed_shaping(last_built, defaults));
    EXPECT_FALSE(take_changed_shaping(last_built, defaults));
    // Each value alone rebuilds once, and every differing value is taken, not only the first.
    const ShapingValues changes[] = {
        {128, 16, 2, 2}, {128, 64, 2, 2}, {128, 64, 10, 2}, {128, 64, 10, 16}, {8, 2, 4, 1}};
    for (const ShapingValues& change : changes) {
        EXPECT_TRUE(take_changed_shaping(last_built, change));
        EXPECT_FALSE(take_changed_shaping(last_built, change));
    }
    EXPECT_EQ(last_built.size, 8);
    EXPECT_EQ(last_built.frames, 2);
    EXPECT_EQ(last_built.jumps, 4);
    EXPECT_EQ(last_built.circles, 1);
}
