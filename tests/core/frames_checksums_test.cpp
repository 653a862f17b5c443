// Checksums of whole frame tables and of the wave functions, computed once by the native
// build and asserted by both builds: the Windows build must produce the very same bits.
#include "ripple/wave_math.h"
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Fnv {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    void add(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            hash ^= (value >> (8 * i)) & 0xff;
            hash *= 0x100000001b3ULL;
        }
    }
};

std::uint64_t tables_checksum(const FrameSettings& settings) {
    rebuild_with(settings);
    Fnv fnv;
    for (const FrameSlot* table :
         {frame_tables.attack_frames, frame_tables.hold_frames, frame_tables.release_frames}) {
        for (int slot = 0; slot < settings.frames; ++slot) {
            const std::uint32_t* pixels = ready_frame(table, slot, settings.size);
            if (pixels == nullptr)
                return 0;
            for (int i = 0; i < settings.size * settings.size; ++i)
                fnv.add(pixels[i], 4);
        }
    }
    return fnv.hash;
}

TEST(FrameChecksums, WholeTablesMatchTheNativeBuild) {
    struct Case {
        FrameSettings settings;
        std::uint64_t checksum;
    };
    const Case cases[] = {
        {{64, 16, 1, 2, 1}, 0xBE96FB9946492685ULL},
        {{64, 16, 1, 2, 0}, 0x0D15CDE60E60443FULL},
        {{64, 16, 2, 4, 1}, 0x0670ABBE3D6EAC7EULL},
        {{63, 7, 3, 5, 0}, 0xAAAA5C100F9891B2ULL},
        {{101, 5, -6, 9, 1}, 0x2B47CAE1239310C0ULL},
        {{256, 3, 1, 2, 1}, 0x4D45FAE8A5F6E75DULL},
        {{128, 4, 1, 1000000, 0}, 0xC391FE78B55C580BULL},
        {{96, 5, 1 << 30, 1 << 30, 1}, 0x658F624B4016A262ULL},
        {{80, 3, INT32_MIN, INT32_MAX, 0}, 0x824230870B466807ULL},
        {{33, 128, 7, -16, 1}, 0x5DFA6C65A93437CCULL},
    };
    for (const Case& c : cases) {
        const FrameSettings& s = c.settings;
        EXPECT_EQ(tables_checksum(s), c.checksum)
            << "size " << s.size << " frames " << s.frames << " jumps " << s.jumps << " circles "
            << s.circles << " peek " << s.peek;
    }
}

std::uint64_t bits_of(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

TEST(FrameChecksums, WaveFunctionsMatchTheNativeBuild) {
    // Arguments spread over every exponent of single precision, both signs.
    Fnv sine, cosine, arccosine;
    std::uint32_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1664525u + 1013904223u;
        std::uint32_t bits = state & 0xff7fffffu; // no infinities or NaNs
        float x;
        std::memcpy(&x, &bits, sizeof x);
        sine.add(bits_of(wave_sin(x)), 8);
        cosine.add(bits_of(wave_cos(x)), 8);
        const float unit = static_cast<float>(static_cast<double>(state) / 2147483648.0 - 1.0);
        arccosine.add(bits_of(wave_acos(unit)), 8);
    }
    EXPECT_EQ(sine.hash, 0xE8435DA903DEA95DULL);
    EXPECT_EQ(cosine.hash, 0x8EE83FD834388221ULL);
    EXPECT_EQ(arccosine.hash, 0xE334FD2809AB684FULL);
}

} // namespace
