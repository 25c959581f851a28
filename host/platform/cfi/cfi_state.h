// The file interface's state shared by its sources: open channels, the
// default directory, the headers kept for files, and path helpers.
#ifndef HOST_CFI_CFI_STATE_H
#define HOST_CFI_CFI_STATE_H

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "host/platform/cfi/cfi.h"

namespace host::cfi {

struct Channel {
    bool directory = false;
    std::FILE* file = nullptr;
    int mode = 0;
    int record_length = 0;
    int type = 0;
    std::string path;                  // full specification
    std::vector<std::string> entries;  // directory: names in order
    std::size_t next = 0;              // directory: next entry
    std::string pattern;
    int type_filter = 0;
};

// Header fields kept by the host for a file (by full specification).
struct Header {
    int header_int = 0;
    std::string text1, text2;
    std::string owner;  // set through CFI_set_file_header
};

struct State {
    std::map<int, Channel> channels;
    int next_channel = 1;
    std::string default_directory;  // empty: the process's working directory
    std::map<std::string, Header> headers;
    std::vector<std::string> request;
    bool owner_unknown = false;
    std::string version = "Dravenholt file interface V1.0";
    std::vector<std::string> arguments;  // argv[1..]
    int unique = 0;
    void reset();
};
State& st();

// The full specification of spec (relative ones from the default directory).
std::string full_path(const std::string& spec);
std::string default_directory();
// 0 or CFI_ERR_BAD_SPEC for a null, empty or over-long specification.
int check_spec(const char* spec);
// The channel, or null.
Channel* channel(int number);
// A copy as a host block.
char* host_string(const std::string& text);
// File type of a path: 1 directory, 2 part file, 5 other; 0 when it does not exist.
int file_type_of(const std::string& path);
// Code of the errno of a failed file call.
int code_of_errno(int error);

}  // namespace host::cfi

#endif
