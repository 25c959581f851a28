#include "lathra/app/settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace lathra::app {
namespace {

constexpr const char* kSection = "Form";

std::string trim(std::string s) {
    const auto not_space = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), not_space));
    s.erase(std::find_if(s.rbegin(), s.rend(), not_space).base(), s.end());
    return s;
}

bool iequal(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The keys of section "Form" (names compared without regard to case, as
// ini files do); the first occurrence of a key counts.
std::map<std::string, std::string> read_section(std::istream& in) {
    std::map<std::string, std::string> keys;
    bool in_form = false;
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            in_form = close != std::string::npos && iequal(trim(line.substr(1, close - 1)), kSection);
            continue;
        }
        if (!in_form) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = trim(line.substr(0, eq));
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        keys.emplace(std::move(key), trim(line.substr(eq + 1)));
    }
    return keys;
}

// A whole value as a real number; anything else keeps the default.
double read_real(const std::map<std::string, std::string>& keys, const char* key, double def) {
    const auto it = keys.find(key);
    if (it == keys.end() || it->second.empty()) return def;
    const char* s = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(s, &end);
    if (end == s || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return def;
    return v;
}

int read_int(const std::map<std::string, std::string>& keys, const char* key, int def) {
    const auto it = keys.find(key);
    if (it == keys.end() || it->second.empty()) return def;
    const char* s = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (end == s || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return def;
    return static_cast<int>(v);
}

}  // namespace

std::string real_text(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

std::filesystem::path settings_file_path(const std::string& exe_name) {
    const char* dir = std::getenv("TEMP");
    if (dir == nullptr || *dir == '\0') dir = std::getenv("TMPDIR");
    if (dir == nullptr || *dir == '\0') dir = "/tmp";
    return std::filesystem::path(dir) / (exe_name + ".ini");
}

int LoadSettings(const std::filesystem::path& file, Settings& out) {
    out = Settings{};
    std::ifstream in(file);
    if (!in) return -1;
    const auto keys = read_section(in);
    const Settings def;
    out.machine = read_int(keys, "METHODS", def.machine);
    if (out.machine < 0 || out.machine > 4) out.machine = def.machine;
    out.speed_limit = read_real(keys, "SPEED_LIMIT", def.speed_limit);
    out.feed_max = std::min(read_real(keys, "FEED_MAX", def.feed_max), static_cast<double>(kFeedMaxLimit));
    out.acceleration = read_real(keys, "ACCELERATION", def.acceleration);
    const double seq = read_real(keys, "SEQNO", def.numbering);
    out.numbering = std::abs(seq) < 2e9 ? static_cast<int>(std::trunc(seq)) : 1;
    return 0;
}

int SaveSettings(const std::filesystem::path& file, int machine, int numbering, int a, int feed_max, int speed_limit) {
    std::ostringstream text;
    text << '[' << kSection << "]\n"
         << "Methods=" << machine << '\n'
         << "SPEED_LIMIT=" << real_text(speed_limit) << '\n'
         << "FEED_MAX=" << real_text(feed_max) << '\n'
         << "ACCELERATION=" << real_text(a) << '\n'
         << "SEQNO=" << real_text(numbering) << '\n';
    // Written beside the target and renamed over it, so that a failed write
    // never leaves a half file behind.
    std::error_code ec;
    std::filesystem::path tmp = file;
    tmp += ".XXXXXX";
    std::string tmpl = tmp.string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return -1;
    const std::string data = text.str();
    const bool written = ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        std::filesystem::remove(tmpl, ec);
        return -1;
    }
    std::filesystem::rename(tmpl, file, ec);
    if (ec) {
        std::filesystem::remove(tmpl, ec);
        return -1;
    }
    return 0;
}

}  // namespace lathra::app
