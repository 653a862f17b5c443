// The six user settings, one process-wide record read by every part of the applet and
// written by the settings panel. Platform-free: the registry store lives in setup_store.cpp.
#pragma once

#include <cstdint>

namespace setup {

extern std::int32_t frames;  // frames in one animation cycle
extern std::int32_t size;    // side of a ripple window and of every frame, in pixels
extern std::int32_t jumps;   // phase advance of the wave per cycle, in half periods
extern std::int32_t speed;   // animation timer period, in milliseconds
extern std::int32_t circles; // half periods of the wave across the radius
extern std::int32_t peek;    // "Sharp peek": nonzero for the linear envelope

constexpr std::int32_t default_frames = 16;
constexpr std::int32_t default_size = 64;
constexpr std::int32_t default_jumps = 1;
constexpr std::int32_t default_speed = 25;
constexpr std::int32_t default_circles = 2;
constexpr std::int32_t default_peek = 1;

// Largest stored values that start-up accepts; larger ones end the start.
constexpr std::int32_t largest_size = 256;
constexpr std::int32_t largest_frames = 128;

void apply_defaults();

// Replaces stored values that later steps cannot survive (a zero or negative speed,
// size or frame count) by their defaults. Upper limits are left to the start-up check.
void mend_loaded_values();

// The start-up limit check: size at most 256 and frames at most 128.
bool within_limits();

} // namespace setup
