/* The host's error service: raising errors, the stack of armed error frames,
 * the host log, and the decoders that turn a code into its text.
 *
 * Frames come in two kinds and are armed and cancelled strictly nested:
 *  - library frames, armed by the interface library around its own work
 *    (ERROR_set_handler with a null buffer, or host::arm_library_frame());
 *  - user frames, armed with a caller's own jump buffer
 *    (ERROR_set_handler(ERROR__default_handler, buffer)).
 *
 * A raise always travels as a C++ exception (host::HostError) first, so C++
 * objects between the raise and the frame unwind cleanly:
 *  - innermost frame is a library frame: the raise pops ("consumes") that
 *    frame and throws; the library's catch turns it into its status and must
 *    NOT cancel the consumed frame;
 *  - innermost frame is a user frame: the raise throws; the boundary guard of
 *    the exported function the exception reaches (the library's kx::guarded)
 *    pops that frame and longjmps to the user's buffer
 *    (host::stash_for_user_frame, then host::deliver_to_user_frame);
 *  - no frame armed at all: the raise writes a clear message on stderr and
 *    stops the program (std::abort).
 *
 * Usage by the library's operation frame:
 *
 *     int id = host::arm_library_frame();       // or ERROR_set_handler(ERROR__default_handler, NULL)
 *     try {
 *         ...work, host calls...
 *     } catch (const host::HostError&) {
 *         return ERROR_ask_failure_code();      // the frame is already consumed
 *     }
 *     ERROR_cancel_handler(id);                 // every normal way out
 *     return status;
 *
 * A boundary guard, once the exception has reached it:
 *
 *     try {
 *         return work();
 *     } catch (const host::HostError& e) {
 *         if (e.for_library_frame()) throw;     // its frame is further out
 *         host::stash_for_user_frame(e);
 *     }
 *     host::deliver_to_user_frame();            // outside the catch block
 *
 * Host log: ERROR_note writes one line "<module> <line>: <text>";
 * ERROR_lprintf writes its formatted text as it stands (one line per call,
 * a single trailing newline dropped). A raise writes nothing on the log (it is
 * journalled as a call of "ERROR_raise" with its code). The log keeps the
 * newest host::error::kLogKept lines and the record of acknowledged codes
 * the newest kAcknowledgedKept codes: a user's process notes lines for as
 * long as it runs, and neither record may grow with it.
 */
#ifndef HOST_SERVICES_ERROR_H
#define HOST_SERVICES_ERROR_H

#include "host/base/services/codes.h"

#include <setjmp.h>

/* Codes raised by the host itself (its internal band 670000). */
#define HOST_ERROR_CODES(X)                                                                                  \
    X(HOST_ERR_INTERNAL, 670001, "Internal error in the host") /* a failed assertion too (ERROR_internal) */ \
    X(HOST_ERR_NULL_ARGUMENT, 670002, "A required argument is null")                                         \
    X(HOST_ERR_DEAD_TAG, 670003, "The tag does not identify an existing object") /* NULL_TAG included */     \
    X(HOST_ERR_BAD_ARGUMENT, 670004, "An argument is out of range or malformed")                             \
    X(HOST_ERR_NO_MEMORY, 670005, "Not enough memory")                                                       \
    X(HOST_ERR_WRONG_CLASS, 670006, "The object is not of the expected class")                               \
    X(HOST_ERR_BAD_BLOCK, 670007, "The pointer does not address a block of host memory")                     \
    X(HOST_ERR_BAD_HANDLE, 670008, "The handle or data-manager name is malformed or no longer valid")        \
    /* outside what the simulated host computes */                                                           \
    X(HOST_ERR_OUT_OF_SCOPE, 670009, "The host does not support this request")                               \
    X(HOST_ERR_BAD_MARK, 670010, "The memory mark is not set")
HOST_CODE_CONSTANTS(HOST_ERROR_CODES);

/* One row of a message table; a table ends with {0, NULL}. */
struct error_text_entry {
    int code;
    const char* text;
};

/* Handler armed with a frame. For a user frame the host calls it with the
 * frame's buffer and the failure code when the error is delivered; if it
 * returns, the host longjmps to the buffer itself. ERROR__default_handler
 * longjmps to the buffer with value 1. */
typedef void (*ERROR_handler_fn)(jmp_buf buffer, int code);

/* Decoder of one band: answers the text of a code or NULL. */
typedef const char* (*ERROR_decoder_fn)(int code, const void* table);

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

#if defined(__cplusplus)
[[noreturn]]
#elif defined(__GNUC__)
__attribute__((noreturn))
#endif
void ERROR_raise(const char* module, int line, int code, const char* format, ...);

#if defined(__cplusplus)
[[noreturn]]
#elif defined(__GNUC__)
__attribute__((noreturn))
#endif
void ERROR_internal(const char* module, int line, const char* format, ...);

