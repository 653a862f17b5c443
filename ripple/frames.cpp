// The frame tables, the straightforward per-pixel synthesis of one frame, and the rebuild
// of all tables from the settings. The unrounded steps of the formula are carried in
// double precision: the frames then depend on IEEE arithmetic alone (with the sine,
// cosine and arccosine of wave_math.h), and the native and Windows builds agree bit for
// bit. The rebuild itself uses the faster synthesis of frame_batch.h, which gives the
// same pixels.
#include "ripple/frames.h"

#include "app/setup.h"
#include "ripple/frame_batch.h"
#include "ripple/frame_formula.h"
#include "ripple/wave_math.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

FrameTables frame_tables;
FrameAllocator frame_allocator = std::realloc;

namespace {

// The last step of the formula, from a pixel's signed amplitude to its word: premultiplied
// white for a positive amplitude, black at half strength for a negative one.
std::uint32_t frame_pixel(double u) {
    if (u < 0)
        u = u * 0.5;
    if (u > 1)
        u = 1;
    if (u < -1)
        u = -1;
    const auto alpha = static_cast<std::uint32_t>(255.0 * std::fabs(u));
    const std::uint32_t grey = u > 0 ? alpha : 0;
    return alpha << 24 | grey << 16 | grey << 8 | grey;
}

} // namespace

void synthesize_frame(std::uint32_t* pixels, unsigned size, float phase, bool fade_out,
                      bool fade_in, std::int32_t jumps, std::int32_t circles, std::int32_t peek) {
    const float angle = static_cast<float>(wave_pi * phase);
    const float fade = static_cast<float>(1.0 - phase);
    const unsigned h = size / 2;
    for (unsigned row = 0; row < size; ++row) {
        for (unsigned column = 0; column < size; ++column) {
            std::uint32_t& pixel = pixels[row * size + column];
            pixel = 0;
            if (column == h && row == h)
                continue;
            const double nx = static_cast<double>(static_cast<int>(column - h)) / h;
            const double ny = static_cast<double>(static_cast<int>(row - h)) / h;
            const double q = nx * nx + ny * ny;
            const float r = static_cast<float>(std::sqrt(q));
            if (r > 1.0f)
                continue;
            const float s = static_cast<float>((ny - nx) / (std::sqrt(q) * wave_root2));
            const float a = static_cast<float>(wave_acos(s));
            float envelope = static_cast<float>(1.0 - r);
            if (peek == 0) {
                const double inside = 1.0 - r;
                envelope = static_cast<float>(wave_sin(static_cast<float>(wave_pi * inside)) *
                                              static_cast<float>(inside));
            }
            const float direction = static_cast<float>(wave_cos(a));
            const float w = static_cast<float>(static_cast<double>(circles) * wave_pi * r -
                                               static_cast<double>(jumps) * angle);
            const double wave = wave_sin(w);
            const double amplitude = fade_out ? (static_cast<double>(envelope) * fade) * direction
                                              : static_cast<double>(direction) * envelope;
            double u = wave * amplitude;
            if (fade_in)
                u = static_cast<float>(u) * wave_sin(static_cast<float>(angle * 0.5));
            pixel = frame_pixel(u);
        }
    }
}

void empty_frames() {
    for (FrameSlot* table :
         {frame_tables.attack_frames, frame_tables.hold_frames, frame_tables.release_frames}) {
        for (int slot = 0; slot < frame_slots; ++slot)
            table[slot] = FrameSlot{nullptr, 0};
    }
}

namespace {

// Brings a slot's buffer to `bytes` with realloc's semantics. On failure the slot keeps
// its old buffer (realloc leaves it allocated) but is marked as holding no frame.
bool resize_slot(FrameSlot& slot, std::size_t bytes) {
    slot.side = 0;
    void* resized = frame_allocator(slot.pixels, bytes);
    if (resized == nullptr)
        return false;
    slot.pixels = static_cast<std::uint32_t*>(resized);
    return true;
}

} // namespace

void rebuild_frames() {
    if (setup::size < 1)
        return;
    const unsigned size = static_cast<unsigned>(setup::size);
    const std::size_t bytes = static_cast<std::size_t>(size) * size * sizeof(std::uint32_t);
    // Start-up never lets frames exceed the tables; the bound keeps a slip from writing
    // past them.
    const std::int32_t count = setup::frames < frame_slots ? setup::frames : frame_slots;
    prepare_frame_batch(size, count, setup::jumps, setup::circles, setup::peek);
    for (std::int32_t i = 0; i < count; ++i) {
        FrameSlot* const slots[] = {&frame_tables.attack_frames[i], &frame_tables.hold_frames[i],
                                    &frame_tables.release_frames[i]};
        std::uint32_t* ready[3];
        // A buffer that held a frame of this side and stays where it was still holds the
        // zeros outside the disc, which are the same at every setting of the side.
        unsigned zeros_kept = 0;
        for (int table = 0; table < 3; ++table) {
            const FrameSlot before = *slots[table];
            ready[table] = resize_slot(*slots[table], bytes) ? slots[table]->pixels : nullptr;
            if (ready[table] != nullptr && before.side == setup::size &&
                before.pixels == ready[table])
                zeros_kept |= 1u << table;
        }
        const float phase =
            static_cast<float>(static_cast<double>(static_cast<float>(i)) / setup::frames);
        synthesize_frame_batch(phase, ready[0], ready[1], ready[2], zeros_kept);
        for (int table = 0; table < 3; ++table)
            if (ready[table] != nullptr)
                slots[table]->side = setup::size;
    }
}

const std::uint32_t* ready_frame(const FrameSlot* table, std::int32_t slot, std::int32_t size) {
    if (slot < 0 || slot >= frame_slots || size < 1)
        return nullptr;
    if (table[slot].side != size || table[slot].pixels == nullptr)
        return nullptr;
    return table[slot].pixels;
}
