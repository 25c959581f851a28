// Tape files: reading a tape line by line and writing a tape through a
// unique temporary file beside its target, which replaces the target only
// when the pass that wrote it succeeded.
#pragma once

#include <cstdio>
#include <string>

namespace lathra::engine {

// Reads a tape one line at a time. A line is kept whole, whatever its
// length, with its line end; a CR LF line end and a lone CR are read as
// "\n", so tapes written with any of the three line ends read the same.
//
// A line holding a word value that the tape format cannot hold (see
// has_oversized_value) ends the reading: next() answers false and
// bad_frame() names the line.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(const std::string& path) { open(path); }
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // False when the file cannot be opened for reading (a directory neither).
    bool open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    // Whether reading failed (a line that was cut short by an error).
    bool failed() const { return failed_; }
    // Whether the reading ended at a line with a value out of range.
    bool value_out_of_range() const { return !bad_frame_.empty(); }
    // That line, with its line end.
    const std::string& bad_frame() const { return bad_frame_; }
    // The next line into `line`; false at the end of the file.
    bool next(std::string& line);
    void close();

private:
    bool fill();
    bool read_line(std::string& line);
    // The first CR in buf_ from `from` on; npos when there is none.
    std::size_t find_cr(std::size_t from) const;

    std::FILE* file_ = nullptr;
    std::string buf_;      // read ahead in blocks
    std::size_t pos_ = 0;  // start of the unread part of buf_
    // The first CR in the unread part of buf_ (npos: none there). Most tapes
    // have none, so the search is made once per block, not once per line.
    std::size_t next_cr_ = std::string::npos;
    bool eof_ = false;
    bool failed_ = false;
    std::string bad_frame_;
};

// A tape being written. `create_beside` makes a unique temporary file in the
// target's directory; `commit` closes it and renames it over the target.
// A file that was never committed is removed when the object goes away.
class TapeWriter {
public:
    TapeWriter() = default;
    ~TapeWriter();
    TapeWriter(const TapeWriter&) = delete;
    TapeWriter& operator=(const TapeWriter&) = delete;

    // A unique temporary file beside `target`; false when it cannot be made.
    bool create_beside(const std::string& target);
    // Writes straight into `path` (created or emptied); no commit is needed.
    bool create(const std::string& path);

    void write(const std::string& text) { write(text.data(), text.size()); }
    void write(const char* data, std::size_t size) {
        if (buf_.size() + size > kBlock) flush_buffer();
        if (size > kBlock) write_through(data, size);
        else buf_.append(data, size);
    }

    // Flushes and closes; false when anything failed to be written.
    bool close();
    // Closes and renames the temporary file over the target.
    bool commit();
    // Closes and removes the file.
    void discard();

    const std::string& path() const { return path_; }
    bool is_open() const { return file_ != nullptr; }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    void flush_buffer();
    void write_through(const char* data, std::size_t size);

    std::string buf_;  // collected and written in blocks
    std::FILE* file_ = nullptr;
    std::string path_;    // the file being written
    std::string target_;  // for a temporary file: where it goes on commit
    bool temporary_ = false;
    bool failed_ = false;
    bool closed_ = false;
};

// A unique temporary file beside `target` for a stage to write by name
// (created empty); removed again with the object unless released.
class ScratchFile {
public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    bool create_beside(const std::string& target);
    const std::string& path() const { return path_; }
    // Renames the file over `target`; afterwards nothing is removed.
    bool move_to(const std::string& target);
    void remove();

private:
    std::string path_;
};

// The message that names a frame holding a value the tape format cannot
// hold (LineReader::bad_frame()).
std::string oversized_value_text(const std::string& frame);

// Size of a file in bytes; -1 when it cannot be read.
long long file_size(const std::string& path);
bool file_exists(const std::string& path);
// Whether the two names name one and the same file (also when spelled
// differently); equal spelling counts even when the file does not exist.
bool same_file(const std::string& a, const std::string& b);

}  // namespace lathra::engine
