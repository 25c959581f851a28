// The kernel tests' own main: the kernel library chooses its memory manager
// from MMGT_OPT when it first allocates, before any test code runs. The
// plain allocator (0) is the one the sanitizers can see into, so a run
// whose environment says otherwise starts itself again with 0.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const char* opt = getenv("MMGT_OPT");
    if (!opt || strcmp(opt, "0") != 0) {
        setenv("MMGT_OPT", "0", 1);
        execv("/proc/self/exe", argv);
        return 127;  // could not start again
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