/* Arms a frame and returns its handler id (> 0). A null buffer arms a
 * library frame; otherwise a user frame with that jump buffer. */
int ERROR_set_handler(ERROR_handler_fn handler, jmp_buf buffer);
/* Cancels the innermost frame. Cancelling a frame that is armed but not
 * innermost is an internal error: it is noted on the host log and the frame
 * is removed together with every frame armed inside it. An unknown id (a
 * consumed frame, say) is noted on the log and otherwise ignored. */
void ERROR_cancel_handler(int id);
/* Code of the last error raised (0 before any). */
int ERROR_ask_failure_code(void);
void ERROR_note(const char* module, int line, const char* text);
void ERROR_lprintf(const char* format, ...);
/* Records that the caller handled the error with this code. */
void ERROR_acknowledge_handled(int code);
void ERROR__default_handler(jmp_buf buffer, int code);

/* Registers the decoder of the band [base, base + range). A second
 * registration of the same base replaces the first. */
void ERROR_register_decoder_fn(int base, int range, ERROR_decoder_fn decoder, const void* table);
/* Text of a code: the newest registered band covering it answers first;
 * when that band has no text (or no band covers the code) the host's own
 * texts answer (host/base/services/host_messages.h); NULL when neither has one. */
const char* ERROR_decode(int code);
/* Decoder over an array of struct error_text_entry ended by {0, NULL}. */
const char* ERROR_decode_in_table(int code, const void* table);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <cstddef>
#include <exception>
#include <functional>
#include "host/base/export.h"
#include <string>
#include <type_traits>
#include <vector>

namespace host {

// What a raise throws.
class HostError : public std::exception {
public:
    // library_frame: the id of the library frame the raise consumed, 0 when
    // the innermost frame was a user's.
    HostError(int code, std::string module, int line, std::string text, int library_frame)
        : code_(code),
          module_(std::move(module)),
          line_(line),
          text_(std::move(text)),
          library_frame_(library_frame) {}
    int code() const noexcept { return code_; }
    const std::string& module() const noexcept { return module_; }
    int line() const noexcept { return line_; }
    const std::string& text() const noexcept { return text_; }
    // True when a library frame consumed this error at the raise: the
    // library's catch owns it, and boundary guards on the way let it pass.
    bool for_library_frame() const noexcept { return library_frame_ != 0; }
    // The id of that library frame (ERROR_set_handler's answer), 0 for none.
    int library_frame() const noexcept { return library_frame_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    int code_;
    std::string module_;
    int line_;
    std::string text_;
    int library_frame_;
};

// Arms a library frame; the same as ERROR_set_handler(ERROR__default_handler, NULL).
int arm_library_frame();

// Runs f under a frame of its own: answers 0, or the code of an error
// raised inside (its text in *text).
int caught(const std::function<void()>& f, std::string* text = nullptr);

// Used by a boundary guard (see above): inside the catch block,
// stash_for_user_frame keeps the error's data in the host; after the catch
// block has ended, deliver_to_user_frame records the failure code, pops the
// innermost user frame, calls its handler and longjmps to its buffer. With no
// user frame innermost the program stops with the host's message on stderr.
HOST_API void stash_for_user_frame(const HostError& e);
[[noreturn]] HOST_API void deliver_to_user_frame();

namespace error {
// The stack of armed frames, innermost last. The library's frames arm and
// cancel on it in place (see frames_watched) rather than through
// ERROR_set_handler and ERROR_cancel_handler; everything else goes through
// those routines.
struct FrameRecord {
    int id;
    ERROR_handler_fn handler;
    std::decay_t<jmp_buf> buffer;  // the caller's jump buffer; null for a library frame
};
struct FrameStack {
    std::vector<FrameRecord> frames;
    int next_id = 1;
};
HOST_API extern FrameStack g_frames;

// Observable state of the error service (tests, other host parts).
struct Registration {
    int base;
    int range;
    ERROR_decoder_fn decoder;
    const void* table;
};
// How many log lines and acknowledged codes are kept: the newest, the
// oldest going first once a record is full.
inline constexpr std::size_t kLogKept = 1000;
inline constexpr std::size_t kAcknowledgedKept = 1000;
HOST_API int frame_depth();
bool innermost_is_user_frame();
std::vector<int> acknowledged_codes();  // the kept ones, oldest first
// Codes acknowledged since the last reset, the ones no longer kept included.
std::size_t acknowledged_count();
std::vector<Registration> registrations();  // in order of first registration
void clear_registrations();
std::vector<std::string> log_lines();  // the kept ones, oldest first
// Lines noted since the last reset or clear_log, the ones no longer kept
// included: the lines new since a reader last looked are the last
// (lines_noted() - then) of log_lines(), as far as they are still kept.
std::size_t lines_noted();
void clear_log();
}  // namespace error

}  // namespace host
#endif

#endif
