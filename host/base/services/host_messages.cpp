// The texts of the host's own codes (see host_messages.h).
#include "host/base/services/host_messages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>


namespace host::messages {
namespace {

struct Registry {
    std::mutex lock;
    std::vector<std::span<const error_text_entry>> bands;
    std::vector<error_text_entry> merged;  // ascending; rebuilt after a registration
    bool stale = false;
};

Registry& registry() {
    static Registry r;
    return r;
}

// The merged table, made again when a band came since the last look-up.
const std::vector<error_text_entry>& merged() {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    if (r.stale) {
        r.merged.clear();
        for (const auto& band : r.bands) r.merged.insert(r.merged.end(), band.begin(), band.end());
        std::sort(r.merged.begin(), r.merged.end(),
                  [](const error_text_entry& a, const error_text_entry& b) { return a.code < b.code; });
        for (std::size_t i = 1; i < r.merged.size(); ++i)
            if (r.merged[i - 1].code == r.merged[i].code) {
                std::fprintf(stderr, "host: code %d has two texts (\"%s\", \"%s\")\n", r.merged[i].code,
                             r.merged[i - 1].text, r.merged[i].text);
                std::abort();
            }
        r.stale = false;
    }
    return r.merged;
}

}  // namespace

Rows::Rows(std::span<const error_text_entry> rows) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.bands.push_back(rows);
    r.stale = true;
}

const char* text(int code) {
    const std::vector<error_text_entry>& all = merged();
    const auto it = std::lower_bound(all.begin(), all.end(), code,
                                     [](const error_text_entry& e, int c) { return e.code < c; });
    return it != all.end() && it->code == code ? it->text : nullptr;
}

std::span<const error_text_entry> table() { return merged(); }

}  // namespace host::messages
