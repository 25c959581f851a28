// The error service: frames, raises, the host log and the code decoders.
#include "host/base/services/error.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>
#include <vector>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/host_messages.h"

namespace host {
namespace {

struct Pending {
    bool set = false;
    int code = 0;
    std::string module;
    int line = 0;
    std::string text;
};

constexpr std::size_t kJumpedKept = 64;

// The newest entries of a record that a long-running process would
// otherwise grow without end: once `limit` entries are held, each new one
// takes the place of the oldest. `noted` counts every entry ever put in
// (since the last clear), so a reader can tell which entries are new since
// it last looked and whether some went before it could see them.
template <class T>
class Ring {
public:
    explicit Ring(std::size_t limit) : limit_(limit) {}
    void push(T value) {
        if (items_.size() < limit_) {
            items_.push_back(std::move(value));
        } else {
            items_[head_] = std::move(value);
            head_ = (head_ + 1) % limit_;
        }
        ++noted_;
    }
    // Oldest first.
    std::vector<T> items() const {
        std::vector<T> out;
        out.reserve(items_.size());
        for (std::size_t i = 0; i < items_.size(); ++i) out.push_back(items_[(head_ + i) % items_.size()]);
        return out;
    }
    std::size_t size() const { return items_.size(); }
    std::size_t noted() const { return noted_; }
    void clear() {
        items_.clear();
        items_.shrink_to_fit();
        head_ = 0;
        noted_ = 0;
    }

private:
    std::size_t limit_;
    std::vector<T> items_;
    std::size_t head_ = 0;  // the oldest entry once the ring is full
    std::size_t noted_ = 0;
};

struct ErrorState {
    int failure_code = 0;
    Ring<int> acknowledged{error::kAcknowledgedKept};
    Ring<std::string> log{error::kLogKept};
    std::vector<error::Registration> registrations;
    Pending pending;
    // Ids of user frames that a raise jumped to and so took off the stack.
    // The program still cancels them in its landing branch, as it must
    // cancel every handler it armed; such a cancel is no fault. The newest
    // kJumpedKept are kept, for programs that never cancel after a jump.
    std::vector<int> jumped_to;
    // The decoders registered by the library stay: it registers them once.
    void reset() {
        std::vector<error::Registration> kept = std::move(registrations);
        *this = ErrorState{};
        registrations = std::move(kept);
        error::g_frames = error::FrameStack{};
    }
};

ErrorState& st() { return service_state<ErrorState>("error"); }
const bool registered = (st(), true);

std::string vformat(const char* format, va_list ap) {
    if (!format) return {};
    va_list copy;
    va_copy(copy, ap);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, ap);
    return out;
}

[[noreturn]] void stop_program(int code, const char* module, int line, const char* text) {
    std::fflush(stdout);
    std::fprintf(stderr,
                 "host: error %d raised by %s line %d: %s\n"
                 "host: no error handler is armed; the program stops.\n",
                 code, module && *module ? module : "(unknown)", line, text ? text : "");
    std::fflush(stderr);
    std::abort();
}

[[noreturn]] void raise_error(int code, const char* module, int line, std::string text) {
    ErrorState& s = st();
    s.failure_code = code;
    const char* mod = module ? module : "";
    auto& frames = error::g_frames.frames;
    if (frames.empty()) stop_program(code, mod, line, text.c_str());
    int library = 0;
    if (frames.back().buffer == nullptr) {  // the frame that catches is consumed
        library = frames.back().id;
        frames.pop_back();
    }
    throw HostError(code, mod, line, std::move(text), library);
}

// The common tail of ERROR_raise and ERROR_internal: journals the raise
// under the function's name and raises the formatted text.
[[noreturn]] void raise_journalled(const char* function, int code, const char* module, int line, std::string text) {
    if (hook_detail::j_on) hook_detail::record(function, code, line);
    raise_error(code, module, line, std::move(text));
}

void log_line(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    st().log.push(std::move(line));
}

}  // namespace

int arm_library_frame() { return ERROR_set_handler(ERROR__default_handler, nullptr); }

int caught(const std::function<void()>& f, std::string* text) {
    const int frame = arm_library_frame();
    try {
        f();
    } catch (const HostError& e) {
        if (!e.for_library_frame()) throw;
        if (text) *text = e.text();
        return e.code();
    }
    ERROR_cancel_handler(frame);
    return 0;
}

void stash_for_user_frame(const HostError& e) {
    Pending& p = st().pending;
    p.set = true;
    p.code = e.code();
    p.module = e.module();
    p.line = e.line();
    p.text = e.text();
}

void deliver_to_user_frame() {
    error::FrameRecord f{};
    int code = 0;
    {
        // Everything with a destructor lives in this block, so nothing of it
        // is left behind by the jump.
        ErrorState& s = st();
        Pending p = std::move(s.pending);
        s.pending = Pending{};
        if (!p.set) {
            p.code = HOST_ERR_INTERNAL;
            p.text = "deliver_to_user_frame without an error";
        }
        s.failure_code = p.code;
        auto& frames = error::g_frames.frames;
        if (frames.empty() || frames.back().buffer == nullptr)
            stop_program(p.code, p.module.c_str(), p.line, p.text.c_str());
        f = frames.back();
        frames.pop_back();
        if (s.jumped_to.size() == kJumpedKept) s.jumped_to.erase(s.jumped_to.begin());
        s.jumped_to.push_back(f.id);
        code = p.code;
    }
    if (f.handler) f.handler(f.buffer, code);
    longjmp(f.buffer, 1);
}

