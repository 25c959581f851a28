// Channels on real files: open, block and line transfers, positions, close,
// and the operations on whole files.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>

#include "host/platform/cfi/cfi.h"
#include "host/platform/cfi/cfi_state.h"
#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace fs = std::filesystem;

namespace host::cfi {

void State::reset() {
    for (auto& [n, c] : channels)
        if (c.file) std::fclose(c.file);
    *this = State{};
}

State& st() { return service_state<State>("cfi"); }
namespace {
const bool registered = (st(), true);
}

int open_channels() { return static_cast<int>(st().channels.size()); }
std::vector<std::string> request_lines() { return st().request; }
void set_owner_unknown(bool on) { st().owner_unknown = on; }
void set_version(const std::string& text) { st().version = text; }

std::string default_directory() {
    if (!st().default_directory.empty()) return st().default_directory;
    std::error_code ec;
    return fs::current_path(ec).string();
}

std::string full_path(const std::string& spec) {
    fs::path p(spec);
    if (p.is_relative()) p = fs::path(default_directory()) / p;
    return p.lexically_normal().string();
}

int check_spec(const char* spec) {
    if (!spec || !*spec || std::strlen(spec) > CFI_MAX_SPEC) return CFI_ERR_BAD_SPEC;
    return 0;
}

Channel* channel(int number) {
    auto it = st().channels.find(number);
    return it == st().channels.end() ? nullptr : &it->second;
}

char* host_string(const std::string& text) { return SM_string_copy(text.c_str()); }

int file_type_of(const std::string& path) {
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0) return 0;
    if (S_ISDIR(s.st_mode)) return 1;
    return fs::path(path).extension() == ".prt" ? 2 : 5;
}

int code_of_errno(int error) {
    switch (error) {
        case ENOENT: return CFI_ERR_NOT_FOUND;
        case EEXIST: return CFI_ERR_EXISTS;
        case ENOTDIR: return CFI_ERR_NO_DIRECTORY;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS: return CFI_ERR_DENIED;
        case ENOSPC: return CFI_ERR_NO_SPACE;
        case ENAMETOOLONG: return CFI_ERR_BAD_SPEC;
        default: return CFI_ERR_DENIED;
    }
}

}  // namespace host::cfi

namespace {

using host::cfi::Channel;
using host::cfi::st;

constexpr int kNotOpen = -(CFI_ERR_NOT_OPEN - 1020000);
constexpr int kEnd = -(CFI_ERR_END_OF_FILE - 1020000);
constexpr int kNoSpace = -(CFI_ERR_NO_SPACE - 1020000);
constexpr int kWrong = -(CFI_ERR_WRONG_CHANNEL - 1020000);
constexpr int kBadArgument = -(CFI_ERR_BAD_SPEC - 1020000);

int open_channel(const char* spec, int mode, int record_length, int type, int* channel) {
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    const char* how = mode == 1 ? "rb" : mode == 2 ? "wb" : mode == 3 ? "r+b" : nullptr;
    if (!how) return CFI_ERR_BAD_SPEC;
    if (host::cfi::file_type_of(path) == 1) return CFI_ERR_DENIED;
    std::FILE* f = std::fopen(path.c_str(), how);
    if (!f) return host::cfi::code_of_errno(errno);
    Channel c;
    c.file = f;
    c.mode = mode;
    c.record_length = record_length;
    c.type = type;
    c.path = path;
    const int n = st().next_channel++;
    st().channels.emplace(n, std::move(c));
    *channel = n;
    return 0;
}

// The open file channel of the number, or null with *status set.
Channel* file_channel(const int* number, int* status) {
    Channel* c = host::cfi::channel(*number);
    if (!c) {
        *status = kNotOpen;
        return nullptr;
    }
    if (c->directory) {
        *status = kWrong;
        return nullptr;
    }
    *status = 0;
    return c;
}

// Refuses null arguments in order (the channel, the others as named, the
// status) and answers the open file channel, or null with *status set.
Channel* need_file_channel(const host::Call& call, int* channel,
                           std::initializer_list<std::pair<const void*, const char*>> others, int* status) {
    call.need(channel, "the channel");
    for (const auto& [pointer, what] : others) call.need(pointer, what);
    call.need(status, "the status");
    return file_channel(channel, status);
}

// A status the test script holds for the call replaces the one computed.
void take_scripted_status(const host::Call& call, int* status) {
    int scripted;
    if (call.status(scripted)) *status = scripted;
}

void read_block(const host::Call& call, int* channel, int* count, void* buffer, int* status, std::size_t size) {
    Channel* c = need_file_channel(call, channel, {{count, "the count"}}, status);
    if (!c || *count <= 0) return;
    call.need(buffer, "the buffer");
    const std::size_t want = static_cast<std::size_t>(*count);
    const std::size_t got = std::fread(buffer, size, want, c->file);
    if (got < want) *status = kEnd;
}

void write_block(const host::Call& call, int* channel, int* count, const void* buffer, int* status, std::size_t size) {
    Channel* c = need_file_channel(call, channel, {{count, "the count"}}, status);
    if (!c || *count <= 0) return;
    call.need(buffer, "the buffer");
    if (c->mode == 1) {
        *status = -(CFI_ERR_DENIED - 1020000);
        return;
    }
    const std::size_t want = static_cast<std::size_t>(*count);
    if (std::fwrite(buffer, size, want, c->file) < want) *status = kNoSpace;
}

void skip(const host::Call& call, int* channel, int* count, int* status, long size) {
    Channel* c = need_file_channel(call, channel, {{count, "the count"}}, status);
    if (!c) return;
    if (std::fseek(c->file, static_cast<long>(*count) * size, SEEK_CUR) != 0) *status = kEnd;
}

long file_size(Channel& c) {
    std::fflush(c.file);
    struct stat s {};
    return ::fstat(fileno(c.file), &s) == 0 ? static_cast<long>(s.st_size) : 0;
}

int clamp_int(long v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }

}  // namespace

