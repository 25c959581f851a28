// The entry hook that every host function calls first.
//
//     extern "C" int DSS_REGEN_regen_object(unsigned int object) {
//         auto call = HOST_ENTRY(object);
//         int status;
//         if (call.status(status)) return status;      // a test scripted the answer
//         ...real work...
//     }
//
// HOST_ENTRY(args...) journals {the routine's own name (__func__), up to four
// arguments} (integers,
// enums and pointers as 64-bit integers, floating values bit-cast; query them
// with JournalRecord::real) and applies the test's script for that name:
// raise a code on the n-th call or on every call (the raise happens inside
// HOST_ENTRY), a status (Call::status), or output values (Call::int_out,
// real_out, text_out by index). HOST_ENTRY_TEXT(text, args...) also
// keeps the first 86 characters of a text argument in the record (null is
// recorded as an empty text). HOST_ENTRY_AS(name, args...) is for a shared
// helper that enters on behalf of the routine named by its caller.
//
// The call knows its routine's name, so checks and errors raised by the
// routine say where they come from without the routine writing its name:
//     call.need(pointer, "the status output");   // null: HOST_ERR_NULL_ARGUMENT
//     call.fail(HOST_ERR_BAD_ARGUMENT, "mark %d is not set", mark);
//     const objects::Object& o = call.live(tag);   // no live object: HOST_ERR_DEAD_TAG
// A helper that checks or raises on behalf of a routine takes the routine's
// `const host::Call&`, never its name.
//
// Cost with nothing scripted: one flag test and a store into a preallocated
// array (journal on), or two flag tests (journal off).
#ifndef HOST_HOOK_H
#define HOST_HOOK_H

#include "host/base/export.h"
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace host {

namespace objects {
struct Object;
}

struct JournalRecord {
    const char* name;  // the function's name (a literal)
    std::int64_t arg[4];
    std::uint8_t nargs;
    char text[87];
    double real(int i) const { return std::bit_cast<double>(arg[i]); }
};

// A value handed back to a function by a test's script.
struct Value {
    enum Kind { Int, Real, Text } kind = Int;
    std::int64_t i = 0;
    double r = 0;
    std::string s;
    Value(int v) : kind(Int), i(v) {}
    Value(unsigned v) : kind(Int), i(v) {}
    Value(long v) : kind(Int), i(v) {}
    Value(long long v) : kind(Int), i(v) {}
    Value(unsigned long v) : kind(Int), i(static_cast<std::int64_t>(v)) {}
    Value(double v) : kind(Real), r(v) {}
    Value(const char* v) : kind(Text), s(v ? v : "") {}
    Value(std::string v) : kind(Text), s(std::move(v)) {}
};

struct Script;

namespace hook_detail {
extern JournalRecord* j_data;
extern std::size_t j_size;
extern std::size_t j_cap;
// Read by the library's frames too (their fast path skips the error
// service's routines while neither journal nor scripts watch them).
HOST_API extern bool j_on;
HOST_API extern int scripted;           // number of names with a script
void grow();                            // makes room for one more record
const Script* apply(const char* name);  // may raise

// A test's scripts by routine name (host/control/control.h sets them).
void script_raise(const char* name, int code, int nth);  // nth 0: every call
void script_status(const char* name, int status);
void script_outputs(const char* name, std::vector<Value> values);
void script_clear(const char* name);
void scripts_clear();

template <class T>
inline std::int64_t to_arg(T v) {
    if constexpr (std::is_pointer_v<T> || std::is_null_pointer_v<T>)
        return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(v));
    else if constexpr (std::is_floating_point_v<T>) return std::bit_cast<std::int64_t>(static_cast<double>(v));
    else if constexpr (std::is_enum_v<T>) return static_cast<std::int64_t>(v);
    else return static_cast<std::int64_t>(v);
}

template <class... A>
inline JournalRecord* record(const char* name, A... args) {
    static_assert(sizeof...(A) <= 4, "the journal keeps at most four arguments");
    if (j_size == j_cap) grow();
    JournalRecord* r = &j_data[j_size++];
    r->name = name;
    r->nargs = static_cast<std::uint8_t>(sizeof...(A));
    r->text[0] = '\0';
    int k = 0;
    ((r->arg[k++] = to_arg(args)), ...);
    return r;
}
}  // namespace hook_detail

