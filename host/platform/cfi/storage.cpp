// File existence, child processes, and storage files with their streams.
#include "host/platform/cfi/storage.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "host/platform/cfi/cfi_state.h"
#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/fm.h"
#include "host/base/services/memory.h"

extern char** environ;

namespace {

using host::cfi::code_of_errno;

// ---- Child processes ------------------------------------------------------------

struct Child {
    bool done = false;
    int state = CFI_CHILD_RUNNING;
    int code = 0;
};

struct ProcessState {
    std::vector<std::string> arguments;
};
ProcessState& processes() { return host::service_state<ProcessState>("cfi_processes"); }
// Children outlive host resets: the process must still reap them.
std::map<int, Child>& children() {
    static std::map<int, Child> table;
    return table;
}

void record_end(Child& c, int wait_status) {
    c.done = true;
    if (WIFSIGNALED(wait_status)) {
        c.state = CFI_CHILD_SIGNALLED;
        c.code = WTERMSIG(wait_status);
    } else {
        c.state = CFI_CHILD_EXITED;
        c.code = WEXITSTATUS(wait_status);
    }
}

// ---- Storage files: the element tree ----------------------------------------------

struct Node {
    bool storage = true;
    std::map<std::string, std::unique_ptr<Node>> children;
    std::vector<unsigned char> data;

    std::unique_ptr<Node> clone() const {
        auto n = std::make_unique<Node>();
        n->storage = storage;
        n->data = data;
        for (const auto& [name, child] : children) n->children[name] = child->clone();
        return n;
    }
    bool contains(const Node* other) const {
        if (other == this) return true;
        for (const auto& [name, child] : children)
            if (child->contains(other)) return true;
        return false;
    }
};

struct File {
    std::string path;
    Node root;
    bool writable = false;
    bool dirty = false;
};

struct StorageHandle {
    std::shared_ptr<File> file;
    Node* node;
    int mode;
};
struct StreamHandle {
    std::shared_ptr<File> file;
    Node* node;
    int mode;
    std::size_t position = 0;
    int channel = -1;
    int channel_mode = 0;
};

// Handles are checked against these sets before they are used: a stale or
// made-up handle is an error, never a stray pointer.
struct StorageState {
    std::set<StorageHandle*> storages;
    std::set<StreamHandle*> streams;
    void close_all();
    void reset() { close_all(); }
    // A program that ends with files open has them written and closed.
    ~StorageState() { close_all(); }
};
StorageState& files() { return host::service_state<StorageState>("cfi_storage"); }
const bool registered = (files(), processes(), true);

constexpr char kMagic[8] = {'K', 'X', 'S', 'T', 'O', 'R', 'E', 1};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 40;
constexpr std::uint32_t kRootParent = 0xffffffffu;

std::uint32_t fnv1a(std::string_view bytes, std::uint32_t h = 2166136261u) {
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

template <class T>
void put(std::string& out, T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xff));
}

template <class T>
bool get(std::string_view in, std::size_t& at, T& v) {
    if (in.size() - at < sizeof(T) || at > in.size()) return false;
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        x |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    v = static_cast<T>(x);
    at += sizeof(T);
    return true;
}

void serialize_tree(const Node& node, std::uint32_t parent, std::uint32_t& next, std::string& data,
                    std::string& table) {
    for (const auto& [name, child] : node.children) {
        const std::uint32_t index = next++;
        put<std::uint32_t>(table, parent);
        put<std::uint8_t>(table, child->storage ? CFI_ELEMENT_STORAGE : CFI_ELEMENT_STREAM);
        put<std::uint8_t>(table, 0);
        put<std::uint16_t>(table, static_cast<std::uint16_t>(name.size()));
        table += name;
        put<std::uint64_t>(table, child->storage ? 0 : data.size());
        put<std::uint64_t>(table, child->storage ? 0 : child->data.size());
        if (child->storage) serialize_tree(*child, index, next, data, table);
        else data.append(reinterpret_cast<const char*>(child->data.data()), child->data.size());
    }
}

std::string serialize(const Node& root) {
    std::string data, table;
    std::uint32_t entries = 0;
    serialize_tree(root, kRootParent, entries, data, table);
    std::string out(kMagic, sizeof kMagic);
    put<std::uint32_t>(out, kVersion);
    put<std::uint32_t>(out, entries);
    put<std::uint64_t>(out, data.size());
    put<std::uint64_t>(out, table.size());
    put<std::uint32_t>(out, fnv1a(table, fnv1a(data)));
    put<std::uint32_t>(out, 0);
    return out + data + table;
}

