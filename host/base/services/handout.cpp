// All-or-none hand-outs of host blocks.
#include "host/base/services/handout.h"

#include <algorithm>

#include "host/base/services/memory.h"

namespace host::memory {

Handout::~Handout() {
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it) take_back(*it);
}

void* Handout::keep(void* block) {
    blocks_.push_back(block);
    return block;
}

char* Handout::text(const std::string& text) { return static_cast<char*>(keep(SM_string_copy(text.c_str()))); }

char** Handout::texts(const std::vector<std::string>& texts) {
    if (texts.empty()) return nullptr;
    auto** out = static_cast<char**>(keep(SM_alloc(texts.size() * sizeof(char*))));
    std::fill(out, out + texts.size(), nullptr);
    for (std::size_t i = 0; i < texts.size(); ++i) out[i] = text(texts[i]);
    return out;
}

unsigned int* Handout::tags(const std::vector<unsigned int>& tags) {
    if (tags.empty()) return nullptr;
    auto* out = static_cast<unsigned int*>(keep(SM_alloc(tags.size() * sizeof(unsigned int))));
    std::copy(tags.begin(), tags.end(), out);
    return out;
}

void** Handout::pointers(std::size_t n) {
    if (n == 0) return nullptr;
    auto** out = static_cast<void**>(keep(SM_alloc(n * sizeof(void*))));
    std::fill(out, out + n, nullptr);
    return out;
}

}  // namespace host::memory
