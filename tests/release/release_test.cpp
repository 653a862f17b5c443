// The release zip as a user gets it, unpacked by the build: it holds exactly the exe,
// README.txt and LICENSE; the exe from it starts, shows its tray icon and quits with exit
// code 0; its version record carries the version in the zip's name; and README.txt names
// the registry key and every value the applet leaves there, so that following its removal
// steps leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/win32/harness.h"

namespace {

std::string unpacked(const char* name) {
    return harness::windows_path(ONDRELLA_RELEASE_UNPACKED) + "\\" + name;
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The version between "ondrella-" and "-win32.zip" (or "-win64.zip") in the zip's name.
std::string version_in_zip_name() {
    std::string path = ONDRELLA_RELEASE_ZIP;
    std::string name = path.substr(path.find_last_of('/') + 1);
    const std::string head = "ondrella-", tail = "-" ONDRELLA_RELEASE_PLATFORM ".zip";
    if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    return name.substr(head.size(), name.size() - head.size() - tail.size());
}

// "1.0" as the four numbers of a version record, missing ones 0.
std::vector<unsigned> version_numbers(const std::string& text) {
    std::vector<unsigned> numbers;
    std::istringstream parts(text);
    std::string part;
    while (std::getline(parts, part, '.'))
        numbers.push_back(static_cast<unsigned>(std::stoul(part)));
    numbers.resize(4, 0);
    return numbers;
}

std::vector<unsigned> version_numbers(DWORD most_significant, DWORD least_significant) {
    return {HIWORD(most_significant), LOWORD(most_significant), HIWORD(least_significant),
            LOWORD(least_significant)};
}

std::string version_string(const std::vector<char>& record, const char* name) {
    char* text = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(record.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
        !text)
        return "";
    return text;
}

std::vector<std::string> setting_names() {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Varnek\\Ondrella", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD index = 0; RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
         ++index, length = sizeof name)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

} // namespace

TEST(Release, HoldsExactlyTheExeTheReadmeAndTheLicence) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(unpacked("*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LICENSE", "README.txt", "ondrella.exe"}));
}

TEST(Release, TextsHaveWindowsLineEnds) {
    for (const char* name : {"README.txt", "LICENSE"}) {
        std::string text = read_file(unpacked(name));
        ASSERT_FALSE(text.empty()) << name;
        for (std::size_t at = text.find('\n'); at != std::string::npos;
             at = text.find('\n', at + 1))
            ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << name << ": a bare line end at " << at;
    }
}

TEST(Release, ZipIsNamedAfterTheVersionInTheExesVersionRecord) {
    std::string version = version_in_zip_name();
    ASSERT_FALSE(version.empty()) << ONDRELLA_RELEASE_ZIP;

    std::string exe = unpacked("ondrella.exe");
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u) << "the exe has no version record";
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));

    EXPECT_EQ(version_string(record, "FileVersion"), version);
    EXPECT_EQ(version_string(record, "ProductVersion"), version);
    EXPECT_EQ(version_numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS),
              version_numbers(version));
    EXPECT_EQ(version_numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS),
              version_numbers(version));
}

TEST(Release, ExeStartsShowsItsTrayIconAndQuitsWithExitCodeZero) {
    harness::wipe_settings();
    harness::Applet applet;
    ASSERT_TRUE(harness::start_applet_from(applet, ONDRELLA_RELEASE_UNPACKED "/ondrella.exe"));
    ASSERT_NE(applet.window, nullptr) << "no applet window";
    EXPECT_TRUE(harness::wait_until([&] { return harness::tray_icon_present(applet.window); }));
    EXPECT_EQ(harness::quit_applet(applet), 0u);
}

TEST(Release, ReadmeNamesTheKeyAndEveryValueTheAppletLeaves) {
    harness::wipe_settings();
    harness::Applet applet;
    ASSERT_TRUE(harness::start_applet_from(applet, ONDRELLA_RELEASE_UNPACKED "/ondrella.exe"));
    ASSERT_NE(applet.window, nullptr) << "no applet window";
    EXPECT_EQ(harness::quit_applet(applet), 0u);
    std::vector<std::string> names = setting_names();
    EXPECT_EQ(names.size(), 6u) << "the applet keeps six settings";

    std::string readme = read_file(unpacked("README.txt"));
    EXPECT_NE(readme.find("HKEY_CURRENT_USER\\Software\\Varnek\\Ondrella"), std::string::npos);
    EXPECT_NE(readme.find("reg delete \"HKCU\\Software\\Varnek\\Ondrella\" /f"), std::string::npos);
    for (const std::string& name : names)
        EXPECT_NE(readme.find(name), std::string::npos) << name;
}
