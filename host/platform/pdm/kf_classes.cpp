// The product-data manager's table of knowledge classes, functions and
// folders.
#include "host/platform/pdm/kf_classes.h"

#include <algorithm>
#include <map>

#include "host/base/hook.h"
#include "host/base/service_state.h"
#include "host/base/services/block_array.h"
#include "host/base/services/memory.h"

namespace {

struct Item {
    bool function = false;
    std::vector<std::string> refers;
};

struct Folder {
    std::map<std::string, Item> items;
};

struct Table {
    std::map<std::string, Folder> folders;
};
Table& st() { return host::service_state<Table>("pdm.kf"); }
const bool registered = (st(), true);

// The item of the name in any folder, of the kind asked; null for none.
const Item* find_item(const char* name, bool function) {
    for (const auto& [f, folder] : st().folders)
        if (auto it = folder.items.find(name); it != folder.items.end() && it->second.function == function)
            return &it->second;
    return nullptr;
}

const Item* find_any(const char* name) {
    if (const Item* i = find_item(name, false)) return i;
    return find_item(name, true);
}

bool is_function(const std::string& name) {
    for (const auto& [f, folder] : st().folders)
        if (auto it = folder.items.find(name); it != folder.items.end()) return it->second.function;
    return false;
}

int hand_out(std::vector<std::string> texts, int* count, char*** names) {
    std::sort(texts.begin(), texts.end());
    texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
    if (texts.empty()) return 0;
    *names = host::block_array<char*>(
        texts.size(), 0, [&](std::size_t i) { return SM_string_copy(texts[i].c_str()); }, [](char* t) { SM_free(t); });
    *count = static_cast<int>(texts.size());
    return 0;
}

// An existence test's answer: *exists set to 1 when the item is there.
template <class Found>
int answer(const host::Call& call, unsigned char* exists, Found found) {
    call.need(exists, "the answer");
    int scripted;
    if (call.status(scripted)) return scripted;
    if (found()) *exists = 1;
    return 0;
}

}  // namespace

namespace host::pdm {
void kf_add_folder(const std::string& folder) { st().folders[folder]; }
void kf_add_class(const std::string& folder, const std::string& name, const std::vector<std::string>& refers) {
    st().folders[folder].items[name] = Item{false, refers};
}
void kf_add_function(const std::string& folder, const std::string& name, const std::vector<std::string>& refers) {
    st().folders[folder].items[name] = Item{true, refers};
}
}  // namespace host::pdm

extern "C" {

int JQMGR_KF_get_all_designs_or_funcs(const char* where, int classes, int funcs, int* count, char*** names) {
    auto call = HOST_ENTRY_TEXT(where, classes, funcs);
    call.need(count, "the count");
    call.need(names, "the names");
    *count = 0;
    *names = nullptr;
    int scripted;
    if (call.status(scripted)) return scripted;
    std::vector<std::string> out;
    for (const auto& [f, folder] : st().folders) {
        if (where && f != where) continue;
        for (const auto& [name, item] : folder.items)
            if (item.function ? funcs : classes) out.push_back(name);
    }
    if (where && !st().folders.count(where)) return JQMGR_KF_ERR_FAILED;
    return hand_out(std::move(out), count, names);
}

int JQMGR_KF_list_classes_referenced(const char* name, int* count, char*** names, int classes, int funcs) {
    auto call = HOST_ENTRY_TEXT(name, classes, funcs);
    call.need(name, "the name");
    call.need(count, "the count");
    call.need(names, "the names");
    *count = 0;
    *names = nullptr;
    int scripted;
    if (call.status(scripted)) return scripted;
    const Item* item = find_any(name);
    if (!item) return JQMGR_KF_ERR_FAILED;
    std::vector<std::string> out;
    for (const std::string& r : item->refers)
        if (is_function(r) ? funcs : classes) out.push_back(r);
    return hand_out(std::move(out), count, names);
}

int JQMGR_KF_is_dfa_class_exists(const char* name, unsigned char* exists) {
    return answer(HOST_ENTRY_TEXT(name), exists, [&] { return name && find_item(name, false); });
}

int JQMGR_KF_is_dfa_func_exists(const char* name, unsigned char* exists) {
    return answer(HOST_ENTRY_TEXT(name), exists, [&] { return name && find_item(name, true); });
}

int JQMGR_KF_is_dfa_folder_exists(const char* folder, unsigned char* exists) {
    return answer(HOST_ENTRY_TEXT(folder), exists, [&] { return folder && st().folders.count(folder) != 0; });
}

}  // extern "C"
