// The settings panel's ranges, mappings, captions, layout and rebuild rule.
#include "panel/panel_rules.h"

#include <algorithm>
#include <cstdio>

namespace {

// The speed slider's timer periods in milliseconds, by position: 5, 10, 20, 40, 100 and
// as many frames per second as the system's timer gives.
constexpr std::int32_t speed_of_position[] = {200, 100, 50, 25, 10, 1};

// Rows of the five slider lines, top to bottom.
constexpr int row_top = 100;
constexpr int row_pitch = 36;

} // namespace

SliderRange slider_range(PanelSlider slider) {
    switch (slider) {
    case size_slider: return {0, 5};
    case speed_slider: return {0, 5};
    case length_slider: return {2, 64};
    case duration_slider: return {1, 5};
    case circles_slider: return {1, 16};
    }
    return {0, 0};
}

int position_of_setting(PanelSlider slider, std::int32_t value) {
    switch (slider) {
    case size_slider:
        for (int position = 1; position <= 5; ++position) {
            if (value == 8 << position)
                return position;
        }
        return 0;
    case speed_slider:
        for (int position = 1; position <= 5; ++position) {
            if (value == speed_of_position[position])
                return position;
        }
        return 0;
    case length_slider: return value;
    case duration_slider: return value / 2;
    case circles_slider: return value;
    }
    return 0;
}

std::int32_t setting_of_position(PanelSlider slider, int position) {
    SliderRange range = slider_range(slider);
    position = std::clamp(position, range.minimum, range.maximum);
    switch (slider) {
    case size_slider: return 8 << position;
    case speed_slider: return speed_of_position[position];
    case length_slider: return position;
    case duration_slider: return 2 * position;
    case circles_slider: return position;
    }
    return 0;
}

void caption_text(PanelSlider slider, std::int32_t value, char (&text)[caption_capacity]) {
    switch (slider) {
    case size_slider: std::snprintf(text, sizeof text, "Animation size:\n%d", value); break;
    case speed_slider: {
        // The caption may be refreshed by any process at any time, so it cannot count on
        // the loader having mended the period: a period below one millisecond is raised by
        // the system to its shortest timer, the same as 1.
        char rate[caption_capacity] = "Maximum";
        if (value > 1)
            std::snprintf(rate, sizeof rate, "%d", 1000 / value);
        std::snprintf(text, sizeof text, "Frames per second:\n%s", rate);
        break;
    }
    case length_slider: std::snprintf(text, sizeof text, "Length (in frames):\n%d", value); break;
    case duration_slider: std::snprintf(text, sizeof text, "Duration:\n%d", value); break;
    case circles_slider: std::snprintf(text, sizeof text, "Circles density:\n%d", value); break;
    }
}

ControlRect ok_button_rect(unsigned width, unsigned height) {
    int third = static_cast<int>(width / 3);
    return {third, static_cast<int>(height) - 64, third, 24};
}

ControlRect caption_rect(PanelSlider slider) {
    return {48, row_top + row_pitch * slider, 96, 36};
}

ControlRect slider_rect(PanelSlider slider, int width) {
    return {144, row_top + row_pitch * slider, width - 192, 36};
}

ControlRect peek_box_rect(int width) {
    return {152, row_top + row_pitch * panel_slider_count, width - 192, 36};
}

bool take_changed_shaping(ShapingValues& last_built, const ShapingValues& current) {
    const bool changed = last_built.size != current.size || last_built.frames != current.frames ||
                         last_built.jumps != current.jumps || last_built.circles != current.circles;
    last_built = current;
    return changed;
}
