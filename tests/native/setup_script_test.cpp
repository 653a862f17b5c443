// The set-up of a fresh machine (scripts/install-deps.sh), run against stand-ins for
// apt-get, dpkg and dpkg-query that record what they were asked: an index update that
// fails as a mirror in the middle of a sync fails it must not stop the installation of
// what the 64-bit build needs, while a package that cannot be installed must stop it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct SetupRun {
    int exit_code;
    std::string apt_calls; // one line per apt-get call, its arguments
};

// apt-get update always ends with 100; install succeeds unless asked for `refused`.
SetupRun run_setup(const std::string& refused) {
    char pattern[] = "/tmp/ondrella-setup-test-XXXXXX";
    if (!mkdtemp(pattern))
        return {-1, ""};
    const std::string folder = pattern;
    auto stand_in = [&](const char* name, const std::string& body) {
        std::ofstream(folder + "/" + name) << "#!/bin/sh\n" << body << "\n";
        chmod((folder + "/" + name).c_str(), 0755);
    };
    stand_in("apt-get", "echo \"$*\" >>" + folder +
                            "/apt.log\n"
                            "case \"$*\" in *update*) exit 100;; *'" +
                            refused + "'*) exit 100;; esac");
    stand_in("dpkg-query", "exit 1");
    stand_in("dpkg", "echo i386");
    stand_in("id", "echo 0");
    stand_in("sleep", "exit 0");
    const std::string command = "PATH='" + folder + "':\"$PATH\" ONDRELLA_BUILD='" + folder +
                                "' bash '" ONDRELLA_SOURCE_DIR "/scripts/install-deps.sh' " +
                                ">/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream log(folder + "/apt.log");
    SetupRun run = {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                    std::string(std::istreambuf_iterator<char>(log), {})};
    std::system(("rm -rf '" + folder + "'").c_str());
    return run;
}

TEST(SetupScript, GoesOnAfterAFailedIndexUpdateAndStopsOnlyWhenWhatItNeedsIsRefused) {
    SetupRun without_32bit_wine = run_setup("wine32");
    EXPECT_EQ(without_32bit_wine.exit_code, 0);
    EXPECT_NE(without_32bit_wine.apt_calls.find("update"), std::string::npos);
    EXPECT_NE(without_32bit_wine.apt_calls.find("install"), std::string::npos);
    EXPECT_NE(without_32bit_wine.apt_calls.find(" wine64"), std::string::npos);

    SetupRun without_cross_compiler = run_setup("mingw-w64");
    EXPECT_EQ(without_cross_compiler.exit_code, 1);
}

} // namespace
