// The settings panel's decisions that need no window: the range of each slider, the
// two-way mapping between slider positions and the settings, the captions' texts, where
// every control stands, and when a slider message must rebuild the frames. Platform-free,
// so that it is tested natively.
#pragma once

#include <cstdint>

// The five sliders, top to bottom; their control ids are 1001 to 1005 in this order.
enum PanelSlider : int {
    size_slider,
    speed_slider,
    length_slider,
    duration_slider,
    circles_slider,
};
constexpr int panel_slider_count = 5;

struct SliderRange {
    int minimum;
    int maximum;
};
SliderRange slider_range(PanelSlider slider);

// The position that shows a stored setting. It may lie outside the slider's range (a
// stored frame count of 100); the slider clamps it, and the setting keeps its value until
// the next slider message rewrites it from the clamped position.
int position_of_setting(PanelSlider slider, std::int32_t value);
// The setting a slider position stands for; a position outside the range counts as the
// nearest end.
std::int32_t setting_of_position(PanelSlider slider, int position);

// Captions are formatted into buffers of this many bytes, and cut there.
constexpr int caption_capacity = 64;
// The two-line caption of a slider for its setting's value: a label, a line break and
// the value.
void caption_text(PanelSlider slider, std::int32_t value, char (&text)[caption_capacity]);

// A control's place in the panel's client area.
struct ControlRect {
    int x, y, width, height;
};
// Where the controls stand in a client area of width by height pixels.
ControlRect ok_button_rect(unsigned width, unsigned height);
ControlRect caption_rect(PanelSlider slider);
ControlRect slider_rect(PanelSlider slider, int width);
ControlRect peek_box_rect(int width);

// What the frames were last rebuilt for through a slider; -1 until the first slider
// message, so that it always rebuilds.
struct ShapingValues {
    std::int32_t size = -1;
    std::int32_t frames = -1;
    std::int32_t jumps = -1;
    std::int32_t circles = -1;
};
// Compares the current shaping values with the last built ones and takes every one that
// differs; true when at least one differed, that is when the frames must be rebuilt.
bool take_changed_shaping(ShapingValues& last_built, const ShapingValues& current);