extern "C" {

int CFI_open_file(const char* spec, int a2, int a3, int mode, int* channel) {
    auto call = HOST_ENTRY_TEXT(spec, a2, a3, mode);
    call.need(channel, "the channel output");
    int status;
    if (call.status(status)) return status;
    return open_channel(spec, mode, a3, a2, channel);
}

int CFI_open_record_file(const char* spec, int mode, int record_length, int type, int* channel) {
    auto call = HOST_ENTRY_TEXT(spec, mode, record_length, type);
    call.need(channel, "the channel output");
    int status;
    if (call.status(status)) return status;
    return open_channel(spec, mode, record_length, type, channel);
}

#define KX_READ(name, size)                                                         \
    void name(int* channel, int* count, void* buffer, int* status) {                \
        auto call = HOST_ENTRY(channel ? *channel : 0, count ? *count : 0, buffer); \
        read_block(call, channel, count, buffer, status, size);                     \
        take_scripted_status(call, status);                                         \
    }
#define KX_WRITE(name, size)                                                        \
    void name(int* channel, int* count, const void* buffer, int* status) {          \
        auto call = HOST_ENTRY(channel ? *channel : 0, count ? *count : 0, buffer); \
        write_block(call, channel, count, buffer, status, size);                    \
        take_scripted_status(call, status);                                         \
    }
#define KX_SKIP(name, size)                                                 \
    void name(int* channel, int* count, int* status) {                      \
        auto call = HOST_ENTRY(channel ? *channel : 0, count ? *count : 0); \
        skip(call, channel, count, status, size);                           \
        take_scripted_status(call, status);                                 \
    }
KX_READ(fm1100_, 1)
KX_READ(fm1101_, 4)
KX_READ(fm1102_, 8)
KX_READ(fm1103_, 1)
KX_WRITE(fm1200_, 1)
KX_WRITE(fm1201_, 4)
KX_WRITE(fm1202_, 8)
KX_WRITE(fm1203_, 1)
KX_SKIP(fm1300_, 1)
KX_SKIP(fm1301_, 4)
KX_SKIP(fm1302_, 8)
KX_SKIP(fm1303_, 1)
#undef KX_READ
#undef KX_WRITE
#undef KX_SKIP

int CFI_read_line(int channel, char** line) {
    auto call = HOST_ENTRY(channel, line);
    call.need(line, "the line output");
    *line = nullptr;
    int status;
    if (call.status(status)) return status;
    Channel* c = host::cfi::channel(channel);
    if (!c) return CFI_ERR_NOT_OPEN;
    if (c->directory) return CFI_ERR_WRONG_CHANNEL;
    std::string text;
    int ch;
    bool any = false;
    while ((ch = std::fgetc(c->file)) != EOF) {
        any = true;
        if (ch == '\n') break;
        text.push_back(static_cast<char>(ch));
    }
    if (!any) return CFI_ERR_END_OF_FILE;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    *line = host::cfi::host_string(text);
    return 0;
}

int CFI_write_line(int channel, const char* text) {
    auto call = HOST_ENTRY_TEXT(text, channel);
    call.need(text, "the text");
    int status;
    if (call.status(status)) return status;
    Channel* c = host::cfi::channel(channel);
    if (!c) return CFI_ERR_NOT_OPEN;
    if (c->directory) return CFI_ERR_WRONG_CHANNEL;
    if (c->mode == 1) return CFI_ERR_DENIED;
    if (std::fputs(text, c->file) < 0 || std::fputc('\n', c->file) == EOF) return CFI_ERR_NO_SPACE;
    return 0;
}

void fm1120_(int* channel, int* offset, int* origin, int a4, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, offset ? *offset : 0, origin ? *origin : 0, a4);
    Channel* c = need_file_channel(call, channel, {{offset, "the offset"}, {origin, "the origin"}}, status);
    if (c) {
        const int whence = *origin == 0 ? SEEK_SET : *origin == 1 ? SEEK_CUR : *origin == 2 ? SEEK_END : -1;
        if (whence < 0) *status = kBadArgument;
        else if (std::fseek(c->file, *offset, whence) != 0) *status = kEnd;
    }
    take_scripted_status(call, status);
}

