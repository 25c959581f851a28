// Tags and persistent handles: the text form of a tag that survives
// closing and reopening its part.
#include <cstring>

#include "kx_core.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/parts/rm.h"
#include "host/base/services/objects.h"

KXAPI char* KX_TAG_ask_handle_of_tag(tag object) {
    return kx::guarded([&] {
        int as_signed = static_cast<int>(object);
        if (as_signed < 0) as_signed += 65536;
        return TAG_ask_handle_of_tag(static_cast<unsigned int>(as_signed));
    });
}

KXAPI tag KX_TAG_ask_tag_of_handle(const char* handle) {
    return kx::guarded([&] { return static_cast<tag>(TAG_ask_tag_of_handle_tol(handle)); });
}

KXAPI tag KX_TAG_ask_new_tag_of_entity(unsigned int entity) {
    return kx::guarded([&] { return static_cast<tag>(RM_ask_new_tag_of_entity(entity)); });
}

KXAPI int KX_TAG_compose_handle(const char* file_data, unsigned int sub_file_id, unsigned int version,
                                           char** handle) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(handle);
            // The data-manager name takes the first two characters.
            const bool has_dm = file_data && file_data[0] != '\0' && file_data[1] != '\0';
            return kx::check({{has_dm, 1}, {handle, 4}});
        },
        [&] {
            const char dm_name[3] = {file_data[0], file_data[1], '\0'};
            const unsigned char dm = TAG_ask_dm_of_name(dm_name);
            *handle = TAG_compose_handle(dm, file_data + 2, sub_file_id, version);
        });
}

KXAPI int KX_TAG_decompose_handle(const char* handle, char** file_data, unsigned int* sub_file_id,
                                             unsigned int* version) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(file_data);
            // The host checks the handle and the two identifier outputs.
            return kx::check({{file_data, 2}});
        },
        [&] {
            unsigned char dm = 0;
            char* part_raw = nullptr;
            TAG_decompose_handle(handle, &dm, &part_raw, sub_file_id, version);
            // The host's file part is copied and given back at once, so that
            // no step after it has anything to give back.
            const std::string part = part_raw ? part_raw : "";
            if (part_raw) SM_free(part_raw);
            char name[4] = {};
            TAG_ask_name_of_dm(dm, name);
            const std::size_t name_len = std::strlen(name);
            const std::size_t part_len = part.size();
            char* out = static_cast<char*>(SM_alloc(name_len + part_len + 1));
            std::memcpy(out, name, name_len);
            if (part_len) std::memcpy(out + name_len, part.data(), part_len);
            out[name_len + part_len] = '\0';
            *file_data = out;
        });
}
