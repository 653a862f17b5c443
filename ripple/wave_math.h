// Sine, cosine and arccosine for the ripple frames, computed with IEEE double arithmetic
// alone so that every build gives the same bits. The C libraries differ here (one of them
// uses the x87 fsin and fcos, which lose accuracy for large arguments), and a frame
// pixel can flip with the last bit of a sine.
//
// The arguments are single-precision values, as in the frame formula; this is what makes
// an exact reduction of any finite argument cheap. Results are within one unit in the
// last place of the exact value.
#pragma once

double wave_sin(float x);
// wave_sin of each of `count` arguments in single precision, several at a time as
// vector_width() allows: each within near_sine_error of wave_sin, relatively (rounded
// from it beyond 2^18 in magnitude; NaN where it is NaN). Not the same bits everywhere:
// the frames' fast path uses it within its bound only, and wave_sin where that falls short.
constexpr double near_sine_error = 0x3p-24;
void wave_sin_near_each(const float* arguments, float* sines, unsigned count);
double wave_cos(float x);
double wave_acos(float x);