// Parses a whole storage file; false when it is not well-formed.
bool parse(std::string_view bytes, Node& root) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic))
        return false;
    std::size_t at = sizeof kMagic;
    std::uint32_t version = 0, entries = 0, checksum = 0, zero = 0;
    std::uint64_t data_size = 0, table_size = 0;
    get(bytes, at, version);
    get(bytes, at, entries);
    get(bytes, at, data_size);
    get(bytes, at, table_size);
    get(bytes, at, checksum);
    get(bytes, at, zero);
    const std::uint64_t body = bytes.size() - kHeaderSize;
    if (version != kVersion || zero != 0 || data_size > body || table_size != body - data_size) return false;
    const std::string_view data = bytes.substr(kHeaderSize, data_size);
    const std::string_view table = bytes.substr(kHeaderSize + data_size);
    if (fnv1a(table, fnv1a(data)) != checksum) return false;
    std::vector<Node*> nodes;
    at = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        std::uint32_t parent = 0;
        std::uint8_t type = 0, pad = 0;
        std::uint16_t length = 0;
        std::uint64_t offset = 0, size = 0;
        if (!get(table, at, parent) || !get(table, at, type) || !get(table, at, pad) || !get(table, at, length))
            return false;
        if (pad != 0 || length == 0 || length > CFI_ELEMENT_NAME_MAX || table.size() - at < length) return false;
        std::string name(table.substr(at, length));
        at += length;
        if (!get(table, at, offset) || !get(table, at, size)) return false;
        Node* owner = parent == kRootParent ? &root : parent < nodes.size() ? nodes[parent] : nullptr;
        if (!owner || !owner->storage || owner->children.count(name)) return false;
        auto node = std::make_unique<Node>();
        if (type == CFI_ELEMENT_STREAM) {
            if (offset > data.size() || size > data.size() - offset) return false;
            node->storage = false;
            node->data.assign(data.begin() + static_cast<std::ptrdiff_t>(offset),
                              data.begin() + static_cast<std::ptrdiff_t>(offset + size));
        } else if (type != CFI_ELEMENT_STORAGE || offset != 0 || size != 0) {
            return false;
        }
        nodes.push_back(node.get());
        owner->children.emplace(std::move(name), std::move(node));
    }
    return at == table.size();
}

// Reads a whole file; 0 or a code.
int read_file(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return code_of_errno(errno);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return code_of_errno(e);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return 0;
}

// Writes the file whole: a new file beside it, renamed over it. 0 or a code.
int write_file(File& file) {
    const std::string bytes = serialize(file.root);
    std::string temp = file.path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return code_of_errno(errno);
    std::size_t done = 0;
    int status = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            status = n < 0 ? code_of_errno(errno) : CFI_ERR_NO_SPACE;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && status == 0) status = code_of_errno(errno);
    if (status == 0 && ::rename(temp.c_str(), file.path.c_str()) != 0) status = code_of_errno(errno);
    if (status != 0) {
        ::unlink(temp.c_str());
        return status;
    }
    file.dirty = false;
    return 0;
}

int flush(File& file) { return file.writable && file.dirty ? write_file(file) : 0; }

void check_mode(const host::Call& call, int mode) {
    if ((mode & (CFI_MODE_READ | CFI_MODE_WRITE)) == 0 ||
        (mode & ~(CFI_MODE_READ | CFI_MODE_WRITE | CFI_MODE_CREATE | CFI_MODE_TRUNCATE)) != 0)
        call.fail(HOST_ERR_BAD_ARGUMENT, "open mode %d", mode);
}

void check_name(const host::Call& call, const char* name) {
    call.need(name, "the name");
    const std::size_t n = std::strlen(name);
    if (n == 0 || n > CFI_ELEMENT_NAME_MAX) call.fail(CFI_ERR_BAD_SPEC, "element name of %zu characters", n);
}

StorageHandle& live(const host::Call& call, CFI_storage_p_t storage) {
    auto* h = reinterpret_cast<StorageHandle*>(storage);
    if (!files().storages.count(h))
        call.fail(HOST_ERR_BAD_HANDLE, "storage %p is not open", static_cast<void*>(storage));
    return *h;
}

