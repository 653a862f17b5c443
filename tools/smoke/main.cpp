// ondrella-smoke EXE: the smoke run of a release's exe (see smoke.h). Ends with exit code 0
// when every step passed, 1 when one failed, saying which.
#include <cstdio>

#include "tools/smoke/smoke.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ondrella-smoke EXE\n");
        return 2;
    }
    std::string failure = smoke::run(argv[1]);
    if (!failure.empty()) {
        std::printf("smoke: FAILED: %s\n", failure.c_str());
        return 1;
    }
    std::printf("smoke: passed\n");
    return 0;
}
