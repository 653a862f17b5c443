// The ripple-frames tool, run as a program: its raw output is the formula's frame byte for
// byte, its sheet has the promised shape, the README's animation is what it makes today, and
// every bad argument ends it with exit code 2, one line on stderr and no file written.
#include "ripple/frames.h"
#include "tests/core/frames_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int exit_code;
    std::string error_output;
};

class FramesTool : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/ripple-frames-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        std::remove(output().c_str());
        std::remove((folder + "/stderr").c_str());
        rmdir(folder.c_str());
    }
    std::string output() const { return folder + "/out"; }

    ToolRun run(const std::string& arguments) const {
        const std::string errors = folder + "/stderr";
        const std::string command =
            std::string("'") + RIPPLE_FRAMES_TOOL + "' " + arguments + " 2>'" + errors + "'";
        const int status = std::system(command.c_str());
        std::ifstream in(errors);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                std::string(std::istreambuf_iterator<char>(in), {})};
    }

    std::vector<unsigned char> read_output() const {
        std::ifstream in(output(), std::ios::binary);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder;
};

std::vector<unsigned char> little_endian(const std::vector<std::uint32_t>& words) {
    std::vector<unsigned char> bytes;
    for (std::uint32_t word : words)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<unsigned char>(word >> shift));
    return bytes;
}

std::vector<std::uint32_t> expected_frame(const FrameSettings& s, const std::string& table,
                                          int slot) {
    const float phase =
        static_cast<float>(static_cast<double>(static_cast<float>(slot)) / s.frames);
    return single_frame(static_cast<unsigned>(s.size), phase, table == "release", table == "attack",
                        s);
}

std::string settings_arguments(const FrameSettings& s) {
    return "--size " + std::to_string(s.size) + " --frames " + std::to_string(s.frames) +
           " --jumps " + std::to_string(s.jumps) + " --circles " + std::to_string(s.circles) +
           " --peek " + std::to_string(s.peek);
}

TEST_F(FramesTool, RawFrameAtTheDefaultsIsTheFormula) {
    for (const char* table : {"attack", "hold", "release"}) {
        for (int slot : {0, 5, 15}) {
            const ToolRun result = run(std::string("--table ") + table + " --slot " +
                                       std::to_string(slot) + " --raw '" + output() + "'");
            ASSERT_EQ(result.exit_code, 0) << result.error_output;
            EXPECT_EQ(read_output(), little_endian(expected_frame(default_settings, table, slot)))
                << table << " slot " << slot;
        }
    }
}

TEST_F(FramesTool, RawFrameAtOtherSettingsIsTheFormula) {
    const struct {
        FrameSettings settings;
        const char* table;
        int slot;
    } cases[] = {{{63, 7, 3, 5, 0}, "release", 6},
                 {{1, 1, 1, 2, 1}, "hold", 0},
                 {{256, 128, -9, 16, 1}, "attack", 127},
                 {{90, 3, INT32_MIN, INT32_MAX, 0}, "hold", 2}};
    for (const auto& c : cases) {
        const ToolRun result =
            run(settings_arguments(c.settings) + " --table " + c.table + " --slot " +
                std::to_string(c.slot) + " --raw '" + output() + "'");
        ASSERT_EQ(result.exit_code, 0) << result.error_output;
        EXPECT_EQ(read_output(), little_endian(expected_frame(c.settings, c.table, c.slot)))
            << settings_arguments(c.settings);
    }
}

TEST_F(FramesTool, SheetHasThreeRowsOfEveryFrame) {
    const ToolRun result = run("--size 20 --frames 5 --sheet '" + output() + "'");
    ASSERT_EQ(result.exit_code, 0) << result.error_output;
    const std::vector<unsigned char> png = read_output();
    ASSERT_GT(png.size(), 33u);
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), png.begin()));
    const auto big_endian = [&](std::size_t at) {
        return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    };
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(big_endian(16), 100); // 5 frames of 20 pixels
    EXPECT_EQ(big_endian(20), 60);  // attack, hold and release rows
    EXPECT_EQ(png[24], 8);          // bits per channel
    EXPECT_EQ(png[25], 2);          // RGB
}

// The README's animation is made from the frames by the tool; made again, it is the same
// file, so it cannot drift from what the applet shows.
TEST_F(FramesTool, AnimationInTheDocsIsMadeAgainByteForByte) {
    const ToolRun result = run("--size 64 --size 128 --animation '" + output() + "'");
    ASSERT_EQ(result.exit_code, 0) << result.error_output;
    std::ifstream in(ONDRELLA_SOURCE_DIR "/docs/ripple-animation.gif", std::ios::binary);
    EXPECT_TRUE(read_output() == std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {}))
        << "make it again: build/native/ripple-frames --size 64 --size 128 --animation "
           "docs/ripple-animation.gif";
}

TEST_F(FramesTool, BadArgumentsEndWithCodeTwoAndWriteNothing) {
    const std::string raw = " --table hold --slot 0 --raw '" + output() + "'";
    const std::string sheet = " --sheet '" + output() + "'";
    const std::string bad[] = {
        "--colour red" + sheet,
        "--size 0" + sheet,
        "--size 257" + sheet,
        "--size 12x" + sheet,
        "--size ''" + sheet,
        "--frames 0" + sheet,
        "--frames 129" + sheet,
        "--peek 2" + sheet,
        "--jumps 2147483648" + sheet,
        "--circles -2147483649" + sheet,
        "--table hold --slot 16 --raw '" + output() + "'",
        "--frames 4 --table hold --slot 4 --raw '" + output() + "'",
        "--table hold --slot -1 --raw '" + output() + "'",
        "--table sideways --slot 0 --raw '" + output() + "'",
        "--slot 0 --raw '" + output() + "'",
        "--table hold --raw '" + output() + "'",
        "--table hold" + sheet,
        raw + sheet,
        "--size 64",
        "--speed 19 --animation '" + output() + "'",
        "--speed 25" + sheet,
        "--size 8 --size 16" + sheet,
        "--size 8 --size 8 --size 8 --size 8 --size 8 --animation '" + output() + "'",
        "--animation '" + output() + "'" + sheet,
        "--slot 0 --animation '" + output() + "'",
        "stray" + sheet,
        "--sheet",
    };
    for (const std::string& arguments : bad) {
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.exit_code, 2) << arguments;
        EXPECT_EQ(result.error_output.rfind("ripple-frames: ", 0), 0u) << arguments;
        EXPECT_EQ(result.error_output.find('\n'), result.error_output.size() - 1) << arguments;
        EXPECT_NE(access(output().c_str(), F_OK), 0) << arguments;
    }
}

TEST_F(FramesTool, UnwritableFileEndsWithCodeOne) {
    const ToolRun result = run("--sheet '" + folder + "/missing/sheet.png'");
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.error_output.find("cannot write"), std::string::npos);
}

} // namespace
