// lathra entry point (the job itself is not wired in yet).
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fputs("lathra: no arguments\n", stderr);
        return 1;
    }
    return 0;
}
