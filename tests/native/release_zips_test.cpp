// The two release zips as the Windows builds pack them: each holds exactly the exe,
// README.txt and LICENSE, and says which Windows it is for; its exe carries no link time;
// and packing the same files again, later, elsewhere, in another time zone and with another
// umask, gives the same bytes, so that anyone who builds the same commit can check a
// published checksum.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string output_of(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[4096];
    for (std::size_t length; (length = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        output.append(chunk, length);
    pclose(pipe);
    return output;
}

struct Release {
    const char* folder;
    const char* platform;
    const char* build; // what README.txt calls the build
};

void PrintTo(const Release& release, std::ostream* out) {
    *out << release.platform;
}

class ReleaseZip : public testing::TestWithParam<Release> {
  protected:
    void SetUp() override {
        folder = fs::path(ONDRELLA_BUILD_ROOT) / GetParam().folder;
        zip =
            folder / ("ondrella-" ONDRELLA_VERSION "-" + std::string(GetParam().platform) + ".zip");
        if (!fs::exists(zip))
            GTEST_SKIP() << zip << " is not built";
    }
    fs::path folder, zip;
};

TEST_P(ReleaseZip, HoldsTheExeTheReadmeAndTheLicenceAndSaysWhichWindows) {
    EXPECT_EQ(output_of("unzip -Z1 '" + zip.string() + "'"), "ondrella.exe\nREADME.txt\nLICENSE\n");
    const std::string readme = output_of("unzip -p '" + zip.string() + "' README.txt");
    EXPECT_NE(readme.find(std::string("This is the ") + GetParam().build), std::string::npos);
    EXPECT_EQ(readme.find('@'), std::string::npos) << "a line was left unfilled";
}

TEST_P(ReleaseZip, PackedAgainLaterElsewhereGivesTheSameBytes) {
    const fs::path exe = folder / "ondrella.exe";
    const std::string header = read_all(exe).substr(0, 4096);
    ASSERT_GT(header.size(), 0x40u);
    std::uint32_t pe = 0, link_time = 0;
    header.copy(reinterpret_cast<char*>(&pe), 4, 0x3c);
    header.copy(reinterpret_cast<char*>(&link_time), 4, pe + 8);
    EXPECT_EQ(link_time, 0u) << "the exe carries the time it was linked";

    // The entries' times have a resolution of two seconds: let the clock move on.
    const auto packed = fs::last_write_time(zip);
    while (fs::file_time_type::clock::now() < packed + std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const fs::path again =
        fs::temp_directory_path() /
        ("ondrella-again-" + std::to_string(getpid()) + GetParam().platform + ".zip");
    const std::string source = ONDRELLA_SOURCE_DIR;
    const std::string command = "cd / && umask 077 && TZ=Pacific/Chatham bash '" + source +
                                "/scripts/pack-release.sh' '" + again.string() + "' '" +
                                exe.string() + "' '" + source + "/docs/README.txt' '" + source +
                                "/LICENSE' " + GetParam().platform;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(read_all(again) == read_all(zip)) << "packed again, " << zip << " differs";
    fs::remove(again);
}

INSTANTIATE_TEST_SUITE_P(Builds, ReleaseZip,
                         testing::Values(Release{"cross", "win32", "32-bit build"},
                                         Release{"cross64", "win64", "64-bit build"}),
                         [](const auto& release) { return std::string(release.param.platform); });

} // namespace