// What the hook hands back to the function: the script for this call, if any.
class Call {
public:
    Call(const char* name, const Script* s) : name_(name), s_(s) {}
    const char* name() const { return name_; }
    bool scripted() const { return s_ != nullptr; }
    // Raises code with "<routine>: <text>" as the error's text.
    [[noreturn]] void fail(int code, const char* format, ...) const __attribute__((format(printf, 3, 4)));
    // Raises HOST_ERR_NULL_ARGUMENT ("<routine>: <what> is null") for a null
    // pointer; answers the pointer otherwise.
    template <class T>
    T* need(T* pointer, const char* what = "a pointer argument") const {
        if (!pointer) null_argument(what);
        return pointer;
    }
    // The live object of the tag; raises HOST_ERR_DEAD_TAG ("<routine>: tag
    // <tag> is not a live object") for no live object, NULL_TAG included.
    const objects::Object& live(unsigned int tag) const;
    // A live object of entity type `type`; one of another type raises
    // HOST_ERR_WRONG_CLASS ("<routine>: tag <tag> is not of type <type>").
    const objects::Object& live_of_type(unsigned int tag, int type) const;
    // A live object of class `cls` or one of its subclasses; another raises
    // HOST_ERR_WRONG_CLASS ("<routine>: tag <tag> is not <what>").
    const objects::Object& live_of_class(unsigned int tag, int cls, const char* what) const;
    // Raises HOST_ERR_DEAD_TAG as live does.
    [[noreturn]] void dead_tag(unsigned int tag) const;
    // True (and out set) when a test scripted the function's status.
    bool status(int& out) const { return s_ && scripted_status(out); }
    std::size_t outputs() const { return s_ ? output_count() : 0; }
    std::int64_t int_out(std::size_t i, std::int64_t dflt) const { return s_ ? int_at(i, dflt) : dflt; }
    double real_out(std::size_t i, double dflt) const { return s_ ? real_at(i, dflt) : dflt; }
    // The text stays valid until the script is changed or cleared.
    const char* text_out(std::size_t i, const char* dflt) const { return s_ ? text_at(i, dflt) : dflt; }

private:
    bool scripted_status(int& out) const;
    std::size_t output_count() const;
    std::int64_t int_at(std::size_t i, std::int64_t dflt) const;
    double real_at(std::size_t i, double dflt) const;
    const char* text_at(std::size_t i, const char* dflt) const;
    [[noreturn]] void null_argument(const char* what) const;
    const char* name_;
    const Script* s_;
};

template <class... A>
inline Call enter(const char* name, A... args) {
    if (hook_detail::j_on) hook_detail::record(name, args...);
    if (hook_detail::scripted == 0) return Call(name, nullptr);
    return Call(name, hook_detail::apply(name));
}

template <class... A>
inline Call enter_text(const char* name, const char* text, A... args) {
    if (hook_detail::j_on) {
        JournalRecord* r = hook_detail::record(name, args...);
        if (text) {
            std::size_t n = std::strlen(text);
            if (n > sizeof r->text - 1) n = sizeof r->text - 1;
            std::memcpy(r->text, text, n);
            r->text[n] = '\0';
        }
    }
    if (hook_detail::scripted == 0) return Call(name, nullptr);
    return Call(name, hook_detail::apply(name));
}

}  // namespace host

#define HOST_ENTRY(...)            ::host::enter(__func__ __VA_OPT__(, ) __VA_ARGS__)
#define HOST_ENTRY_TEXT(text, ...) ::host::enter_text(__func__, text __VA_OPT__(, ) __VA_ARGS__)
#define HOST_ENTRY_AS(name, ...)   ::host::enter(name __VA_OPT__(, ) __VA_ARGS__)

#endif
