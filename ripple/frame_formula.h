// The constants of the frame formula, shared by the per-pixel synthesis and the batch
// synthesis, which must agree bit for bit.
#pragma once

// pi rounded to double, and sqrt(2) rounded to single precision, as the formula has them.
constexpr double wave_pi = 3.141592653589793;
constexpr double wave_root2 = 1.41421353816986083984375;
