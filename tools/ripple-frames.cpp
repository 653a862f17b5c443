// ripple-frames: builds the frame tables for given settings, exactly as the applet does,
// and writes either a contact sheet of every frame (for tuning the look, and for the
// README) or one frame exactly as its buffer holds it (for checking pixels).
//
//   ripple-frames [--size N] [--frames N] [--jumps N] [--circles N] [--peek 0|1]
//                 --sheet FILE.png
//   ripple-frames [same settings] --table attack|hold|release --slot K --raw FILE
//
// A bad argument ends the program with one line on stderr and exit code 2, before any
// file is written; a file that cannot be written ends it with exit code 1.
#include "app/setup.h"
#include "ripple/frames.h"

#include <png.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int bad_argument = 2;
constexpr int write_failed = 1;

const char usage[] =
    "usage: ripple-frames [--size N] [--frames N] [--jumps N] [--circles N] [--peek 0|1]\n"
    "                     (--sheet FILE.png | --table attack|hold|release --slot K --raw FILE)\n";

struct Options {
    std::int32_t size = setup::default_size;
    std::int32_t frames = setup::default_frames;
    std::int32_t jumps = setup::default_jumps;
    std::int32_t circles = setup::default_circles;
    std::int32_t peek = setup::default_peek;
    std::string sheet;
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
            options.size = parse_integer("--size", value, 1, setup::largest_size);
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
        else if (option == "--raw")
            options.raw = value;
        else
            refuse("unknown option '" + option + "'");
        if (*value == '\0')
            refuse(option + " needs a value");
    }
    if (options.sheet.empty() == options.raw.empty())
        refuse("give exactly one of --sheet FILE.png and --raw FILE");
    if (!options.sheet.empty() && (!options.table.empty() || options.slot >= 0))
        refuse("--table and --slot go with --raw, not --sheet");
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

} // namespace

int main(int argc, char** argv) {
    const Options options = parse_options(argc, argv);
    setup::apply_defaults();
    setup::size = options.size;
    setup::frames = options.frames;
    setup::jumps = options.jumps;
    setup::circles = options.circles;
    setup::peek = options.peek;
    empty_frames();
    rebuild_frames();
    return options.raw.empty() ? write_sheet(options) : write_raw(options);
}