void fm1130_(int* channel, int* value, int record_bytes, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, value ? *value : 0, record_bytes);
    Channel* c = need_file_channel(call, channel, {{value, "the value"}}, status);
    if (c) {
        const long unit = record_bytes < 1 ? 1 : record_bytes;
        if (*value >= 0 && std::fseek(c->file, *value * unit, SEEK_SET) != 0) {
            *status = kEnd;
        } else {
            *value = clamp_int(std::ftell(c->file) / unit);
            *status = *value;
        }
    }
    take_scripted_status(call, status);
}

void fm1211_(int* channel, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0);
    if (Channel* c = need_file_channel(call, channel, {}, status); c && std::fflush(c->file) != 0) *status = kNoSpace;
    take_scripted_status(call, status);
}

void fm1221_(int* channel, int* length, int* unit, int a4, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, length ? *length : 0, unit ? *unit : 0, a4);
    Channel* c = need_file_channel(call, channel, {{length, "the length"}, {unit, "the unit"}}, status);
    if (c) {
        const long size = static_cast<long>(*length) * (*unit < 1 ? 1 : *unit);
        std::fflush(c->file);
        if (c->mode == 1 || size < 0 || ::ftruncate(fileno(c->file), size) != 0) *status = -(CFI_ERR_DENIED - 1020000);
    }
    take_scripted_status(call, status);
}

void fm1230_(int* channel, int* count, int fill, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, count ? *count : 0, fill);
    Channel* c = need_file_channel(call, channel, {{count, "the count"}}, status);
    if (c && c->mode == 1) *status = -(CFI_ERR_DENIED - 1020000);
    else if (c)
        for (int i = 0; i < *count && *status == 0; ++i)
            if (std::fputc(fill, c->file) == EOF) *status = kNoSpace;
    take_scripted_status(call, status);
}

void fm1310a_(int* channel, int* position, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0);
    Channel* c = need_file_channel(call, channel, {{position, "the position output"}}, status);
    *position = c ? clamp_int(std::ftell(c->file)) : 0;
    take_scripted_status(call, status);
}

void fm1311a_(int* channel, int* position, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, position ? *position : 0);
    if (Channel* c = need_file_channel(call, channel, {{position, "the position"}}, status);
        c && (*position < 0 || std::fseek(c->file, *position, SEEK_SET) != 0))
        *status = kEnd;
    take_scripted_status(call, status);
}

void fm1320_(int* channel, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0);
    if (Channel* c = need_file_channel(call, channel, {}, status)) std::rewind(c->file);
    take_scripted_status(call, status);
}

