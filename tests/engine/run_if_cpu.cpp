// run_if_cpu FEATURE PROGRAM [ARGS...]: runs PROGRAM only when the processor
// has FEATURE ("avx2"); otherwise says so on standard error and exits with
// 77, which CTest reports as a skipped test. Used for test executables that
// are compiled for an instruction set the machine may lack, so that not even
// their start-up code runs there.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: run_if_cpu FEATURE PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string feature = argv[1];
    bool has = false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (feature == "avx2") has = __builtin_cpu_supports("avx2");
#endif
    if (!has) {
        std::fprintf(stderr,
                     "SKIPPED: this processor has no %s; %s was not run, so its %s code is NOT tested here\n",
                     argv[1], argv[2], argv[1]);
        return 77;
    }
    execv(argv[2], argv + 2);
    std::fprintf(stderr, "run_if_cpu: cannot run %s: %s\n", argv[2], std::strerror(errno));
    return 2;
}
