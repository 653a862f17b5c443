// ondrella-smoke EXE [MARKER-DLL]: the smoke run of a release's exe, beside planted DLLs
// when a marker is given (see smoke.h). Ends with exit code 0 when every step passed, 1
// when one failed, saying which.
#include <cstdio>

#include "tools/smoke/smoke.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: ondrella-smoke EXE [MARKER-DLL]\n");
        return 2;
    }
    std::string failure = smoke::run(argv[1], argc == 3 ? argv[2] : nullptr);
    if (!failure.empty()) {
        std::printf("smoke: FAILED: %s\n", failure.c_str());
        return 1;
    }
    std::printf("smoke: passed\n");
    return 0;
}