StreamHandle& live(const host::Call& call, CFI_stream_p_t stream) {
    auto* h = reinterpret_cast<StreamHandle*>(stream);
    if (!files().streams.count(h)) call.fail(HOST_ERR_BAD_HANDLE, "stream %p is not open", static_cast<void*>(stream));
    return *h;
}

bool writable(int mode) { return (mode & CFI_MODE_WRITE) != 0; }

// The open file of that path, shared by its handles.
std::shared_ptr<File> open_file_of(const std::string& path) {
    for (StorageHandle* h : files().storages)
        if (h->file->path == path) return h->file;
    for (StreamHandle* h : files().streams)
        if (h->file->path == path) return h->file;
    return nullptr;
}

bool in_use(const Node& subtree) {
    for (StorageHandle* h : files().storages)
        if (subtree.contains(h->node)) return true;
    for (StreamHandle* h : files().streams)
        if (subtree.contains(h->node)) return true;
    return false;
}

// The element of that name in the storage: opened, or made when the mode
// says so; raises when it is missing or of the other kind.
Node& element(const host::Call& call, StorageHandle& parent, const char* name, int mode, bool want_storage) {
    check_name(call, name);
    check_mode(call, mode);
    if (writable(mode) && !writable(parent.mode)) call.fail(CFI_ERR_DENIED, "storage is open for reading");
    auto it = parent.node->children.find(name);
    if (it == parent.node->children.end()) {
        if (!(mode & CFI_MODE_CREATE)) call.fail(CFI_ERR_NOT_FOUND, "no element \"%s\"", name);
        if (!writable(parent.mode)) call.fail(CFI_ERR_DENIED, "storage is open for reading");
        auto node = std::make_unique<Node>();
        node->storage = want_storage;
        it = parent.node->children.emplace(name, std::move(node)).first;
        parent.file->dirty = true;
    }
    if (it->second->storage != want_storage)
        call.fail(CFI_ERR_BAD_SPEC, "\"%s\" is a %s", name, it->second->storage ? "storage" : "stream");
    return *it->second;
}

