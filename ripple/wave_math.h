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
// wave_sin of each of `count` arguments, bit for bit, several at a time as vector_width()
// allows.
void wave_sin_each(const float* arguments, double* sines, unsigned count);
double wave_cos(float x);
double wave_acos(float x);
