// ondrella-smoke EXE [MARKER-DLL]: the smoke run of a release's exe, beside planted DLLs
// when a marker is given (see smoke.h).
// ondrella-smoke --installer win32|win64 MSI NEXT-MSI [OTHER-MSI]: the installer run of a
// release's package. Each ends with exit code 0 when every step passed, 1 when one failed,
// saying which.
#include <cstdio>
#include <cstring>

#include "tools/smoke/smoke.h"

int main(int argc, char** argv) {
    std::string failure;
    if (argc >= 5 && argc <= 6 && std::strcmp(argv[1], "--installer") == 0)
        failure = smoke::run_installer(argv[3], argv[4], argc == 6 ? argv[5] : nullptr,
                                       std::strcmp(argv[2], "win64") == 0);
    else if (argc == 2 || argc == 3)
        failure = smoke::run(argv[1], argc == 3 ? argv[2] : nullptr);
    else {
        std::fprintf(stderr, "usage: ondrella-smoke EXE [MARKER-DLL]\n"
                             "       ondrella-smoke --installer win32|win64 MSI NEXT-MSI "
                             "[OTHER-MSI]\n");
        return 2;
    }
    if (!failure.empty()) {
        std::printf("smoke: FAILED: %s\n", failure.c_str());
        return 1;
    }
    std::printf("smoke: passed\n");
    return 0;
}
