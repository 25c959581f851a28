// The test-control API: reset and captured streams (the other parts of the
// control API live beside the services they control).
#include "host/control/control.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "host/model.h"

namespace host::control {

void reset() { reset_all(); }

namespace {
std::string read_all(int fd) {
    std::string out;
    if (fd < 0) return out;
    lseek(fd, 0, SEEK_SET);
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    return out;
}
}  // namespace

CaptureStreams::CaptureStreams() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    for (int i = 0; i < 2; ++i) {
        char name[] = "/tmp/host-capture-XXXXXX";
        files_[i] = mkstemp(name);
        if (files_[i] < 0) continue;
        unlink(name);
        saved_[i] = dup(i + 1);
        dup2(files_[i], i + 1);
    }
    active_ = true;
}

CaptureStreams::~CaptureStreams() {
    if (active_) stop();
    for (int fd : files_)
        if (fd >= 0) close(fd);
}

void CaptureStreams::stop() {
    if (!active_) return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    for (int i = 0; i < 2; ++i) {
        if (saved_[i] >= 0) {
            dup2(saved_[i], i + 1);
            close(saved_[i]);
            saved_[i] = -1;
        }
    }
    out_ = read_all(files_[0]);
    err_ = read_all(files_[1]);
    active_ = false;
}

}  // namespace host::control