void fm1400_(int* channel, int* mode, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, mode ? *mode : 0);
    call.need(channel, "the channel");
    call.need(mode, "the close mode");
    call.need(status, "the status");
    *status = 0;
    auto it = st().channels.find(*channel);
    if (it == st().channels.end()) {
        *status = kNotOpen;
    } else {
        Channel& c = it->second;
        if (c.file && std::fclose(c.file) != 0) *status = kNoSpace;
        if (!c.directory && *mode == 1) ::unlink(c.path.c_str());
        st().channels.erase(it);
    }
    take_scripted_status(call, status);
}

void fm1440_(int* channel, int* item, int* value, int* status) {
    auto call = HOST_ENTRY(channel ? *channel : 0, item ? *item : 0);
    call.need(channel, "the channel");
    call.need(item, "the item");
    call.need(value, "the value output");
    call.need(status, "the status");
    *value = 0;
    *status = 0;
    Channel* c = host::cfi::channel(*channel);
    if (!c) {
        *status = kNotOpen;
    } else if (*item == 6) {
        *value = c->directory ? 2 : 1;
    } else if (c->directory) {
        *status = kWrong;
    } else {
        switch (*item) {
            case 1: *value = c->mode; break;
            case 2: *value = clamp_int(file_size(*c)); break;
            case 5: *value = c->record_length; break;
            case 7: *value = clamp_int(std::ftell(c->file)); break;
            case 8: *value = std::ftell(c->file) >= file_size(*c) ? 1 : 0; break;
            case 9: *value = c->type != 0 ? c->type : host::cfi::file_type_of(c->path); break;
            default: *status = kBadArgument;
        }
    }
    take_scripted_status(call, status);
}

void fm1500_(const CMSG_t* name, int* access, int* status) {
    auto call = HOST_ENTRY(name, access ? *access : 0);
    call.need(name, "the name");
    call.need(access, "the access");
    call.need(status, "the status");
    char text[CMSG_MAX_CHARS + 1];
    CMSG_convert_cmsg_to_c(name, CMSG_MAX_CHARS, text, sizeof text);
    const std::string path = host::cfi::full_path(text);
    const int how = *access == 1 ? R_OK : *access == 2 ? W_OK : F_OK;
    if (::access(path.c_str(), F_OK) != 0) *status = -(CFI_ERR_NOT_FOUND - 1020000);
    else *status = ::access(path.c_str(), how) == 0 ? 0 : -(CFI_ERR_DENIED - 1020000);
    take_scripted_status(call, status);
}

int CFI_delete_file(const char* spec, int mode) {
    auto call = HOST_ENTRY_TEXT(spec, mode);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    const int type = host::cfi::file_type_of(path);
    if (type == 0) return CFI_ERR_NOT_FOUND;
    if (type == 1 && mode != 1) return CFI_ERR_DENIED;
    if (std::remove(path.c_str()) != 0) return host::cfi::code_of_errno(errno);
    st().headers.erase(path);
    return 0;
}

int CFI_rename_file(const char* from, const char* to, int replace) {
    auto call = HOST_ENTRY_TEXT(from, to, replace);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(from)) return c;
    if (int c = host::cfi::check_spec(to)) return c;
    const std::string a = host::cfi::full_path(from), b = host::cfi::full_path(to);
    if (host::cfi::file_type_of(a) == 0) return CFI_ERR_NOT_FOUND;
    if (replace != 1 && host::cfi::file_type_of(b) != 0) return CFI_ERR_EXISTS;
    if (std::rename(a.c_str(), b.c_str()) != 0) return host::cfi::code_of_errno(errno);
    if (auto h = st().headers.extract(a)) {
        h.key() = b;
        st().headers.insert_or_assign(b, h.mapped());
    }
    return 0;
}

int CFI_create_directory(const char* spec) {
    auto call = HOST_ENTRY_TEXT(spec);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    if (::mkdir(path.c_str(), 0777) != 0) return host::cfi::code_of_errno(errno);
    return 0;
}

int CFI_get_default_directory(int kind, char** directory) {
    auto call = HOST_ENTRY(kind, directory);
    call.need(directory, "the directory output");
    *directory = nullptr;
    int status;
    if (call.status(status)) {
        if (call.outputs() > 0) *directory = host::cfi::host_string(call.text_out(0, ""));
        return status;
    }
    *directory = host::cfi::host_string(host::cfi::default_directory());
    return 0;
}

