// ripple-frames: builds the frame tables for given settings, exactly as the applet does,
// and writes a contact sheet of every frame (for tuning the look), an animated picture of
// ripples as the screen shows them (for the README), or one frame exactly as its buffer
// holds it (for checking pixels).
//
//   ripple-frames [--size N] [--frames N] [--jumps N] [--circles N] [--peek 0|1]
//                 --sheet FILE.png
//   ripple-frames [same settings] [--size N ...] [--speed MS] --animation FILE.gif
//   ripple-frames [same settings] --table attack|hold|release --slot K --raw FILE
//
// A bad argument ends the program with one line on stderr and exit code 2, before any
// file is written; a file that cannot be written ends it with exit code 1.
#include "app/setup.h"
#include "ripple/frames.h"

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int bad_argument = 2;
constexpr int write_failed = 1;

// An animation shows a few sizes side by side; browsers stretch GIF frames shorter than 20 ms.
constexpr std::size_t most_animated_sizes = 4;
constexpr std::int32_t shortest_animation_speed = 20;

const char usage[] =
    "usage: ripple-frames [--size N] [--frames N] [--jumps N] [--circles N] [--peek 0|1]\n"
    "                     (--sheet FILE.png | [--size N ...] [--speed MS] --animation FILE.gif\n"
    "                      | --table attack|hold|release --slot K --raw FILE)\n";

struct Options {
    std::int32_t size = setup::default_size;
    std::vector<std::int32_t> sizes; // every --size given, in order
    std::int32_t speed = -1;         // the timer period; -1 until --speed is given
    std::int32_t frames = setup::default_frames;
    std::int32_t jumps = setup::default_jumps;
    std::int32_t circles = setup::default_circles;
    std::int32_t peek = setup::default_peek;
    std::string sheet;
    std::string animation;
    std::string raw;
    std::string table;
    std::int32_t slot = -1;
};

[[noreturn]] void refuse(const std::string& message) {
    std::fprintf(stderr, "ripple-frames: %s\n", message.c_str());
    std::exit(bad_argument);
}

std::int32_t parse_integer(const char* option, const char* text, long long lowest,
                           long long highest) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || errno == ERANGE || value < lowest || value > highest)
        refuse(std::string(option) + " takes an integer from " + std::to_string(lowest) + " to " +
               std::to_string(highest) + ", not '" + text + "'");
    return static_cast<std::int32_t>(value);
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usage, stdout);
            std::exit(0);
        }
        if (option.rfind("--", 0) != 0)
            refuse("unexpected argument '" + option + "'");
        if (i + 1 >= argc)
            refuse(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--size")
            options.sizes.push_back(parse_integer("--size", value, 1, setup::largest_size));
        else if (option == "--speed")
            options.speed = parse_integer("--speed", value, shortest_animation_speed, 1000);
        else if (option == "--frames")
            options.frames = parse_integer("--frames", value, 1, setup::largest_frames);
        else if (option == "--jumps")
            options.jumps = parse_integer("--jumps", value, INT32_MIN, INT32_MAX);
        else if (option == "--circles")
            options.circles = parse_integer("--circles", value, INT32_MIN, INT32_MAX);
        else if (option == "--peek")
            options.peek = parse_integer("--peek", value, 0, 1);
        else if (option == "--slot")
            options.slot = parse_integer("--slot", value, 0, INT32_MAX);
        else if (option == "--table")
            options.table = value;
        else if (option == "--sheet")
            options.sheet = value;
        else if (option == "--animation")
            options.animation = value;
        else if (option == "--raw")
            options.raw = value;
        else
            refuse("unknown option '" + option + "'");
        if (*value == '\0')
            refuse(option + " needs a value");
    }
    if (options.sheet.empty() + options.animation.empty() + options.raw.empty() != 2)
        refuse("give exactly one of --sheet FILE.png, --animation FILE.gif and --raw FILE");
    if (options.raw.empty() && (!options.table.empty() || options.slot >= 0))
        refuse("--table and --slot go with --raw only");
    if (options.animation.empty() && (options.sizes.size() > 1 || options.speed >= 0))
        refuse("--speed and a second --size go with --animation only");
    if (options.speed < 0)
        options.speed = setup::default_speed;
    if (options.sizes.size() > most_animated_sizes)
        refuse("--animation takes at most " + std::to_string(most_animated_sizes) + " sizes");
    if (options.sizes.empty())
        options.sizes.push_back(setup::default_size);
    options.size = options.sizes.front();
    if (!options.raw.empty()) {
        if (options.table != "attack" && options.table != "hold" && options.table != "release")
            refuse("--raw needs --table attack, hold or release");
        if (options.slot < 0)
            refuse("--raw needs --slot K");
        if (options.slot >= options.frames)
            refuse("--slot " + std::to_string(options.slot) + " is not below --frames " +
                   std::to_string(options.frames));
    }
    return options;
}

