#include "lathra/engine/tape_io.h"

#include "lathra/engine/frame_text.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace lathra::engine {

namespace fs = std::filesystem;

namespace {

// A unique, empty file beside `target`, with the mode that the target has
// (or that a new file would get). Returns the descriptor, -1 on failure.
int make_temp_beside(const std::string& target, std::string& path) {
    fs::path t(target);
    fs::path dir = t.parent_path();
    std::string name(1, '.');
    name += t.filename().string();
    name += ".XXXXXX";
    std::string templ = dir.empty() ? name : (dir / name).string();
    int fd = ::mkstemp(templ.data());
    if (fd < 0) return -1;
    struct stat st {};
    mode_t mode;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    (void)::fchmod(fd, mode);
    path = templ;
    return fd;
}

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

// ---- LineReader ----

LineReader::~LineReader() { close(); }

bool LineReader::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    buf_.clear();
    pos_ = 0;
    next_cr_ = std::string::npos;
    eof_ = failed_ = false;
    bad_frame_.clear();
    struct stat st {};
    if (file_ && (::fstat(::fileno(file_), &st) != 0 || S_ISDIR(st.st_mode))) close();
    return file_ != nullptr;
}

bool LineReader::fill() {
    if (eof_ || !file_) return false;
    // Keep the unread rest, then append a block.
    buf_.erase(0, pos_);
    if (next_cr_ != std::string::npos) next_cr_ -= pos_;
    pos_ = 0;
    const std::size_t old = buf_.size();
    buf_.resize(old + kBufferSize);
    const std::size_t got = std::fread(buf_.data() + old, 1, kBufferSize, file_);
    buf_.resize(old + got);
    if (next_cr_ == std::string::npos) next_cr_ = find_cr(old);
    if (got == 0) {
        eof_ = true;
        if (std::ferror(file_)) failed_ = true;
    }
    return got > 0;
}

bool LineReader::next(std::string& line) {
    if (!file_ || value_out_of_range()) return false;
    if (!read_line(line)) return false;
    if (has_oversized_value(line)) {
        bad_frame_ = line;
        return false;
    }
    return true;
}

std::size_t LineReader::find_cr(std::size_t from) const {
    if (from >= buf_.size()) return std::string::npos;
    const void* cr = std::memchr(buf_.data() + from, '\r', buf_.size() - from);
    return cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - buf_.data()) : std::string::npos;
}

bool LineReader::read_line(std::string& line) {
    for (;;) {
        const char* start = buf_.data() + pos_;
        const std::size_t avail = buf_.size() - pos_;
        const void* lf = avail ? std::memchr(start, '\n', avail) : nullptr;
        // A carriage return before the line feed (other than the CR of a
        // CR LF) ends the line by itself; so does one with no line feed
        // after it, once the next character is known.
        const std::size_t scan = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : avail;
        if (next_cr_ != std::string::npos && next_cr_ < pos_) next_cr_ = find_cr(pos_);
        if (next_cr_ != std::string::npos && next_cr_ - pos_ < scan) {
            const std::size_t at = next_cr_ - pos_;
            if (at + 1 < avail || eof_) {
                line.assign(start, at);
                line.push_back('\n');
                pos_ += at + (at + 1 < avail && start[at + 1] == '\n' ? 2 : 1);
                return true;
            }
        } else if (lf) {
            const std::size_t n = scan + 1;
            line.assign(start, n);
            pos_ += n;
            return true;
        }
        if (!fill()) {
            if (pos_ >= buf_.size()) return false;
            const std::size_t rest = buf_.size() - pos_;
            if (buf_[buf_.size() - 1] == '\r') continue;  // a CR at the very end: a line end
            // The last line without a line end.
            line.assign(buf_.data() + pos_, rest);
            pos_ = buf_.size();
            return true;
        }
    }
}

void LineReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

// ---- TapeWriter ----

TapeWriter::~TapeWriter() {
    if (file_ || (temporary_ && !path_.empty())) discard();
}

bool TapeWriter::create_beside(const std::string& target) {
    discard();
    std::string path;
    const int fd = make_temp_beside(target, path);
    if (fd < 0) return false;
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        std::remove(path.c_str());
        return false;
    }
    // Blocks are collected here; the stream need not copy them again.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
    target_ = target;
    temporary_ = true;
    failed_ = closed_ = false;
    return true;
}

bool TapeWriter::create(const std::string& path) {
    discard();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
    target_.clear();
    temporary_ = false;
    failed_ = closed_ = false;
    return true;
}

void TapeWriter::write_through(const char* data, std::size_t size) {
    if (!file_ || failed_) return;
    if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
}

void TapeWriter::flush_buffer() {
    write_through(buf_.data(), buf_.size());
    buf_.clear();
}

bool TapeWriter::close() {
    if (file_) {
        flush_buffer();
        if (std::fflush(file_) != 0 || std::ferror(file_)) failed_ = true;
        if (std::fclose(file_) != 0) failed_ = true;
        file_ = nullptr;
        closed_ = true;
    }
    return !failed_;
}

bool TapeWriter::commit() {
    if (!close()) {
        discard();
        return false;
    }
    if (!temporary_) return true;
    std::error_code ec;
    fs::rename(path_, target_, ec);
    if (ec) {
        discard();
        return false;
    }
    temporary_ = false;
    path_.clear();
    return true;
}

void TapeWriter::discard() {
    buf_.clear();
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!path_.empty() && (temporary_ || !closed_)) std::remove(path_.c_str());
    path_.clear();
    temporary_ = false;
}

// ---- ScratchFile ----

ScratchFile::~ScratchFile() { remove(); }

bool ScratchFile::create_beside(const std::string& target) {
    remove();
    std::string path;
    const int fd = make_temp_beside(target, path);
    if (fd < 0) return false;
    ::close(fd);
    path_ = path;
    return true;
}

bool ScratchFile::move_to(const std::string& target) {
    std::error_code ec;
    fs::rename(path_, target, ec);
    if (ec) return false;
    path_.clear();
    return true;
}

void ScratchFile::remove() {
    if (!path_.empty()) std::remove(path_.c_str());
    path_.clear();
}

std::string oversized_value_text(const std::string& frame) {
    std::string text = "Слишком большое значение в кадре:\n";
    text += frame;
    if (text.back() != '\n') text += '\n';
    text += "Скорректируйте исходную программу.";
    return text;
}

// ---- queries ----

long long file_size(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

bool file_exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    const bool eq = fs::equivalent(a, b, ec);
    return !ec && eq;
}

}  // namespace lathra::engine