int CFI_set_default_directory(const char* spec, int must_exist) {
    auto call = HOST_ENTRY_TEXT(spec, must_exist);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    const int type = host::cfi::file_type_of(path);
    if (type != 1 && (must_exist == 1 || type != 0)) return CFI_ERR_NO_DIRECTORY;
    st().default_directory = path;
    return 0;
}

int CFI_add_extension(const char* name, int type, char** spec) {
    auto call = HOST_ENTRY_TEXT(name, type, spec);
    call.need(spec, "the file specification output");
    *spec = nullptr;
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(name)) return c;
    std::string out = name;
    if (type == 2 && !fs::path(out).has_extension()) out += ".prt";
    if (out.size() > CFI_MAX_SPEC) return CFI_ERR_BAD_SPEC;
    *spec = host::cfi::host_string(out);
    return 0;
}

int CFI_copy_file(const char* from, const char* to, int replace, int a4, int type, int* second) {
    auto call = HOST_ENTRY_TEXT(from, to, replace, a4, type);
    call.need(second, "the second code");
    *second = 0;
    int status;
    if (call.status(status)) {
        *second = static_cast<int>(call.int_out(0, 0));
        return status;
    }
    if (int c = host::cfi::check_spec(from)) return c;
    if (int c = host::cfi::check_spec(to)) return c;
    const std::string a = host::cfi::full_path(from), b = host::cfi::full_path(to);
    const int t = host::cfi::file_type_of(a);
    if (t == 0) return CFI_ERR_NOT_FOUND;
    if (t == 1) return CFI_ERR_DENIED;
    if (replace != 1 && host::cfi::file_type_of(b) != 0) return CFI_ERR_EXISTS;
    std::error_code ec;
    fs::copy_file(a, b, fs::copy_options::overwrite_existing, ec);
    if (ec) return host::cfi::code_of_errno(ec.value());
    if (auto it = st().headers.find(a); it != st().headers.end()) st().headers[b] = it->second;
    return 0;
}

int CFI_get_file_type(const char* spec, int* type) {
    auto call = HOST_ENTRY_TEXT(spec, type);
    call.need(type, "the type output");
    *type = 0;
    int status = 0;
    if (call.outputs() > 0 || call.status(status)) {
        *type = static_cast<int>(call.int_out(0, 0));
        call.status(status);
        return status;
    }
    if (int c = host::cfi::check_spec(spec)) return c;
    *type = host::cfi::file_type_of(host::cfi::full_path(spec));
    return *type == 0 ? CFI_ERR_NOT_FOUND : 0;
}

int CMSG_convert_c_to_cmsg(const char* text, void* cmsg, int capacity) {
    auto call = HOST_ENTRY_TEXT(text, capacity);
    call.need(cmsg, "the counted text");
    int status;
    if (call.status(status)) return status;
    if (!text) return CFI_ERR_BAD_SPEC;
    const std::size_t n = std::strlen(text);
    if (capacity < 0 || n > static_cast<std::size_t>(capacity)) return CFI_ERR_TOO_LONG;
    auto* length = static_cast<int*>(cmsg);
    *length = static_cast<int>(n);
    std::memcpy(static_cast<char*>(cmsg) + sizeof(int), text, n);
    return 0;
}

int CMSG_convert_cmsg_to_c(const void* cmsg, int capacity, char* text, int size) {
    auto call = HOST_ENTRY(cmsg, capacity, size);
    call.need(cmsg, "the counted text");
    call.need(text, "the text");
    if (size < 1) call.fail(HOST_ERR_BAD_ARGUMENT, "a buffer of %d bytes", size);
    int status;
    if (call.status(status)) return status;
    int n = *static_cast<const int*>(cmsg);
    if (n < 0) n = 0;
    if (n > capacity) n = capacity;
    int code = 0;
    if (n > size - 1) {
        n = size - 1;
        code = CFI_ERR_TOO_LONG;
    }
    std::memcpy(text, static_cast<const char*>(cmsg) + sizeof(int), static_cast<std::size_t>(n));
    text[n] = '\0';
    return code;
}

}  // extern "C"