const FrameSlot* table_named(const std::string& name) {
    if (name == "attack")
        return frame_tables.attack_frames;
    if (name == "hold")
        return frame_tables.hold_frames;
    return frame_tables.release_frames;
}

[[noreturn]] void fail_writing(const std::string& path) {
    std::fprintf(stderr, "ripple-frames: cannot write %s: %s\n", path.c_str(),
                 std::strerror(errno));
    std::remove(path.c_str());
    std::exit(write_failed);
}

int write_raw(const Options& options) {
    const std::uint32_t* pixels =
        ready_frame(table_named(options.table), options.slot, options.size);
    if (pixels == nullptr) {
        std::fprintf(stderr, "ripple-frames: the frame could not be built\n");
        return write_failed;
    }
    std::vector<unsigned char> bytes;
    bytes.reserve(static_cast<std::size_t>(options.size) * options.size * 4);
    for (std::int32_t i = 0; i < options.size * options.size; ++i)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(pixels[i] >> shift));
    std::FILE* file = std::fopen(options.raw.c_str(), "wb");
    if (file == nullptr)
        fail_writing(options.raw);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
        fail_writing(options.raw);
    return 0;
}

// One premultiplied channel over the panel's grey: c + 128 * (255 - alpha) / 255.
png_byte over_grey(std::uint32_t channel, std::uint32_t alpha) {
    return static_cast<png_byte>(channel + (128 * (255 - alpha) + 127) / 255);
}

// The sheet: one row of frames per table (attack, hold, release), slot 0 on the left,
// each frame turned to screen orientation (its last row in memory on top).
std::vector<png_byte> sheet_rgb(const Options& options, bool& complete) {
    const std::size_t side = static_cast<std::size_t>(options.size);
    const std::size_t width = side * static_cast<std::size_t>(options.frames);
    std::vector<png_byte> rgb(width * 3 * side * 3);
    const FrameSlot* tables[] = {frame_tables.attack_frames, frame_tables.hold_frames,
                                 frame_tables.release_frames};
    complete = true;
    for (std::size_t band = 0; band < 3; ++band) {
        for (std::int32_t slot = 0; slot < options.frames; ++slot) {
            const std::uint32_t* pixels = ready_frame(tables[band], slot, options.size);
            if (pixels == nullptr) {
                complete = false;
                return rgb;
            }
            for (std::size_t row = 0; row < side; ++row) {
                const std::size_t y = band * side + (side - 1 - row);
                for (std::size_t column = 0; column < side; ++column) {
                    const std::uint32_t word = pixels[row * side + column];
                    const std::uint32_t alpha = word >> 24;
                    png_byte* out = &rgb[(y * width + slot * side + column) * 3];
                    out[0] = over_grey((word >> 16) & 0xff, alpha);
                    out[1] = over_grey((word >> 8) & 0xff, alpha);
                    out[2] = over_grey(word & 0xff, alpha);
                }
            }
        }
    }
    return rgb;
}

