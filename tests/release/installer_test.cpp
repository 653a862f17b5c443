// The release's installers as IT deploys them, under Wine's Windows Installer in a prefix of
// the test's own: a silent install puts the exe, the Start menu shortcut and the Run value
// where the README says, and writes nothing into the applet's key; the installed exe
// starts and quits with exit code 0, and ends, having saved, when the Restart Manager asks;
// a higher version built from the same source replaces it as one installation with the
// user's settings intact; the other build is refused meanwhile; uninstalling leaves no
// file, folder, shortcut, Run value, settings key or product behind; AUTOSTART=0 installs
// no Run value. The win64 package always, the win32 one where 32-bit Wine runs natively
// (where this test is itself the i686 build).
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/win32/harness.h"

namespace {

// The release's installer, and the next version's made from the same source by the test's
// script (installer_test.sh).
struct Package {
    const char* platform;
    const char* unix_path;
    const char* next_version_unix_path;
};

const char run_key[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The settings a user changed (seeded below as these six).
const std::vector<std::int32_t> changed_settings = {20, 32, 4, 50, 3, 0};

std::string folder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}
std::string install_folder() {
    return folder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Ondrella";
}
std::string installed_exe() {
    return install_folder() + "\\ondrella.exe";
}
std::string start_menu_shortcut() {
    return folder(CSIDL_PROGRAMS) + "\\Ondrella.lnk";
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The command that starts Ondrella at sign-in, empty when there is none.
std::string run_value() {
    char value[MAX_PATH * 2] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, run_key, "Ondrella", RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return "";
    return value;
}

std::vector<std::int32_t> stored_settings() {
    std::vector<std::int32_t> values;
    for (const char* name : {"setup::frames", "setup::size", "setup::jumps", "setup::speed",
                             "setup::circles", "setup::peek"}) {
        std::int32_t value = 0;
        values.push_back(harness::read_setting(name, value) ? value : INT32_MIN);
    }
    return values;
}

// msiexec's exit code; the long bound is for a fault alone.
DWORD msiexec(const std::string& arguments) {
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::string command = "msiexec " + arguments + " /qn";
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return GetLastError();
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 300000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return code;
}

std::string in_quotes(const std::string& text) {
    return "\"" + text + "\"";
}

std::string package_property(const std::string& msi, const char* name) {
    MSIHANDLE database = 0, view = 0, record = 0;
    char value[256] = "";
    DWORD size = sizeof value;
    std::string query =
        std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'";
    if (MsiOpenDatabaseA(msi.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(database, query.c_str(), &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS)
        MsiRecordGetStringA(record, 1, value, &size);
    for (MSIHANDLE handle : {record, view, database})
        MsiCloseHandle(handle);
    return value;
}

std::string product_info(const std::string& product, const char* property) {
    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    MsiGetProductInfoA(product.c_str(), property, value, &size);
    return value;
}

// The installed products named Ondrella, of either build. (After an upgrade Wine 8 no
// longer finds the product by its upgrade code: its removal of the older version takes the
// newer one's entry with it.)
std::vector<std::string> installed_products() {
    std::vector<std::string> products;
    char product[39];
    for (DWORD index = 0; MsiEnumProductsA(index, product) == ERROR_SUCCESS; ++index)
        if (product_info(product, INSTALLPROPERTY_INSTALLEDPRODUCTNAME) == "Ondrella")
            products.push_back(product);
    return products;
}

std::vector<Package> packages() {
    std::vector<Package> tested = {
        {"win64", ONDRELLA_INSTALLER_WIN64, ONDRELLA_NEXT_INSTALLER_WIN64}};
    if (sizeof(void*) == 4)
        tested.push_back({"win32", ONDRELLA_INSTALLER_WIN32, ONDRELLA_NEXT_INSTALLER_WIN32});
    return tested;
}

class InstallerTest : public testing::TestWithParam<Package> {
  protected:
    void SetUp() override {
        msi = harness::windows_path(GetParam().unix_path);
        ASSERT_TRUE(exists(msi)) << msi << " is not built (make dist)";
        // What an earlier run that failed half-way left installed.
        for (const std::string& product : installed_products())
            msiexec("/x " + product);
        harness::wipe_settings();
    }

    std::string msi;
};

} // namespace

TEST_P(InstallerTest, InstallsStartsUpgradesKeepingTheSettingsAndUninstallsLeavingNothing) {
    ASSERT_EQ(msiexec("/i " + in_quotes(msi)), 0u);
    EXPECT_TRUE(exists(installed_exe())) << installed_exe();
    EXPECT_TRUE(exists(start_menu_shortcut())) << start_menu_shortcut();
    EXPECT_EQ(run_value(), in_quotes(installed_exe()));
    EXPECT_FALSE(harness::settings_key_exists()) << "the installer wrote into the applet's key";
    const std::vector<std::string> first = installed_products();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(product_info(first[0], INSTALLPROPERTY_PUBLISHER), "Varnek");
    EXPECT_EQ(product_info(first[0], INSTALLPROPERTY_INSTALLEDPRODUCTNAME), "Ondrella");
    EXPECT_EQ(product_info(first[0], INSTALLPROPERTY_VERSIONSTRING),
              package_property(msi, "ProductVersion"));
    const std::string icon = product_info(first[0], INSTALLPROPERTY_PRODUCTICON);
    EXPECT_TRUE(exists(icon)) << "the entry in Apps has no icon: " << icon;

    harness::Applet applet;
    ASSERT_TRUE(harness::start_applet_from(applet, installed_exe().c_str()));
    ASSERT_NE(applet.window, nullptr) << "the installed exe shows no applet window";
    EXPECT_EQ(harness::quit_applet(applet), 0u);

    // The other build would write into the same folder.
    const char* other = GetParam().platform == std::string("win64") ? ONDRELLA_INSTALLER_WIN32
                                                                    : ONDRELLA_INSTALLER_WIN64;
    ASSERT_TRUE(exists(harness::windows_path(other))) << other;
    EXPECT_NE(msiexec("/i " + in_quotes(harness::windows_path(other))), 0u);
    EXPECT_EQ(installed_products(), first);

    // The user changed the settings, and the applet runs when the higher version comes: the
    // Restart Manager asks it to end, as it does on Windows before replacing its exe.
    harness::seed_settings(20, 32, 4, 50, 3, 0);
    ASSERT_TRUE(harness::start_applet_from(applet, installed_exe().c_str()));
    ASSERT_NE(applet.window, nullptr);
    harness::wipe_settings();
    EXPECT_NE(SendMessageA(applet.window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), 0);
    SendMessageA(applet.window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    EXPECT_EQ(harness::wait_for_exit(applet), 0u) << "the applet did not end when asked";
    EXPECT_EQ(stored_settings(), changed_settings) << "not saved as it ended";

    const std::string higher = harness::windows_path(GetParam().next_version_unix_path);
    const std::string higher_product_code = package_property(higher, "ProductCode");
    ASSERT_NE(higher_product_code, "") << higher;
    ASSERT_EQ(msiexec("/i " + in_quotes(higher)), 0u);
    EXPECT_EQ(installed_products(), std::vector<std::string>{higher_product_code});
    EXPECT_EQ(stored_settings(), changed_settings) << "the upgrade lost the user's settings";
    EXPECT_EQ(harness::settings_value_count(), 6);
    EXPECT_TRUE(exists(installed_exe()));
    EXPECT_TRUE(exists(start_menu_shortcut()));
    EXPECT_EQ(run_value(), in_quotes(installed_exe()));
    const std::string higher_icon = product_info(higher_product_code, INSTALLPROPERTY_PRODUCTICON);

    ASSERT_EQ(msiexec("/x " + in_quotes(higher)), 0u);
    EXPECT_TRUE(installed_products().empty());
    EXPECT_FALSE(exists(install_folder())) << "left behind";
    EXPECT_FALSE(exists(start_menu_shortcut())) << "left behind";
    EXPECT_EQ(run_value(), "") << "still starts with Windows";
    EXPECT_FALSE(harness::settings_key_exists()) << "the settings key is left behind";
    EXPECT_FALSE(exists(icon) || exists(higher_icon)) << "the installer's icon is left behind";

    ASSERT_EQ(msiexec("/i " + in_quotes(msi) + " AUTOSTART=0"), 0u);
    EXPECT_TRUE(exists(installed_exe()));
    EXPECT_EQ(run_value(), "") << "AUTOSTART=0 still starts Ondrella with Windows";
    ASSERT_EQ(msiexec("/x " + in_quotes(msi)), 0u);
    EXPECT_FALSE(exists(install_folder()));
}

INSTANTIATE_TEST_SUITE_P(Each, InstallerTest, testing::ValuesIn(packages()),
                         [](const auto& package) { return std::string(package.param.platform); });
