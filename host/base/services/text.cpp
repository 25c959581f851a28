// Text objects, code-set conversion, translation files and the drafting
// string record.
#include "host/base/services/text.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/service_state.h"
#include "host/base/services/error.h"
#include "host/base/services/host_messages.h"
#include "host/base/services/memory.h"

// A text object: its header, then length bytes of the host's characters
// and a NUL.
struct TEXT_s {
    std::uint64_t length;
    char* chars() { return reinterpret_cast<char*>(this + 1); }
    const char* chars() const { return reinterpret_cast<const char*>(this + 1); }
};

namespace host::text {
namespace {

struct State {
    int codeset = TEXT_CODESET_UTF8;
    std::set<const TEXT_s*> texts;
    std::map<std::string, std::string> translations;
    // Text objects are host blocks; the memory service keeps them across a
    // reset, so the record of the live ones does too.
    void reset() {
        codeset = TEXT_CODESET_UTF8;
        translations.clear();
    }
};
State& st() { return service_state<State>("text"); }
const bool registered = (st(), true);

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t utf8_seq(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    static constexpr std::uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool valid_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8_seq(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::uint32_t decode(std::string_view s, std::size_t i, std::size_t n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (n == 1) return c;
    std::uint32_t cp = c & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

void encode(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Locale bytes to host characters.
std::string from_locale(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    if (st().codeset == TEXT_CODESET_LATIN1) {
        for (char c : s) encode(out, static_cast<unsigned char>(c));
        return out;
    }
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8_seq(s, i);
        if (n == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

// Host characters to locale bytes, at most max bytes (max < 0: all), whole
// characters only.
std::string to_locale(std::string_view s, long max) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = utf8_seq(s, i);
        if (n == 0) n = 1;  // cannot happen for a text object
        std::string piece;
        if (st().codeset == TEXT_CODESET_LATIN1) {
            const std::uint32_t cp = decode(s, i, n);
            piece = cp <= 0xFF ? std::string(1, static_cast<char>(cp)) : std::string("?");
        } else {
            piece = std::string(s.substr(i, n));
        }
        if (max >= 0 && out.size() + piece.size() > static_cast<std::size_t>(max)) break;
        out += piece;
        i += n;
    }
    return out;
}

TEXT_p_t make_text(std::string_view chars) {
    auto* t = static_cast<TEXT_s*>(SM_alloc(sizeof(TEXT_s) + chars.size() + 1));
    t->length = chars.size();
    std::memcpy(t->chars(), chars.data(), chars.size());
    t->chars()[chars.size()] = '\0';
    st().texts.insert(t);
    return t;
}

const TEXT_s& require_text(const Call& call, TEXT_p_t text) {
    call.need(text, "the text");
    if (!st().texts.count(text)) call.fail(HOST_ERR_BAD_BLOCK, "%p is not a text object", static_cast<void*>(text));
    return *text;
}

void require_string(const Call& call, const char* s) { call.need(s, "the string"); }

std::string_view chars_of(const TEXT_s& t) { return {t.chars(), t.length}; }

char* host_copy(std::string_view s) {
    auto* out = static_cast<char*>(SM_alloc(s.size() + 1));
    std::memcpy(out, s.data(), s.size());
    out[s.size()] = '\0';
    return out;
}

}  // namespace

void set_codeset(int codeset) { st().codeset = codeset; }
int live_texts() { return static_cast<int>(st().texts.size()); }
std::string translate(const std::string& source) {
    auto it = st().translations.find(source);
    return it == st().translations.end() ? source : it->second;
}

}  // namespace host::text

namespace ht = host::text;

extern "C" {

TEXT_p_t TEXT_create_string(const char* string) {
    auto call = HOST_ENTRY_TEXT(string);
    ht::require_string(call, string);
    if (!ht::valid_utf8(string)) call.fail(HOST_ERR_BAD_ARGUMENT, "the string is not made of the host's characters");
    return ht::make_text(string);
}

TEXT_p_t TEXT_init_string(const char* string) {
    auto call = HOST_ENTRY_TEXT(string);
    ht::require_string(call, string);
    return ht::make_text(ht::from_locale(string));
}

int TEXT_strlen(TEXT_p_t text) {
    auto call = HOST_ENTRY(text);
    return static_cast<int>(ht::require_text(call, text).length);
}

int TEXT_is_ascii(TEXT_p_t text) {
    auto call = HOST_ENTRY(text);
    const TEXT_s& t = ht::require_text(call, text);
    for (std::uint64_t i = 0; i < t.length; ++i)
        if (static_cast<unsigned char>(t.chars()[i]) >= 0x80) return 0;
    return 1;
}

char* TEXT_strcpy(char* buffer, TEXT_p_t text) {
    auto call = HOST_ENTRY(buffer, text);
    const TEXT_s& t = ht::require_text(call, text);
    call.need(buffer, "the buffer");
    std::memcpy(buffer, t.chars(), t.length + 1);
    return buffer;
}

TEXT_p_t TEXT_truncate(TEXT_p_t text, int max_bytes) {
    auto call = HOST_ENTRY(text, max_bytes);
    const TEXT_s& t = ht::require_text(call, text);
    if (max_bytes < 0) call.fail(HOST_ERR_BAD_ARGUMENT, "negative size %d", max_bytes);
    const std::string_view s = ht::chars_of(t);
    std::size_t end = 0;
    while (end < s.size()) {
        const std::size_t n = ht::utf8_seq(s, end);
        if (end + n > static_cast<std::size_t>(max_bytes)) break;
        end += n;
    }
    return ht::make_text(s.substr(0, end));
}

char* TEXT_to_locale_sized(TEXT_p_t text, int max_bytes) {
    auto call = HOST_ENTRY(text, max_bytes);
    const TEXT_s& t = ht::require_text(call, text);
    if (max_bytes < -1) call.fail(HOST_ERR_BAD_ARGUMENT, "bad size %d", max_bytes);
    return ht::host_copy(ht::to_locale(ht::chars_of(t), max_bytes));
}

void TEXT_free_locale(char* string) {
    HOST_ENTRY(string);
    SM_free(string);
}

void TEXT_free(TEXT_p_t text) {
    auto call = HOST_ENTRY(text);
    if (!text) return;
    ht::require_text(call, text);
    ht::st().texts.erase(text);
    SM_free(text);
}

int TEXT_cs_get_codeset(int* scratch) {
    auto call = HOST_ENTRY(scratch);
    const int cs = static_cast<int>(call.int_out(0, ht::st().codeset));
    if (scratch) *scratch = cs;
    return cs;
}

int NLM_load_translation_file(const char* file_name) {
    auto call = HOST_ENTRY_TEXT(file_name, file_name);
    int status;
    if (call.status(status)) return status;
    ht::require_string(call, file_name);
    std::ifstream in(file_name);
    if (!in) return NLM_ERR_OPEN;
    std::map<std::string, std::string> loaded;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) return NLM_ERR_FORMAT;
        loaded[line.substr(0, tab)] = line.substr(tab + 1);
    }
    for (auto& [k, v] : loaded) ht::st().translations[k] = v;
    return 0;
}

int DRF_textpt_to_jqstring(TEXT_p_t* texts, DRF_jqstring_t* output, int n) {
    auto call = HOST_ENTRY(texts, output, n);
    int status;
    if (call.status(status)) return status;
    if (!output || (n > 0 && !texts)) return HOST_ERR_NULL_ARGUMENT;
    if (n < 0) return HOST_ERR_BAD_ARGUMENT;
    output->num_strings = 0;
    output->strings = nullptr;
    if (n == 0) return 0;
    for (int i = 0; i < n; ++i) ht::require_text(call, texts[i]);
    auto** strings = static_cast<char**>(SM_alloc(sizeof(char*) * static_cast<std::size_t>(n)));
    for (int i = 0; i < n; ++i) strings[i] = ht::host_copy(ht::chars_of(*texts[i]));
    output->num_strings = n;
    output->strings = strings;
    return 0;
}

}  // extern "C"

// The texts of the text service's codes.
HOST_CODE_TEXTS(HOST_TEXT_CODES);
