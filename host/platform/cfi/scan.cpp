// Directory channels, the file header record, owners and the system query.
#include <fnmatch.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <string>

#include "host/platform/cfi/cfi.h"
#include "host/platform/cfi/cfi_state.h"
#include "host/base/hook.h"
#include "host/base/services/memory.h"

namespace {

using host::cfi::Channel;
using host::cfi::Header;
using host::cfi::st;

constexpr int kSecondsPerDay = 86400;
constexpr int kHeaderFields = CFI_HEADER_OWNER | CFI_HEADER_INT | CFI_HEADER_TEXT1 | CFI_HEADER_TEXT2;

void put_text(int* length, char* chars, int capacity, const std::string& text) {
    const int n = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(capacity)));
    std::memcpy(chars, text.data(), static_cast<std::size_t>(n));
    *length = n;
}

std::string get_text(int length, const char* chars, int capacity) {
    return std::string(chars, static_cast<std::size_t>(std::clamp(length, 0, capacity)));
}

// The owner's name of a path, or empty when it has none.
std::string owner_of(const std::string& path) {
    if (auto it = st().headers.find(path); it != st().headers.end() && !it->second.owner.empty())
        return it->second.owner;
    struct stat s {};
    if (st().owner_unknown || ::stat(path.c_str(), &s) != 0) return {};
    const passwd* pw = ::getpwuid(s.st_uid);
    return pw && pw->pw_name ? pw->pw_name : std::string{};
}

// Fills the record's values from the file (not h_nam, not the header fields).
int fill_values(const std::string& path, CFI_header_record_t* r) {
    struct stat s {};
    if (::stat(path.c_str(), &s) != 0) return CFI_ERR_NOT_FOUND;
    r->size = s.st_size > 0x7fffffff ? 0x7fffffff : static_cast<int>(s.st_size);
    r->host_flags = S_ISDIR(s.st_mode) ? 1 : 0;
    const long long t = static_cast<long long>(s.st_mtime);
    r->mod_day = static_cast<int>(t / kSecondsPerDay);
    r->mod_second = static_cast<int>(t % kSecondsPerDay);
    r->times[0] = static_cast<double>(s.st_atime);
    r->times[1] = static_cast<double>(s.st_mtime);
    r->times[2] = static_cast<double>(s.st_ctime);
    r->owner_word = static_cast<int>(s.st_uid);
    return 0;
}

void fill_fields(const std::string& path, int mask, CFI_header_record_t* r) {
    const auto it = st().headers.find(path);
    const Header h = it == st().headers.end() ? Header{} : it->second;
    if (mask & CFI_HEADER_OWNER) {
        const std::string o = owner_of(path);
        put_text(&r->owner.length, r->owner.text, 15, o);
        r->owner.text[r->owner.length] = '\0';
    }
    if (mask & CFI_HEADER_INT) r->header_int = h.header_int;
    if (mask & CFI_HEADER_TEXT1) put_text(&r->text1.length, r->text1.text, 132, h.text1);
    if (mask & CFI_HEADER_TEXT2) put_text(&r->text2.length, r->text2.text, 132, h.text2);
}

void store_fields(const std::string& path, int mask, const CFI_header_record_t* r) {
    Header& h = st().headers[path];
    if (mask & CFI_HEADER_OWNER) h.owner = get_text(r->owner.length, r->owner.text, 15);
    if (mask & CFI_HEADER_INT) h.header_int = r->header_int;
    if (mask & CFI_HEADER_TEXT1) h.text1 = get_text(r->text1.length, r->text1.text, 132);
    if (mask & CFI_HEADER_TEXT2) h.text2 = get_text(r->text2.length, r->text2.text, 132);
}

std::string entry_path(const Channel& c, const CFI_header_record_t* r) {
    return c.path + "/" + (r && r->h_nam ? r->h_nam : "");
}

int open_directory(const std::string& path, const std::string& pattern, int type, int* channel) {
    DIR* d = ::opendir(path.c_str());
    if (!d) return host::cfi::file_type_of(path) == 0 ? CFI_ERR_NO_DIRECTORY : CFI_ERR_DENIED;
    Channel c;
    c.directory = true;
    c.path = path;
    c.pattern = pattern;
    c.type_filter = type;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!pattern.empty() && ::fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
        if (type != 0 && host::cfi::file_type_of(path + "/" + name) != type) continue;
        c.entries.push_back(name);
    }
    ::closedir(d);
    std::sort(c.entries.begin(), c.entries.end());
    const int n = st().next_channel++;
    st().channels.emplace(n, std::move(c));
    *channel = n;
    return 0;
}

}  // namespace

