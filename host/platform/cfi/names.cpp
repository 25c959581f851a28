// File names, system codes, program arguments, the clock and the directory
// request.
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <dirent.h>
#include <filesystem>
#include <string>

#include "host/platform/cfi/cfi.h"
#include "host/platform/cfi/cfi_state.h"
#include "host/base/hook.h"
#include "host/numeric/acom.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"

namespace fs = std::filesystem;

namespace {

using host::cfi::st;

constexpr int kSecondsPerDay = 86400;
constexpr int kSystemCodes = 129;

// Answers a string through *out: 0, or the scripted status (with the
// scripted text, when there is one).
template <class F>
int answer(const host::Call& call, char** out, F&& make) {
    call.need(out, "the output");
    *out = nullptr;
    int status;
    if (call.status(status)) {
        if (call.outputs() > 0) *out = host::cfi::host_string(call.text_out(0, ""));
        return status;
    }
    std::string text;
    if (int c = make(text)) return c;
    *out = host::cfi::host_string(text);
    return 0;
}

bool iequal_prefix(const std::string& given, const std::string& name, std::size_t min) {
    if (given.size() < min || given.size() > name.size() || given.empty()) return false;
    for (std::size_t i = 0; i < given.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(given[i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1 January 1970 of a civil date, and back.
long days_from_civil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}
void civil_from_days(long z, long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool is_leap(long y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool parse_date(const char* text, long& days) {
    int d = 0, y = 0, used = 0;
    char mon[4] = {};
    if (std::sscanf(text, "%2d-%3[A-Za-z]-%4d%n", &d, mon, &y, &used) != 3 || text[used] != '\0') return false;
    int m = -1;
    for (int i = 0; i < 12; ++i)
        if (::strcasecmp(mon, kMonths[i]) == 0) m = i + 1;
    static const int kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || y < 1 || d < 1 || d > kLength[m - 1] + (m == 2 && is_leap(y) ? 1 : 0)) return false;
    days = days_from_civil(y, static_cast<unsigned>(m), static_cast<unsigned>(d));
    return true;
}

bool parse_time(const char* text, int& seconds) {
    int h = 0, m = 0, s = 0, used = 0;
    if (std::sscanf(text, "%2d:%2d:%2d%n", &h, &m, &s, &used) == 3 && text[used] == '\0') {
    } else if (used = 0, s = 0; std::sscanf(text, "%2d:%2d%n", &h, &m, &used) == 2 && text[used] == '\0') {
    } else {
        return false;
    }
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    seconds = h * 3600 + m * 60 + s;
    return true;
}

std::string cmsg_text(const CMSG_t& c) {
    return std::string(c.text, static_cast<std::size_t>(std::clamp(c.length, 0, CMSG_MAX_CHARS)));
}

}  // namespace

extern "C" {

int CFI_validate_file_specification(const char* spec, int must_exist) {
    auto call = HOST_ENTRY_TEXT(spec, must_exist);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const int type = host::cfi::file_type_of(host::cfi::full_path(spec));
    if (must_exist == 1 && type == 0) return CFI_ERR_NOT_FOUND;
    return type == 1 ? CFI_ERR_BAD_SPEC : 0;
}

int CFI_validate_directory_specification(const char* spec, int must_exist) {
    auto call = HOST_ENTRY_TEXT(spec, must_exist);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const int type = host::cfi::file_type_of(host::cfi::full_path(spec));
    if (type == 0) return must_exist == 1 ? CFI_ERR_NO_DIRECTORY : 0;
    return type == 1 ? 0 : CFI_ERR_NO_DIRECTORY;
}

int CFI_validate_wildcard_specification(const char* spec, int a2) {
    auto call = HOST_ENTRY_TEXT(spec, a2);
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    // An unclosed bracket is no pattern.
    const char* open = std::strchr(spec, '[');
    return open && !std::strchr(open, ']') ? CFI_ERR_BAD_SPEC : 0;
}

void fm1820_(const CMSG_t* name, int* mode, CMSG_t* spec, int* status) {
    auto call = HOST_ENTRY(name, mode ? *mode : 0, spec);
    call.need(name, "the name");
    call.need(mode, "the mode");
    call.need(spec, "the file specification output");
    call.need(status, "the status");
    spec->length = 0;
    if (call.status(*status)) return;
    const std::string text = cmsg_text(*name);
    if (text.empty()) {
        *status = -(CFI_ERR_BAD_SPEC - 1020000);
        return;
    }
    std::string full = host::cfi::full_path(text);
    if (*mode == 1) {
        std::error_code ec;
        const fs::path real = fs::weakly_canonical(full, ec);
        if (!ec) full = real.string();
    }
    const int code = CMSG_convert_c_to_cmsg(full.c_str(), spec, CMSG_MAX_CHARS);
    *status = code != 0 ? 1020000 - code : 0;
}

int CFI_get_simple_name(const char* spec, int without_extension, char** name) {
    auto call = HOST_ENTRY_TEXT(spec, without_extension, name);
    return answer(call, name, [&](std::string& out) {
        if (int c = host::cfi::check_spec(spec)) return c;
        const fs::path p(spec);
        out = (without_extension == 1 ? p.stem() : p.filename()).string();
        return out.empty() ? CFI_ERR_BAD_SPEC : 0;
    });
}

int CFI_merge_filespec(const char* directory, const char* name, int type, char** spec) {
    auto call = HOST_ENTRY_TEXT(name, directory, type, spec);
    return answer(call, spec, [&](std::string& out) {
        if (int c = host::cfi::check_spec(name)) return c;
        fs::path p(name);
        if (directory && *directory && p.is_relative()) p = fs::path(directory) / p;
        out = p.string();
        if (type == 2 && !p.has_extension()) out += ".prt";
        return out.size() > CFI_MAX_SPEC ? CFI_ERR_BAD_SPEC : 0;
    });
}

int CFI_split_filespec(const char* spec, int a2, char** directory, char** name) {
    auto call = HOST_ENTRY_TEXT(spec, a2, directory, name);
    call.need(directory, "the directory output");
    call.need(name, "the name output");
    *directory = *name = nullptr;
    int status;
    if (call.status(status)) return status;
    if (int c = host::cfi::check_spec(spec)) return c;
    const fs::path p(spec);
    if (p.filename().empty()) return CFI_ERR_BAD_SPEC;
    *directory = host::cfi::host_string(p.parent_path().string());
    *name = host::cfi::host_string(p.filename().string());
    return 0;
}

int CFI_create_unique_filename(char** name) {
    auto call = HOST_ENTRY(name);
    return answer(call, name, [&](std::string& out) {
        const std::string dir = host::cfi::default_directory();
        do {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "kx%ld_%d.tmp", static_cast<long>(::getpid()), ++st().unique);
            out = buffer;
        } while (host::cfi::file_type_of(dir + "/" + out) != 0);
        return 0;
    });
}

int CFI_remove_extension(const char* spec, int a2, char** result) {
    auto call = HOST_ENTRY_TEXT(spec, a2, result);
    return answer(call, result, [&](std::string& out) {
        if (int c = host::cfi::check_spec(spec)) return c;
        fs::path p(spec);
        if (!p.has_extension()) return CFI_ERR_BAD_SPEC;
        out = p.replace_extension().string();
        return 0;
    });
}

int CFI_form_global_filespec(const char* spec, int a2, char** result) {
    auto call = HOST_ENTRY_TEXT(spec, a2, result);
    return answer(call, result, [&](std::string& out) {
        if (int c = host::cfi::check_spec(spec)) return c;
        char node[256] = {};
        ::gethostname(node, sizeof node - 1);
        out = std::string(node) + ":" + host::cfi::full_path(spec);
        return 0;
    });
}

void fm1870_(int* index, char code[8]) {
    auto call = HOST_ENTRY(index ? *index : 0, code);
    call.need(index, "the index");
    call.need(code, "the code output");
    // Index 0 is the system's own product; the others are free.
    const char* text = *index == 0 ? "JQ      " : "        ";
    const char* answer = call.text_out(0, text);
    const std::size_t n = std::min<std::size_t>(std::strlen(answer), 8);
    std::memset(code, ' ', 8);
    std::memcpy(code, answer, n);
}

void fm1871_(int* index, int* result) {
    auto call = HOST_ENTRY(index ? *index : 0, result);
    call.need(index, "the index");
    call.need(result, "the result");
    *result = static_cast<int>(call.int_out(0, *index >= 0 && *index < kSystemCodes ? (*index == 0 ? 1 : 0) : -1));
}

void nat004_(CFI_version_t* version) {
    auto call = HOST_ENTRY(version);
    call.need(version, "the version output");
    const std::string& v = st().version;
    version->length = static_cast<int>(std::min<std::size_t>(v.size(), sizeof version->text));
    std::memcpy(version->text, v.data(), static_cast<std::size_t>(version->length));
}

int PART_get_file_release_string(const char* spec, char** release) {
    auto call = HOST_ENTRY_TEXT(spec, release);
    return answer(call, release, [&](std::string& out) {
        if (int c = host::cfi::check_spec(spec)) return c;
        const int type = host::cfi::file_type_of(host::cfi::full_path(spec));
        if (type == 0) return CFI_ERR_NOT_FOUND;
        if (type != 2) return CFI_ERR_NOT_PART_FILE;
        out = st().version;
        return 0;
    });
}

void SYS_init_basics(void) { HOST_ENTRY(); }

void ARG_init_module(int argc, char** argv) {
    auto call = HOST_ENTRY(argc, argv);
    st().arguments.clear();
    if (argc > 0) call.need(argv, "the argument vector");
    for (int i = 1; i < argc; ++i)
        if (argv[i]) st().arguments.emplace_back(argv[i]);
}

const char* ARG_get_switch(const char* name, int min_abbrev, int* answer_code) {
    auto call = HOST_ENTRY_TEXT(name, min_abbrev, answer_code);
    call.need(name, "the switch name");
    call.need(answer_code, "the answer output");
    *answer_code = 2;
    for (const std::string& a : st().arguments) {
        if (a.size() < 2 || a[0] != '-') continue;
        const std::size_t end = a.find_first_of("=:");
        const std::string given = a.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        if (!iequal_prefix(given, name, static_cast<std::size_t>(std::max(min_abbrev, 1)))) continue;
        if (end == std::string::npos) {
            *answer_code = 1;
            return nullptr;
        }
        *answer_code = 0;
        return a.c_str() + end + 1;
    }
    return nullptr;
}

const char* ARG_get_argument(int n) {
    HOST_ENTRY(n);
    int k = 0;
    for (const std::string& a : st().arguments)
        if (a.empty() || a[0] != '-')
            if (++k == n) return a.c_str();
    return nullptr;
}

void CLOCK_jq_comp_to_string(int day, int second, char** date, char** time) {
    auto call = HOST_ENTRY(day, second, date, time);
    call.need(date, "the date output");
    call.need(time, "the time output");
    *date = *time = nullptr;
    if (second < 0 || second >= kSecondsPerDay) call.fail(HOST_ERR_BAD_ARGUMENT, "second %d of a day", second);
    long y;
    unsigned m, d;
    civil_from_days(day, y, m, d);
    char dbuf[32], tbuf[32];
    std::snprintf(dbuf, sizeof dbuf, "%02u-%s-%04ld", d, kMonths[m - 1], y);
    std::snprintf(tbuf, sizeof tbuf, "%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60);
    *date = host::cfi::host_string(dbuf);
    *time = host::cfi::host_string(tbuf);
}

int CLOCK_string_to_jq_comp(const char* date, const char* time, int words[2]) {
    auto call = HOST_ENTRY_TEXT(date, time, words);
    call.need(date, "the date");
    call.need(time, "the time");
    call.need(words, "the time output");
    long days = 0;
    int seconds = 0;
    if (!parse_date(date, days) || !parse_time(time, seconds)) return 0;
    words[0] = static_cast<int>(days);
    words[1] = seconds;
    return 1;
}

FMG_request_t fmgcom_;

int mbtts_(const int* words, const int* bit) { return (static_cast<unsigned>(words[*bit / 32]) >> (*bit % 32)) & 1u; }

void mbtst_(int* words, const int* bit) {
    words[*bit / 32] = static_cast<int>(static_cast<unsigned>(words[*bit / 32]) | (1u << (*bit % 32)));
}

void movch_(const char* from, char* to, const int* count) {
    if (*count > 0) std::memmove(to, from, static_cast<std::size_t>(*count));
}

void l1110a_(const CMSG_t* directory, int* status) {
    auto call = HOST_ENTRY(directory, status);
    call.need(directory, "the directory");
    call.need(status, "the status");
    st().request.clear();
    if (call.status(*status)) return;
    const FMG_request_t& r = fmgcom_;
    auto flag = [&](int bit) { return mbtts_(&r.flags, &bit) != 0; };
    const std::string dir = host::cfi::full_path(cmsg_text(*directory));
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        *status = -(CFI_ERR_NO_DIRECTORY - 1020000);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    ::closedir(d);
    std::sort(names.begin(), names.end());
    const std::string pattern = cmsg_text(r.name), inside = cmsg_text(r.extra1), outside = cmsg_text(r.extra2);
    const long long limit = static_cast<long long>(r.date[0]) * kSecondsPerDay + r.date[1];
    for (const std::string& n : names) {
        const std::string path = dir + "/" + n;
        struct stat s {};
        if (::stat(path.c_str(), &s) != 0) continue;
        if (flag(11) && ::fnmatch(pattern.c_str(), n.c_str(), 0) != 0) continue;
        if (flag(0) && n.find(inside) == std::string::npos) continue;
        if (flag(1) && !outside.empty() && n.find(outside) != std::string::npos) continue;
        if (flag(4) && (flag(15) ? s.st_mtime < limit : s.st_mtime >= limit)) continue;
        if (flag(14)) {
            const int type = host::cfi::file_type_of(path);
            if (!mbtts_(r.types, &type)) continue;
        }
        std::string line = n;
        if (r.fields & 2) line += " " + std::to_string(static_cast<long long>(s.st_size));
        if (r.fields & 4) {
            char* date = nullptr;
            char* time = nullptr;
            const long long t = static_cast<long long>(s.st_mtime);
            CLOCK_jq_comp_to_string(static_cast<int>(t / kSecondsPerDay), static_cast<int>(t % kSecondsPerDay), &date,
                                    &time);
            line += std::string(" ") + date + " " + time;
            SM_free(date);
            SM_free(time);
        }
        st().request.push_back(line);
    }
    *status = 0;
}

}  // extern "C"