int write_sheet(const Options& options) {
    bool complete = false;
    const std::vector<png_byte> rgb = sheet_rgb(options, complete);
    if (!complete) {
        std::fprintf(stderr, "ripple-frames: the frames could not be built\n");
        return write_failed;
    }
    const png_uint_32 width = static_cast<png_uint_32>(options.size * options.frames);
    const png_uint_32 height = static_cast<png_uint_32>(options.size * 3);
    std::FILE* file = std::fopen(options.sheet.c_str(), "wb");
    if (file == nullptr)
        fail_writing(options.sheet);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        fail_writing(options.sheet);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (png_uint_32 y = 0; y < height; ++y)
        png_write_row(png, &rgb[static_cast<std::size_t>(y) * width * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        fail_writing(options.sheet);
    return 0;
}

// Builds the tables as the applet does for these settings at this size. Buffers are
// resized from one size to the next, as when the panel's size slider moves.
void build_frames(const Options& options, std::int32_t size) {
    setup::apply_defaults();
    setup::size = size;
    setup::frames = options.frames;
    setup::jumps = options.jumps;
    setup::circles = options.circles;
    setup::peek = options.peek;
    rebuild_frames();
}

// giflib's output, through the standard file of the other outputs.
int write_to_file(GifFileType* gif, const GifByteType* bytes, int count) {
    return static_cast<int>(std::fwrite(bytes, 1, static_cast<std::size_t>(count),
                                        static_cast<std::FILE*>(gif->UserData)));
}

// The animation: one press held for one cycle, as the screen shows it at one frame per
// timer tick: the attack cycle, one hold cycle and the release, whose last frame goes with
// the window in the tick that draws it, so it never stays on screen. The ripples of the
// given sizes play side by side over the panel's grey, centred on one line, then the grey
// alone for a while before the picture loops. The frames hold only white and black with
// alpha, so over grey every pixel is a grey level, and a palette of the 256 greys shows
// it exactly.
int write_animation(const Options& options) {
    constexpr int margin = 16;
    constexpr int pause_ms = 600;
    const int largest = *std::max_element(options.sizes.begin(), options.sizes.end());
    const int width =
        std::accumulate(options.sizes.begin(), options.sizes.end(), margin,
                        [](int sum, std::int32_t size) { return sum + size + margin; });
    const int height = largest + 2 * margin;
    const int ticks = 3 * options.frames - 1;
    const std::size_t canvas_pixels = static_cast<std::size_t>(width) * height;
    std::vector<GifPixelType> canvases(canvas_pixels * (ticks + 1), over_grey(0, 0));
    const FrameSlot* tables[] = {frame_tables.attack_frames, frame_tables.hold_frames,
                                 frame_tables.release_frames};
    int left = margin;
    for (const std::int32_t size : options.sizes) {
        build_frames(options, size);
        const int top = margin + (largest - size) / 2;
        for (int tick = 0; tick < ticks; ++tick) {
            const std::uint32_t* pixels =
                ready_frame(tables[tick / options.frames], tick % options.frames, size);
            if (pixels == nullptr) {
                std::fprintf(stderr, "ripple-frames: the frames could not be built\n");
                return write_failed;
            }
            GifPixelType* canvas = &canvases[canvas_pixels * tick];
            for (int row = 0; row < size; ++row)
                for (int column = 0; column < size; ++column) {
                    const std::uint32_t word = pixels[row * size + column];
                    canvas[(top + size - 1 - row) * width + left + column] =
                        over_grey(word & 0xff, word >> 24);
                }
        }
        left += size + margin;
    }

    std::FILE* file = std::fopen(options.animation.c_str(), "wb");
    if (file == nullptr)
        fail_writing(options.animation);
    int error = 0;
    GifFileType* gif = EGifOpen(file, write_to_file, &error);
    if (gif == nullptr) {
        std::fclose(file);
        fail_writing(options.animation);
    }
    GifColorType greys[256];
    for (int level = 0; level < 256; ++level)
        greys[level] = {static_cast<GifByteType>(level), static_cast<GifByteType>(level),
                        static_cast<GifByteType>(level)};
    ColorMapObject* palette = GifMakeMapObject(256, greys);
    EGifSetGifVersion(gif, true);
    bool written = palette != nullptr &&
                   EGifPutScreenDesc(gif, width, height, 8, over_grey(0, 0), palette) == GIF_OK;
    GifFreeMapObject(palette);
    // Loop for ever.
    const GifByteType loop[] = {1, 0, 0};
    written = written && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
              EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
              EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK &&
              EGifPutExtensionTrailer(gif) == GIF_OK;
    // Delays count hundredths of a second: each frame ends at its tick's end rounded to
    // one, so 25 ms ticks alternate 3 and 2 and the pace does not drift.
    int shown_until = 0;
    for (int tick = 0; tick <= ticks && written; ++tick) {
        const int ends =
            tick < ticks ? ((tick + 1) * options.speed + 5) / 10 : shown_until + pause_ms / 10;
        GraphicsControlBlock timing = {DISPOSAL_UNSPECIFIED, false, ends - shown_until,
                                       NO_TRANSPARENT_COLOR};
        shown_until = ends;
        GifByteType extension[4];
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE,
                                   static_cast<int>(EGifGCBToExtension(&timing, extension)),
                                   extension) == GIF_OK &&
                  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
        for (int y = 0; y < height && written; ++y)
            written =
                EGifPutLine(gif, &canvases[canvas_pixels * tick + y * width], width) == GIF_OK;
    }
    if (EGifCloseFile(gif, &error) != GIF_OK || std::fclose(file) != 0 || !written)
        fail_writing(options.animation);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const Options options = parse_options(argc, argv);
    empty_frames();
    if (!options.animation.empty())
        return write_animation(options);
    build_frames(options, options.size);
    return options.raw.empty() ? write_sheet(options) : write_raw(options);
}
