// What reaches a user: the set-up goes on past a failed package-index update and gets
// 32-bit Wine past a partial mirror; each Windows exe imports only DLLs that Windows takes
// from its system folder, and its manifest names the processor in its header; each release
// zip holds its three files and the right README line, and packing it again gives the same
// bytes; each installer holds the same exe and building it again gives the same bytes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
const std::string source = ONDRELLA_SOURCE_DIR;

std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path scratch(const std::string& name) {
    return fs::temp_directory_path() / ("ondrella-" + name + "-" + std::to_string(getpid()));
}

// Runs a shell command; returns its exit code, and its standard output in `output`.
int shell(const std::string& command, std::string* output = nullptr) {
    const fs::path file = scratch("output");
    const int status = std::system((command + " >'" + file.string() + "' 2>/dev/null").c_str());
    if (output)
        *output = read_all(file);
    fs::remove(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// install-deps.sh against stand-ins for apt-get, apt-cache, dpkg, dpkg-query, id and sleep
// that log every apt-get call: the index update always ends with 100, as when a mirror is in
// the middle of a sync; an install that names `refused` fails. The plain wine32 install is
// refused as when the amd64 library `gst` is newer than its i386 twin; from the release
// suite with gst's twin pinned to version 1 the simulation passes, and removes wine64 when
// `removes` is set.
int set_up_refusing(const std::string& refused, std::string& apt_calls, bool removes = false) {
    const fs::path folder = scratch("setup");
    fs::create_directories(folder);
    std::ofstream(folder / "stand-in")
        << "#!/bin/sh\ncase \"${0##*/} $*\" in\napt-get*) echo \"$*\" >>'"
        << (folder / "log").string() << "'; case \"$*\" in *update*|*'" << refused
        << "'*) exit 100;;\n*-s*-t*gst:amd64=1*) echo 'Inst gst [2] (1 Debian [amd64])'; "
        << (removes ? "echo 'Remv wine64 [8]'; " : "")
        << "printf 'The following packages will be DOWNGRADED:\\n  gst\\n';;\n"
        << "*-s*-t*wine32*) echo ' libwine:i386 : Depends: gst:i386 (>= 1) but it is not going "
           "to be installed'; exit 100;;\n*-s*wine32*) exit 100;; esac;;\n"
        << "apt-cache*) echo '  Candidate: 1';; dpkg-query*gst:amd64) echo '2 same';;\n"
        << "dpkg-query*) exit 1;; dpkg*--print-arch*) echo amd64;; dpkg*) echo i386;; id*) echo "
           "0;;\nesac\n";
    fs::permissions(folder / "stand-in", fs::perms::owner_all);
    for (const char* name : {"apt-get", "apt-cache", "dpkg-query", "dpkg", "id", "sleep"})
        fs::create_symlink(folder / "stand-in", folder / name);
    const int code = shell("PATH='" + folder.string() + "':\"$PATH\" ONDRELLA_BUILD='" +
                           folder.string() + "' bash '" + source + "/scripts/install-deps.sh'");
    apt_calls = read_all(folder / "log");
    fs::remove_all(folder);
    return code;
}

TEST(SetupScript, GoesOnAfterAFailedIndexUpdateAndStopsOnlyWhenWhatItNeedsIsRefused) {
    std::string apt_calls;
    EXPECT_EQ(set_up_refusing("wine32", apt_calls), 0);
    EXPECT_NE(apt_calls.find("update"), std::string::npos);
    EXPECT_NE(apt_calls.find(" wine64"), std::string::npos) << apt_calls;
    EXPECT_EQ(set_up_refusing("mingw-w64", apt_calls), 1);
}

// 32-bit Wine from the release suite, with the library in its way pinned to its i386 twin's
// version; never when that would remove a package.
TEST(SetupScript, InstallsRefusedWine32FromTheReleaseWithPinsButNeverRemovesAPackage) {
    if (shell("bash -c 'source \"" + source +
              "/scripts/x86-32.sh\"; runs_32bit_natively || emulation_possible'") != 0)
        GTEST_SKIP() << "32-bit programs run here neither natively nor emulated";
    const std::string pinned_install =
        "install -y -qq --no-install-recommends --allow-downgrades -t ";
    std::string apt_calls;
    EXPECT_EQ(set_up_refusing("no-such-package", apt_calls), 0);
    const std::size_t install = apt_calls.find(pinned_install);
    ASSERT_NE(install, std::string::npos) << apt_calls;
    const std::string line = apt_calls.substr(install, apt_calls.find('\n', install) - install);
    EXPECT_NE(line.find(" wine32:i386 gst:i386 gst:amd64=1"), std::string::npos) << line;
    EXPECT_EQ(set_up_refusing("no-such-package", apt_calls, true), 0);
    EXPECT_EQ(apt_calls.find(pinned_install), std::string::npos) << apt_calls;
}

struct WindowsBuild {
    const char* folder;
    std::uint32_t machine; // in the exe's COFF header
    const char* architecture;
    const char* platform; // in the zip's name
};

class WindowsBuildTest : public testing::TestWithParam<WindowsBuild> {};

TEST_P(WindowsBuildTest, ExeNamesItsProcessorAndItsZipHoldsItsFilesAndPacksAgainTheSame) {
    const fs::path folder = fs::path(ONDRELLA_BUILD_ROOT) / GetParam().folder;
    const std::string exe = read_all(folder / "ondrella.exe");
    const fs::path zip =
        folder / ("ondrella-" ONDRELLA_VERSION "-" + std::string(GetParam().platform) + ".zip");
    if (exe.size() < 0x1000 || !fs::exists(zip))
        GTEST_SKIP() << GetParam().folder << " is not built";
    auto header_word = [&](std::size_t offset) {
        std::uint32_t header = 0, word = 0;
        exe.copy(reinterpret_cast<char*>(&header), 4, 0x3c);
        exe.copy(reinterpret_cast<char*>(&word), 4, header + offset);
        return word;
    };
    ASSERT_EQ(header_word(4) & 0xFFFF, GetParam().machine);
    EXPECT_EQ(header_word(8), 0u) << "the exe carries the time it was linked";
    // Windows takes these only from its system folder (KnownDLLs), and the common controls
    // from the side-by-side assemblies the manifest names; any other import would be looked
    // for first beside the exe, in the folder it was unzipped in.
    const std::set<std::string> allowed = {"advapi32.dll", "comctl32.dll", "gdi32.dll",
                                           "kernel32.dll", "msvcrt.dll",   "ole32.dll",
                                           "shell32.dll",  "user32.dll"};
    std::string imports;
    shell("x86_64-w64-mingw32-objdump -p '" + (folder / "ondrella.exe").string() +
              "' | sed -n 's/^.*DLL Name: //p' | tr A-Z a-z",
          &imports);
    std::istringstream imported(imports);
    for (std::string name; std::getline(imported, name);)
        EXPECT_EQ(allowed.count(name), 1u) << name << " is imported";
    EXPECT_NE(imports.find("kernel32.dll"), std::string::npos) << "no import table read";
    // The manifest: the program's own identity, then the common controls it asks for.
    std::vector<std::string> named;
    const std::string attribute = "processorArchitecture=\"";
    for (std::size_t at = exe.find(attribute, exe.find("<assembly ")); at != std::string::npos;
         at = exe.find(attribute, at + 1)) {
        const std::size_t value = at + attribute.size();
        named.push_back(exe.substr(value, exe.find('"', value) - value));
    }
    EXPECT_EQ(named, std::vector<std::string>(2, GetParam().architecture));

    std::string files, readme;
    shell("unzip -Z1 '" + zip.string() + "'", &files);
    EXPECT_EQ(files, "ondrella.exe\nREADME.txt\nLICENSE\n");
    shell("unzip -p '" + zip.string() + "' README.txt", &readme);
    EXPECT_NE(readme.find("This is the " + std::string(GetParam().platform + 3) + "-bit build"),
              std::string::npos);
    // The entries' times have a resolution of two seconds: let the clock move on.
    while (fs::file_time_type::clock::now() < fs::last_write_time(zip) + std::chrono::seconds(3))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const fs::path again = scratch("again.zip");
    ASSERT_EQ(shell("cd / && umask 077 && TZ=Pacific/Chatham bash '" + source +
                    "/scripts/pack-release.sh' '" + again.string() + "' '" +
                    (folder / "ondrella.exe").string() + "' '" + source + "/docs/README.txt' '" +
                    source + "/LICENSE' " + GetParam().platform),
              0);
    EXPECT_TRUE(read_all(again) == read_all(zip)) << zip << " packed again differs";
    fs::remove(again);

    // The installer holds the same exe, and building it again gives the same bytes.
    const fs::path msi = fs::path(zip).replace_extension(".msi");
    const fs::path unpacked = scratch("msi");
    ASSERT_EQ(shell("msiextract -C '" + unpacked.string() + "' '" + msi.string() + "'"), 0) << msi;
    std::string extracted;
    shell("find '" + unpacked.string() + "' -name ondrella.exe", &extracted);
    EXPECT_TRUE(!extracted.empty() && read_all(extracted.substr(0, extracted.find('\n'))) == exe);
    fs::remove_all(unpacked);
    ASSERT_EQ(shell("cd / && umask 077 && TZ=Pacific/Chatham bash '" + source +
                    "/scripts/pack-installer.sh' '" + again.string() + "' '" +
                    (folder / "ondrella.exe").string() + "' '" + source + "/res/ondrella.ico' " +
                    ONDRELLA_VERSION " " + GetParam().platform),
              0);
    EXPECT_TRUE(read_all(again) == read_all(msi)) << msi << " built again differs";
    fs::remove(again);
}

INSTANTIATE_TEST_SUITE_P(Each, WindowsBuildTest,
                         testing::Values(WindowsBuild{"cross", 0x14c, "x86", "win32"},
                                         WindowsBuild{"cross64", 0x8664, "amd64", "win64"}),
                         [](const auto& build) { return std::string(build.param.folder); });

} // namespace
