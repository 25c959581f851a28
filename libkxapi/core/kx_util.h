// Shared helpers for the steps that the library's functions repeat:
// bounded copies into caller buffers, caller-owned allocation, host blocks
// held for the length of a call, tag-class checks and assertions at a raised
// checking level, and the two calling conventions of the old numbered entry
// points. Internal to the library.
//
// Argument checks and clearing outputs live with the frame (frame.h:
// kx::param, kx::check, kx::clear); the undo bracket in kx_undo_bracket.h.
#ifndef KX_CORE_KX_UTIL_H
#define KX_CORE_KX_UTIL_H

#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/platform/support/support.h"
#include "kx_types.h"
#include "libkxapi/core/frame.h"

namespace kx {

// ---- Bounded copy into a caller buffer -------------------------------------

// Characters of a message buffer; the buffer holds one more for the NUL.
inline constexpr std::size_t kMessageChars = 132;

// Copies at most max_chars characters of src into dst, pads a shorter text
// with NULs up to max_chars and writes the NUL at dst[max_chars]; dst must
// hold max_chars + 1 bytes. A null src gives the empty text.
void copy_bounded(char* dst, const char* src, std::size_t max_chars = kMessageChars);

// Copies at most max_chars characters of src and a NUL into dst, and
// nothing more: the bytes after the NUL stay as they are. A null src gives
// the empty text.
void copy_cut(char* dst, const char* src, std::size_t max_chars = kMessageChars);

// ---- Caller-owned allocation -------------------------------------------------

// Results handed to a caller come from the host's general allocator
// (SM_alloc) and go back through KX_free (or KX_free_string_array). An
// empty result is a null pointer, never a block of size 0.

template <class T>
T* alloc_array(std::size_t n) {
    return n == 0 ? nullptr : static_cast<T*>(SM_alloc(n * sizeof(T)));
}

// Copy of the values, or null for none.
template <class T>
T* copy_array(std::span<const T> values) {
    T* out = alloc_array<T>(values.size());
    if (out) std::memcpy(out, values.data(), values.size() * sizeof(T));
    return out;
}

// A NUL-terminated copy of the text (never null).
char* dup_string(std::string_view text);

// An array of n separately allocated strings (KX_free_string_array frees
// it), or null when there are none.
char** string_array(std::span<const std::string> texts);

// Frees a host block (null is fine) and clears the pointer.
template <class T>
void free_and_clear(T*& block) {
    if (block) SM_free(const_cast<void*>(static_cast<const void*>(block)));
    block = nullptr;
}

// A host block (SM_alloc, a host-made string ...) owned for the length of a
// call: freed when the holder goes out of scope, also when a host error
// unwinds through it (by kx::release, frame.h). release() hands it on.
template <class T>
inline void sm_free(T* block) {
    SM_free(const_cast<void*>(static_cast<const void*>(block)));
}
template <class T>
using host_ptr = held<T, sm_free<T>>;

// A mark of the host's scratch memory: every block allocated after it is
// freed when the holder goes (by kx::release, so that a failure to free
// fails the work around it instead of leaving the holder).
struct MemoryMark {
    int id = SM_set_mark();
    MemoryMark() = default;
    MemoryMark(const MemoryMark&) = delete;
    MemoryMark& operator=(const MemoryMark&) = delete;
    ~MemoryMark() {
        kx::release([mark = id] { SM_free_to_mark(mark); });
    }
};

// The host memory of a call that hands out blocks which host routines make:
// set() marks the allocation sequence before them; release() (from the
// frame's failure step, kx::on_error) gives back every block allocated
// since, so that a failed call keeps nothing, also what a host routine had
// made when it raised and kept. At success the mark stays set: the blocks
// are the caller's. Call release() only once the call's own holders are
// gone (the failure step runs after the work has unwound), and clear the
// outputs with it: what they pointed at is given back.
struct FailureMemory {
    int mark = 0;
    FailureMemory() = default;
    FailureMemory(const FailureMemory&) = delete;
    FailureMemory& operator=(const FailureMemory&) = delete;
    void set() { mark = SM_set_mark(); }
    void release() noexcept {
        if (mark == 0) return;
        kx::release([m = std::exchange(mark, 0)] { SM_free_to_mark(m); }, true);
    }
};

// ---- Tag-class checks and assertions ---------------------------------------

// True when the host's debug checks are on (MACH__checking_level above 0).
inline bool checking() { return MACH__checking_level > 0; }

// At a raised checking level, checks the tag against its expected class
// (OM_check_tag_class raises when it differs); otherwise nothing.
inline void check_class(const char* module, int line, tag object, OM_class_t cls) {
    if (checking()) OM_check_tag_class(module, line, object, cls);
}

// At a raised checking level, raises ERROR_internal(module, line,
// "Assertion failed: %s", text) when the condition is false.
inline void check_assert(bool condition, const char* module, int line, const char* text) {
    if (checking() && !condition) ERROR_internal(module, line, "Assertion failed: %s", text);
}

// The same with the source line and the condition's text filled in; the
// file must define `kModule`, its source module's name ("kx_obj" ...).
// The condition is evaluated only when checking is on.
#define KX_ASSERT(condition)                                                                                         \
    do {                                                                                                             \
        if (::kx::checking() && !(condition)) ERROR_internal(kModule, __LINE__, "Assertion failed: %s", #condition); \
    } while (0)
#define KX_CHECK_CLASS(object, cls) ::kx::check_class(kModule, __LINE__, (object), (cls))

// Frees an array of n strings and the array (KX_free_string_array without
// its boundary guard); host errors go to the caller's frame.
void free_string_array(int n, char** array);

// The text of a status code into message (KX_MESSAGE_BUFSIZE characters):
// KX_get_fail_message without its boundary guard; host errors go to the
// caller's frame.
int fail_message(int code, char* message);

// ---- Old numbered entry points: C strings, negated codes (ucNNNN) ------------

// The text of a negative code (uc4599): at most 132 characters and a NUL
// into text; a failure of the host is noted on the log and leaves the
// buffer as it was. Host errors do not pass.
void old_code_text(int code, char* text);

// The status of a uc entry point: a positive code is returned negated,
// 0 and negative codes as they are.
constexpr int uc_status(int status) { return status > 0 ? -status : status; }

// The file interface's mapping: a host code c with 1020000 < c <= 1020188
// becomes 1020000 - c (-1 to -188); every other value passes unchanged.
inline constexpr int kFileBand = 1020000;      // the host file interface's band
inline constexpr int kFileBandLast = 1020188;  // its last code
constexpr int uc_file_code(int code) { return code > kFileBand && code <= kFileBandLast ? kFileBand - code : code; }

// The frame of the uc entries that refuse with -1105000 when the session
// is not open: a host error that it catches is answered negated when it is
// positive; what the work answers passes as it is.
template <class Work>
int uc_negated_frame(Work&& work) {
    bool caught = false;
    const int st =
        frame(Opts{.not_init = -kNotInitialized}, on_error([&] { caught = true; }), detail::NoPrologue{}, work);
    return caught ? uc_status(st) : st;
}

// Copies a host string into a caller's buffer of `size` bytes: at most
// size - 1 characters and a NUL (a null text gives the empty text); a null
// buffer is left alone.
inline void uc_copy_out(char* buffer, const char* text, std::size_t size) {
    if (buffer && size > 0) copy_cut(buffer, text, size - 1);
}

// Empties a caller's buffer (null is left alone).
inline void uc_empty(char* buffer) {
    if (buffer) buffer[0] = '\0';
}

// ---- Old numbered entry points: Fortran-style arguments (kxNNNN_) ------------
//
// Every argument by address; a text argument is a character field with its
// length passed as a hidden trailing argument (after all others) and
// padded with blanks; the status comes back through a trailing argument:
//
//     extern "C" KXAPI void kx1234_(const char* name, int* value, int* status, int name_len) {
//         kx::fortran_frame(status, [&] {
//             std::string n = kx::from_fortran(name, name_len);
//             ...
//             return 0;
//         });
//     }

// The text of a character field: its characters up to the length or the
// first NUL, without trailing blanks.
std::string from_fortran(const char* field, int length);

// Writes text into a character field of the given length: cut to the
// length, padded with blanks.
void to_fortran(char* field, int length, std::string_view text);

// Runs kx::frame with the given options (and prologue) and writes its
// status into the trailing status argument (when it is not null).
template <class... A>
void fortran_frame(int* status, A&&... frame_args) {
    guarded([&] {
        const int st = frame(std::forward<A>(frame_args)...);
        if (status) *status = st;
    });
}

}  // namespace kx

// The common tail of creating and editing functions: with *mode 1 and an
// object of entity type 70, a model update without messages; then, in every
// case, the object's display is regenerated. Answers the regeneration's
// result. Arguments by address, as the old numbered interface passes them.
// Not exported to programs (no public header); host errors pass to the
// caller's frame.
extern "C" int regenerate_after_edit(int* mode, tag* object);

#endif