// Brings what a read-write channel holds back into the stream and closes
// the channel; 0 or a code.
int release_channel(StreamHandle& s) {
    if (s.channel < 0) return 0;
    int status = 0;
    if (s.channel_mode == 1) {
        std::vector<unsigned char> bytes;
        unsigned char buffer[65536];
        if (::lseek(s.channel, 0, SEEK_SET) < 0) status = code_of_errno(errno);
        while (status == 0) {
            const ssize_t n = ::read(s.channel, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) status = code_of_errno(errno);
            if (n <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        if (status == 0 && bytes != s.node->data) {
            s.node->data = std::move(bytes);
            s.file->dirty = true;
            if (s.position > s.node->data.size()) s.position = s.node->data.size();
        }
    }
    ::close(s.channel);
    s.channel = -1;
    return status;
}

void StorageState::close_all() {
    for (StreamHandle* h : streams) {
        release_channel(*h);
        flush(*h->file);
        delete h;
    }
    for (StorageHandle* h : storages) {
        flush(*h->file);
        delete h;
    }
    streams.clear();
    storages.clear();
}

// The file services' shutdown closes every handle (writing what changed).
const bool closes_at_shutdown = (host::fm::on_shutdown([] { files().close_all(); }), true);

}  // namespace

namespace host::cfi {
int open_handles() { return static_cast<int>(files().storages.size() + files().streams.size()); }
}  // namespace host::cfi

extern "C" {

// ---- File existence -----------------------------------------------------------------

int CFI_ask_file_exist(const char* spec) {
    auto call = HOST_ENTRY_TEXT(spec);
    int scripted;
    if (call.status(scripted)) return scripted;
    if (!spec || !*spec) return CFI_ERR_BAD_SPEC;
    struct stat info {};
    if (::stat(host::cfi::full_path(spec).c_str(), &info) == 0) return 0;
    return errno == ENOENT || errno == ENOTDIR ? 1 : code_of_errno(errno);
}

// ---- Child processes ------------------------------------------------------------------

void fm2310_(int* status) {
    auto call = HOST_ENTRY(status);
    call.need(status, "the status output");
    processes().arguments.clear();
    int scripted;
    *status = call.status(scripted) ? scripted : 0;
}

void CFI_add_argument(const char* argument) {
    auto call = HOST_ENTRY_TEXT(argument);
    call.need(argument, "the argument");
    processes().arguments.emplace_back(argument);
}

int CFI_spawn_format_program_name(const char* name, int kind, int flags, char** full) {
    auto call = HOST_ENTRY_TEXT(name, kind, flags, full);
    call.need(full, "the name output");
    *full = nullptr;
    int scripted;
    if (call.status(scripted)) return scripted;
    if (!name || !*name || kind != 3 || flags != 0) return CFI_ERR_BAD_SPEC;
    auto executable = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
    };
    std::string found;
    if (std::strchr(name, '/')) {
        if (::access(name, F_OK) != 0) return CFI_ERR_NOT_FOUND;
        if (!executable(name)) return CFI_ERR_DENIED;
        found = name;
    } else {
        const char* path = std::getenv("PATH");
        std::string_view dirs = path ? path : "/usr/bin:/bin";
        while (found.empty()) {
            const std::size_t colon = dirs.find(':');
            std::string dir(dirs.substr(0, colon));
            if (dir.empty()) dir = ".";
            if (executable(dir + "/" + name)) found = dir + "/" + name;
            if (colon == std::string_view::npos) break;
            dirs.remove_prefix(colon + 1);
        }
        if (found.empty()) return CFI_ERR_NOT_FOUND;
    }
    *full = SM_string_copy(found.c_str());
    return 0;
}

int CFI_spawn(const char* full, int environment, int wait, int* process, int* handle) {
    auto call = HOST_ENTRY_TEXT(full, environment, wait);
    call.need(full, "the program");
    call.need(process, "the process output");
    if (handle) *handle = 0;
    int scripted;
    if (call.status(scripted)) return scripted;
    if (environment != 0) return CFI_ERR_BAD_SPEC;
    std::vector<char*> argv;
    std::string program = full;
    argv.push_back(program.data());
    for (std::string& a : processes().arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int e = posix_spawn(&pid, full, nullptr, nullptr, argv.data(), environ);
    if (e != 0) return code_of_errno(e);
    *process = static_cast<int>(pid);
    Child& child = children()[pid];
    if (wait) {
        int st = 0;
        while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
        }
        record_end(child, st);
    }
    return 0;
}

int CFI_ask_child_status(int process, int* state, int* code) {
    auto call = HOST_ENTRY(process, state, code);
    call.need(state, "the state output");
    call.need(code, "the code output");
    auto it = children().find(process);
    if (it == children().end()) call.fail(HOST_ERR_BAD_HANDLE, "process %d was not started here", process);
    Child& c = it->second;
    if (!c.done) {
        int st = 0;
        const pid_t r = ::waitpid(process, &st, WNOHANG);
        if (r == process) record_end(c, st);
    }
    *state = c.state;
    *code = c.code;
    return 0;
}

// ---- Storage files ----------------------------------------------------------------------

CFI_storage_p_t CFI_open_storage_file(const char* name, int mode) {
    auto call = HOST_ENTRY_TEXT(name, mode);
    call.need(name, "the file name");
    if (!*name) call.fail(CFI_ERR_BAD_SPEC, "empty file name");
    check_mode(call, mode);
    const std::string full = host::cfi::full_path(name);
    std::shared_ptr<File> file = open_file_of(full);
    if (!file) {
        file = std::make_shared<File>();
        file->path = full;
        std::string bytes;
        const int status = read_file(full, bytes);
        if (status == CFI_ERR_NOT_FOUND && (mode & CFI_MODE_CREATE) && writable(mode)) {
            file->dirty = true;  // written at its first close
        } else if (status != 0) {
            call.fail(status, "cannot read \"%s\"", name);
        } else if (!((mode & CFI_MODE_TRUNCATE) && writable(mode)) && !parse(bytes, file->root)) {
            call.fail(CFI_ERR_DAMAGED, "\"%s\" is not a well-formed storage file", name);
        }
    }
    if (writable(mode)) file->writable = true;
    if ((mode & CFI_MODE_TRUNCATE) && writable(mode)) {
        if (in_use(file->root)) call.fail(CFI_ERR_DENIED, "\"%s\" has open elements", name);
        file->root.children.clear();
        file->dirty = true;
    }
    auto* h = new StorageHandle{file, &file->root, mode};
    files().storages.insert(h);
    return reinterpret_cast<CFI_storage_p_t>(h);
}

CFI_storage_p_t CFI_open_storage(CFI_storage_p_t parent, const char* name, int mode) {
    auto call = HOST_ENTRY_TEXT(name, parent, mode);
    StorageHandle& p = live(call, parent);
    Node& node = element(call, p, name, mode, true);
    auto* h = new StorageHandle{p.file, &node, mode};
    files().storages.insert(h);
    return reinterpret_cast<CFI_storage_p_t>(h);
}

int CFI_close_storage(CFI_storage_p_t storage) {
    auto call = HOST_ENTRY(storage);
    StorageHandle& h = live(call, storage);
    int scripted;
    const int status = call.status(scripted) ? scripted : flush(*h.file);
    files().storages.erase(&h);
    delete &h;
    return status;
}

CFI_stream_p_t CFI_open_stream(CFI_storage_p_t storage, const char* name, int mode) {
    auto call = HOST_ENTRY_TEXT(name, storage, mode);
    StorageHandle& p = live(call, storage);
    Node& node = element(call, p, name, mode, false);
    auto* h = new StreamHandle{p.file, &node, mode};
    files().streams.insert(h);
    return reinterpret_cast<CFI_stream_p_t>(h);
}

int CFI_close_stream(CFI_stream_p_t stream) {
    auto call = HOST_ENTRY(stream);
    StreamHandle& h = live(call, stream);
    int status = release_channel(h);
    const int written = flush(*h.file);
    if (status == 0) status = written;
    int scripted;
    if (call.status(scripted)) status = scripted;
    files().streams.erase(&h);
    delete &h;
    return status;
}

long long CFI_ask_stream_current_pos(CFI_stream_p_t stream) {
    auto call = HOST_ENTRY(stream);
    return static_cast<long long>(live(call, stream).position);
}

long long CFI_set_stream_absolute_pos(CFI_stream_p_t stream, long long position) {
    auto call = HOST_ENTRY(stream, position);
    StreamHandle& h = live(call, stream);
    const long long end = static_cast<long long>(h.node->data.size());
    const long long reached = position < 0 ? 0 : position > end ? end : position;
    h.position = static_cast<std::size_t>(call.int_out(0, reached));
    return static_cast<long long>(h.position);
}

int CFI_set_stream_relative_pos(CFI_stream_p_t stream, long long offset) {
    auto call = HOST_ENTRY(stream, offset);
    StreamHandle& h = live(call, stream);
    int scripted;
    if (call.status(scripted)) return scripted;
    const long long target = static_cast<long long>(h.position) + offset;
    if (target < 0 || target > static_cast<long long>(h.node->data.size())) return CFI_ERR_POSITION;
    h.position = static_cast<std::size_t>(target);
    return 0;
}

unsigned int CFI_write_to_stream(CFI_stream_p_t stream, unsigned int count, const void* buffer) {
    auto call = HOST_ENTRY(stream, count, buffer);
    StreamHandle& h = live(call, stream);
    call.need(buffer, "the buffer");
    if (!writable(h.mode)) call.fail(CFI_ERR_DENIED, "stream is open for reading");
    if (h.channel >= 0) call.fail(CFI_ERR_DENIED, "stream is on channel %d", h.channel);
    const auto n = static_cast<unsigned int>(std::min<std::int64_t>(call.int_out(0, count), count));
    auto& data = h.node->data;
    if (h.position + n > data.size()) data.resize(h.position + n);
    std::memcpy(data.data() + h.position, buffer, n);
    h.position += n;
    if (n) h.file->dirty = true;
    return n;
}

unsigned int CFI_read_from_stream(CFI_stream_p_t stream, unsigned int count, void* buffer) {
    auto call = HOST_ENTRY(stream, count, buffer);
    StreamHandle& h = live(call, stream);
    call.need(buffer, "the buffer");
    const auto& data = h.node->data;
    const std::size_t left = h.position < data.size() ? data.size() - h.position : 0;
    const std::size_t can = left < count ? left : count;
    // A scripted answer may report fewer bytes, never more than there are.
    const auto n = static_cast<unsigned int>(
        std::min<std::int64_t>(call.int_out(0, static_cast<std::int64_t>(can)), static_cast<std::int64_t>(can)));
    if (n) std::memcpy(buffer, data.data() + h.position, n);
    h.position += n;
    return n;
}

int CFI_copy_storage_element(CFI_storage_p_t source, const char* name, CFI_storage_p_t target, const char* new_name,
                             int replace) {
    auto call = HOST_ENTRY_TEXT(name, source, target, replace);
    StorageHandle& from = live(call, source);
    StorageHandle& to = live(call, target);
    check_name(call, name);
    check_name(call, new_name);
    if (!writable(to.mode)) call.fail(CFI_ERR_DENIED, "target storage is open for reading");
    auto it = from.node->children.find(name);
    if (it == from.node->children.end()) call.fail(CFI_ERR_NOT_FOUND, "no element \"%s\"", name);
    if (it->second->contains(to.node)) call.fail(CFI_ERR_BAD_SPEC, "\"%s\" would be copied into itself", name);
    auto old = to.node->children.find(new_name);
    if (old != to.node->children.end()) {
        if (!replace) call.fail(CFI_ERR_DENIED, "\"%s\" exists", new_name);
        if (in_use(*old->second)) call.fail(CFI_ERR_DENIED, "\"%s\" is open", new_name);
    }
    to.node->children[new_name] = it->second->clone();
    to.file->dirty = true;
    return 0;
}

int CFI_is_storage_file(const char* name) {
    HOST_ENTRY_TEXT(name);
    if (!name || !*name) return 0;
    const std::string full = host::cfi::full_path(name);
    if (std::shared_ptr<File> open = open_file_of(full)) return 1;
    std::string bytes;
    Node root;
    return read_file(full, bytes) == 0 && parse(bytes, root) ? 1 : 0;
}

int CFI_convert_stream_to_fileid(CFI_stream_p_t stream, int mode) {
    auto call = HOST_ENTRY(stream, mode);
    StreamHandle& h = live(call, stream);
    if (mode != 0 && mode != 1) call.fail(HOST_ERR_BAD_ARGUMENT, "channel mode %d", mode);
    if (mode == 1 && !writable(h.mode)) call.fail(CFI_ERR_DENIED, "stream is open for reading");
    if (h.channel >= 0) return h.channel;
    std::FILE* f = std::tmpfile();
    if (!f) call.fail(code_of_errno(errno), "no channel for the stream");
    const int fd = ::dup(fileno(f));
    std::fclose(f);
    if (fd < 0) call.fail(code_of_errno(errno), "no channel for the stream");
    const auto& data = h.node->data;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int e = n < 0 ? errno : ENOSPC;
            ::close(fd);
            call.fail(code_of_errno(e), "the stream does not fit its channel");
        }
        done += static_cast<std::size_t>(n);
    }
    ::lseek(fd, static_cast<off_t>(h.position), SEEK_SET);
    h.channel = fd;
    h.channel_mode = mode;
    return fd;
}