extern "C" {

int CFI_open_directory(const char* spec, const char* pattern, int type, int* channel) {
    auto call = HOST_ENTRY_TEXT(spec, pattern, type, channel);
    call.need(channel, "the channel output");
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    return open_directory(host::cfi::full_path(spec), pattern ? pattern : "", type, channel);
}

int CFI_read_next_directory_entry(int channel, CFI_part_header_reader_t reader, CFI_header_record_t* record) {
    auto call = HOST_ENTRY(channel, reader, record);
    call.need(record, "the header record");
    int status;
    if (call.status(status)) return status;
    Channel* c = host::cfi::channel(channel);
    if (!c) return CFI_ERR_NOT_OPEN;
    if (!c->directory) return CFI_ERR_WRONG_CHANNEL;
    if (c->next >= c->entries.size()) return CFI_ERR_END_OF_FILE;
    const std::string name = c->entries[c->next++];
    SM_free(record->h_nam);
    record->h_nam = host::cfi::host_string(name);
    const std::string path = c->path + "/" + name;
    if (fill_values(path, record) != 0) return CFI_ERR_NO_HEADER;  // gone since the open
    if (host::cfi::file_type_of(path) == 2 && reader)
        return reader(path.c_str(), CFI_HEADER_INT | CFI_HEADER_TEXT1 | CFI_HEADER_TEXT2, record) == 0
                   ? 0
                   : CFI_ERR_NO_HEADER;
    return 0;
}

void fm1061(int channel, CFI_header_record_t* record, int* status) {
    auto call = HOST_ENTRY(channel, record);
    call.need(record, "the header record");
    call.need(status, "the status");
    if (call.status(*status)) return;
    Channel* c = host::cfi::channel(channel);
    if (!c || !c->directory) {
        *status = -(CFI_ERR_NOT_OPEN - 1020000);
        return;
    }
    if (!record->h_nam) {
        *status = -(CFI_ERR_NO_DIRECTORY - 1020000);
        return;
    }
    const std::string path = entry_path(*c, record);
    if (host::cfi::file_type_of(path) != 1) {
        *status = -(CFI_ERR_NO_DIRECTORY - 1020000);
        return;
    }
    int opened = 0;
    const int code = open_directory(path, c->pattern, c->type_filter, &opened);
    *status = code != 0 ? 1020000 - code : opened;
}

void fm1161(int channel, const CFI_header_record_t* record, CMSG_t* spec, int* status) {
    auto call = HOST_ENTRY(channel, record, spec);
    call.need(record, "the header record");
    call.need(spec, "the file specification output");
    call.need(status, "the status");
    spec->length = 0;
    if (call.status(*status)) return;
    Channel* c = host::cfi::channel(channel);
    if (!c || !c->directory) {
        *status = -(CFI_ERR_NOT_OPEN - 1020000);
        return;
    }
    const std::string path = call.text_out(0, (record->h_nam ? entry_path(*c, record) : c->path).c_str());
    const int code = CMSG_convert_c_to_cmsg(path.c_str(), spec, CMSG_MAX_CHARS);
    *status = code != 0 ? 1020000 - code : 0;
}

int CFI_get_file_header(const char* spec, int type, int mask, CFI_header_record_t* record) {
    auto call = HOST_ENTRY_TEXT(spec, type, mask, record);
    call.need(record, "the header record");
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    if (int c = fill_values(path, record)) return c;
    SM_free(record->h_nam);
    record->h_nam = host::cfi::host_string(std::filesystem::path(path).filename().string());
    fill_fields(path, mask, record);
    return 0;
}

int CFI_set_file_header(const char* spec, int type, int mask, const CFI_header_record_t* record) {
    auto call = HOST_ENTRY_TEXT(spec, type, mask, record);
    call.need(record, "the header record");
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    if (host::cfi::file_type_of(path) == 0) return CFI_ERR_NOT_FOUND;
    store_fields(path, mask, record);
    return 0;
}

int PFEDIT_get_part_file_header(const char* spec, int mask, CFI_header_record_t* record) {
    auto call = HOST_ENTRY_TEXT(spec, mask, record);
    call.need(record, "the header record");
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    const int type = host::cfi::file_type_of(path);
    if (type == 0) return CFI_ERR_NOT_FOUND;
    if (type != 2) return CFI_ERR_NOT_PART_FILE;
    if (int c = fill_values(path, record)) return c;
    if (!record->h_nam) record->h_nam = host::cfi::host_string(std::filesystem::path(path).filename().string());
    fill_fields(path, mask, record);
    return 0;
}

int PFEDIT_set_part_file_header(const char* spec, int mask, const CFI_header_record_t* record) {
    auto call = HOST_ENTRY_TEXT(spec, mask, record);
    call.need(record, "the header record");
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const std::string path = host::cfi::full_path(spec);
    const int type = host::cfi::file_type_of(path);
    if (type == 0) return CFI_ERR_NOT_FOUND;
    if (type == 1) return CFI_ERR_NOT_PART_FILE;
    store_fields(path, mask, record);
    return 0;
}

char* CFI_ask_owner_name(const char* spec) {
    auto call = HOST_ENTRY_TEXT(spec);
    if (call.outputs() > 0) return host::cfi::host_string(call.text_out(0, ""));
    if (host::cfi::check_spec(spec) != 0) return nullptr;
    const std::string owner = owner_of(host::cfi::full_path(spec));
    return owner.empty() ? nullptr : host::cfi::host_string(owner);
}

void fm1920_(int* item, void* value, int* status) {
    auto call = HOST_ENTRY(item ? *item : 0, value);
    call.need(item, "the item");
    call.need(value, "the value output");
    call.need(status, "the status");
    *status = 0;
    switch (*item) {
        case 12: {
            char node[256] = {};
            ::gethostname(node, sizeof node - 1);
            *status = CMSG_convert_c_to_cmsg(node, value, CMSG_MAX_CHARS) == 0 ? 0 : -(CFI_ERR_TOO_LONG - 1020000);
            break;
        }
        case 14: *static_cast<int*>(value) = static_cast<int>(call.int_out(0, kHeaderFields)); break;
        case 21: *static_cast<int*>(value) = CFI_MAX_SPEC; break;
        default: *status = -(CFI_ERR_BAD_SPEC - 1020000);
    }
    int scripted;
    if (call.status(scripted)) *status = scripted;
}

}  // extern "C"