namespace error {
constinit FrameStack g_frames{};
int frame_depth() { return static_cast<int>(g_frames.frames.size()); }
bool innermost_is_user_frame() { return !g_frames.frames.empty() && g_frames.frames.back().buffer != nullptr; }
std::vector<int> acknowledged_codes() { return st().acknowledged.items(); }
std::size_t acknowledged_count() { return st().acknowledged.noted(); }
std::vector<Registration> registrations() { return st().registrations; }
void clear_registrations() { st().registrations.clear(); }
std::vector<std::string> log_lines() { return st().log.items(); }
std::size_t lines_noted() { return st().log.noted(); }
void clear_log() { st().log.clear(); }
}  // namespace error

}  // namespace host

using host::st;

extern "C" {

void ERROR_raise(const char* module, int line, int code, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = host::vformat(format, ap);
    va_end(ap);
    host::raise_journalled(__func__, code, module, line, std::move(text));
}

void ERROR_internal(const char* module, int line, const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::string text = host::vformat(format, ap);
    va_end(ap);
    host::raise_journalled(__func__, HOST_ERR_INTERNAL, module, line, std::move(text));
}

int ERROR_set_handler(ERROR_handler_fn handler, jmp_buf buffer) {
    HOST_ENTRY(buffer != nullptr);
    auto& s = host::error::g_frames;
    int id = s.next_id++;
    s.frames.push_back({id, handler, buffer});
    return id;
}

void ERROR_cancel_handler(int id) {
    HOST_ENTRY(id);
    auto& frames = host::error::g_frames.frames;
    if (!frames.empty() && frames.back().id == id) {
        frames.pop_back();
        return;
    }
    for (std::size_t i = frames.size(); i-- > 0;) {
        if (frames[i].id == id) {
            host::log_line(std::string(__func__) + ": internal error: handler " + std::to_string(id) +
                           " is not the innermost (" + std::to_string(frames.size() - 1 - i) +
                           " armed inside it, dropped with it)");
            frames.erase(frames.begin() + static_cast<long>(i), frames.end());
            return;
        }
    }
    auto& jumped = st().jumped_to;
    if (auto it = std::find(jumped.begin(), jumped.end(), id); it != jumped.end()) {
        jumped.erase(it);  // the frame went with its jump: nothing left to cancel
        return;
    }
    host::log_line(std::string(__func__) + ": internal error: handler " + std::to_string(id) + " is not armed");
}

int ERROR_ask_failure_code(void) {
    HOST_ENTRY();
    return st().failure_code;
}

void ERROR_note(const char* module, int line, const char* text) {
    auto call = HOST_ENTRY_TEXT(text, line);
    call.need(module, "module");
    call.need(text, "text");
    host::log_line(std::string(module) + " " + std::to_string(line) + ": " + text);
}

void ERROR_lprintf(const char* format, ...) {
    auto call = HOST_ENTRY_TEXT(format);
    call.need(format, "format");
    va_list ap;
    va_start(ap, format);
    std::string text = host::vformat(format, ap);
    va_end(ap);
    host::log_line(std::move(text));
}

void ERROR_acknowledge_handled(int code) {
    HOST_ENTRY(code);
    st().acknowledged.push(code);
}

void ERROR__default_handler(jmp_buf buffer, int /*code*/) {
    if (buffer) longjmp(buffer, 1);
}

void ERROR_register_decoder_fn(int base, int range, ERROR_decoder_fn decoder, const void* table) {
    auto call = HOST_ENTRY(base, range, table);
    call.need(decoder, "decoder");
    if (range <= 0) call.fail(HOST_ERR_BAD_ARGUMENT, "range %d is not positive", range);
    for (auto& r : st().registrations) {
        if (r.base == base) {
            r = {base, range, decoder, table};
            return;
        }
    }
    st().registrations.push_back({base, range, decoder, table});
}

const char* ERROR_decode(int code) {
    HOST_ENTRY(code);
    // The newest registration covering the code answers first; when it has
    // no text the host's own table answers (it is no registration, so it
    // stays when the registrations are dropped).
    const auto& regs = st().registrations;
    for (std::size_t i = regs.size(); i-- > 0;) {
        const auto& r = regs[i];
        if (code >= r.base && code - r.base < r.range) {
            if (const char* text = r.decoder(code, r.table)) return text;
            break;
        }
    }
    return host::messages::text(code);
}

const char* ERROR_decode_in_table(int code, const void* table) {
    auto call = HOST_ENTRY(code, table);
    call.need(table, "table");
    for (auto* e = static_cast<const error_text_entry*>(table); e->code != 0 || e->text; ++e)
        if (e->code == code) return e->text;
    return nullptr;
}

}  // extern "C"

// The texts of the host's internal band.
HOST_CODE_TEXTS(HOST_ERROR_CODES);