int CFI_release_stream_fileid(CFI_stream_p_t stream, int channel) {
    auto call = HOST_ENTRY(stream, channel);
    StreamHandle& h = live(call, stream);
    if (h.channel < 0 || h.channel != channel)
        call.fail(HOST_ERR_BAD_ARGUMENT, "channel %d is not the stream's", channel);
    return release_channel(h);
}

void CFI_ask_stream_stats(CFI_stream_p_t stream, CFI_stream_stats* stats) {
    auto call = HOST_ENTRY(stream, stats);
    StreamHandle& h = live(call, stream);
    call.need(stats, "the statistics output");
    *stats = {static_cast<long long>(h.node->data.size()), static_cast<long long>(h.position), h.mode, h.channel};
}

int CFI_ask_storage_contents(CFI_storage_p_t storage, CFI_storage_element** contents) {
    auto call = HOST_ENTRY(storage, contents);
    StorageHandle& h = live(call, storage);
    call.need(contents, "the contents output");
    *contents = nullptr;
    const auto& elements = h.node->children;
    if (elements.empty()) return 0;
    auto* out = static_cast<CFI_storage_element*>(SM_alloc(elements.size() * sizeof(CFI_storage_element)));
    std::size_t i = 0;
    for (const auto& [name, node] : elements) {
        CFI_storage_element& e = out[i++];
        std::memset(e.name, 0, sizeof e.name);
        std::memcpy(e.name, name.data(), name.size());
        e.type = node->storage ? CFI_ELEMENT_STORAGE : CFI_ELEMENT_STREAM;
        e.size = static_cast<long long>(node->storage ? node->children.size() : node->data.size());
    }
    *contents = out;
    return static_cast<int>(elements.size());
}

}  // extern "C"
