// What each Windows build makes, read natively: the manifest its exe embeds names the
// processor in the exe's header (else Windows refuses to start it), and its release zip
// holds the exe, README.txt and LICENSE, says which Windows it is for, and comes out byte
// for byte the same when packed again later, elsewhere, in another time zone and umask.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    bytes.copy(reinterpret_cast<char*>(&value), 4, at);
    return value;
}

std::string output_of(const std::string& command) {
    const fs::path output = fs::temp_directory_path() / ("ondrella-" + std::to_string(getpid()));
    std::system((command + " >'" + output.string() + "'").c_str());
    std::string text = read_all(output);
    fs::remove(output);
    return text;
}

// The value of attribute `name` in the first <`tag` ...> element at or after `from`.
std::string attribute_of(const std::string& text, std::size_t from, const std::string& tag,
                         const std::string& name) {
    const std::size_t element = text.find("<" + tag + " ", from);
    const std::size_t end = text.find('>', element);
    const std::size_t at = text.find(" " + name + "=\"", element);
    if (element == std::string::npos || at > end)
        return "";
    const std::size_t value = at + name.size() + 3;
    return text.substr(value, text.find('"', value) - value);
}

struct WindowsBuild {
    const char* folder;
    std::uint32_t machine; // in the exe's COFF header
    const char* platform;  // in the zip's name
};

class WindowsBuildTest : public testing::TestWithParam<WindowsBuild> {
  protected:
    void SetUp() override {
        folder = fs::path(ONDRELLA_BUILD_ROOT) / GetParam().folder;
        exe = read_all(folder / "ondrella.exe");
        zip =
            folder / ("ondrella-" ONDRELLA_VERSION "-" + std::string(GetParam().platform) + ".zip");
        if (exe.size() < 0x1000 || !fs::exists(zip))
            GTEST_SKIP() << GetParam().folder << " is not built";
        header = le32(exe, 0x3c);
        ASSERT_EQ(le32(exe, header), 0x4550u) << "no PE signature";
    }
    fs::path folder, zip;
    std::string exe;
    std::size_t header = 0;
};

TEST_P(WindowsBuildTest, ManifestNamesTheProcessorInTheExesHeader) {
    const std::uint32_t machine = le32(exe, header + 4) & 0xFFFF;
    ASSERT_EQ(machine, GetParam().machine);
    const std::string architecture = machine == 0x14c ? "x86" : "amd64";
    const std::size_t manifest = exe.find("<assembly ");
    ASSERT_NE(manifest, std::string::npos) << "no manifest";
    EXPECT_EQ(attribute_of(exe, manifest, "assemblyIdentity", "processorArchitecture"),
              architecture)
        << "the program's own identity";
    const std::string common_controls = attribute_of(exe, exe.find("<dependentAssembly>", manifest),
                                                     "assemblyIdentity", "processorArchitecture");
    EXPECT_TRUE(common_controls == architecture || common_controls == "*")
        << "the common controls are asked for as " << common_controls;
}

TEST_P(WindowsBuildTest, ZipHoldsTheExeTheReadmeAndTheLicenceAndSaysWhichWindows) {
    EXPECT_EQ(output_of("unzip -Z1 '" + zip.string() + "'"), "ondrella.exe\nREADME.txt\nLICENSE\n");
    const std::string readme = output_of("unzip -p '" + zip.string() + "' README.txt");
    EXPECT_NE(readme.find("This is the " + std::string(GetParam().platform + 3) + "-bit build"),
              std::string::npos);
    EXPECT_EQ(readme.find('@'), std::string::npos) << "a line was left unfilled";
}

TEST_P(WindowsBuildTest, ZipPackedAgainLaterElsewhereGivesTheSameBytes) {
    EXPECT_EQ(le32(exe, header + 8), 0u) << "the exe carries the time it was linked";
    // The entries' times have a resolution of two seconds: let the clock move on.
    while (fs::file_time_type::clock::now() < fs::last_write_time(zip) + std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const fs::path again =
        fs::temp_directory_path() /
        ("ondrella-again-" + std::to_string(getpid()) + GetParam().platform + ".zip");
    const std::string source = ONDRELLA_SOURCE_DIR;
    const std::string command = "cd / && umask 077 && TZ=Pacific/Chatham bash '" + source +
                                "/scripts/pack-release.sh' '" + again.string() + "' '" +
                                (folder / "ondrella.exe").string() + "' '" + source +
                                "/docs/README.txt' '" + source + "/LICENSE' " + GetParam().platform;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(read_all(again) == read_all(zip)) << "packed again, " << zip << " differs";
    fs::remove(again);
}

INSTANTIATE_TEST_SUITE_P(Each, WindowsBuildTest,
                         testing::Values(WindowsBuild{"cross", 0x14c, "win32"},
                                         WindowsBuild{"cross64", 0x8664, "win64"}),
                         [](const auto& build) { return std::string(build.param.folder); });

} // namespace
