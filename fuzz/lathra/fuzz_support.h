// What the lathra fuzz targets share: one scratch directory per process
// (removed when the process ends), and whole files in and out. The stages
// work on files, so every input goes through a tape file in that directory.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

namespace lathra_fuzz {

class ScratchDir {
public:
    static const ScratchDir& get() {
        static const ScratchDir dir;
        return dir;
    }
    std::string operator/(const char* name) const { return (path_ / name).string(); }
    // Everything but the files a stage is expected to leave.
    void clear() const {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(path_, ec)) std::filesystem::remove_all(e.path(), ec);
    }
    // Whether the directory holds no file but those named.
    bool only(std::initializer_list<const char*> names) const {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(path_, ec)) {
            bool known = false;
            for (const char* n : names) known = known || e.path().filename() == n;
            if (!known) return false;
        }
        return true;
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }

private:
    ScratchDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lathra-fuzz-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        path_ = tmpl;
    }
    std::filesystem::path path_;
};

inline void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The input as the only file of the scratch directory; returns its path.
inline std::string fresh_tape(const char* name, const std::uint8_t* data, std::size_t size) {
    const ScratchDir& dir = ScratchDir::get();
    dir.clear();
    const std::string path = dir / name;
    write_file(path, data, size);
    return path;
}

inline std::string read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// A check of the target: a failure is a finding.
inline void require(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace lathra_fuzz
