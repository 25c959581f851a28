#include "tests/support/part_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "host/base/services/memory.h"
#include "kx_core.h"

namespace kxtest {

int save_part(unsigned int part) {
    int components = 0, mode = 0, result = -1;
    base_save_part(&part, &components, &mode, &result);
    return result;
}

int open_part(const std::string& file, unsigned int* part) {
    PART_load_status_t status{};
    *part = 0;
    const int code = BASE_open_part(file.c_str(), part, &status);
    for (int i = 0; i < status.n_parts; ++i) SM_free(status.file_names[i]);
    SM_free(status.file_names);
    SM_free(status.statuses);
    return code;
}

unsigned int reopen_part(unsigned int part, const std::string& file, const std::function<void()>& reset) {
    const int saved = save_part(part);
    EXPECT_EQ(saved, 0) << "saving " << file;
    if (saved != 0) return 0;
    reset();
    EXPECT_EQ(KX_initialize(), 0);
    unsigned int again = 0;
    const int code = open_part(file, &again);
    EXPECT_EQ(code, 0) << "opening " << file;
    if (code != 0 || again == 0) return 0;
    CONTEXT_set_work_part(again);
    return again;
}

std::vector<SectionRow> section_rows(std::string_view payload) {
    host::part_file::Reader in(payload);
    std::vector<SectionRow> rows(in.u32());
    for (SectionRow& r : rows) {
        r.number = in.u32();
        r.bytes = in.str();
    }
    return rows;
}

std::string rows_payload(const std::vector<SectionRow>& rows) {
    host::part_file::Writer w;
    w.u32(static_cast<std::uint32_t>(rows.size()));
    for (const SectionRow& r : rows) {
        w.u32(r.number);
        w.str(r.bytes);
    }
    return w.take();
}

std::string section_of(const host::part_file::Image& image, std::string_view id) {
    for (const auto& [at, payload] : image.sections)
        if (at == id) return payload;
    ADD_FAILURE() << "no section " << id;
    return {};
}

void expect_refused_with(const host::part_file::Image& image, std::string_view id, std::string payload) {
    host::part_file::Image spoilt = image;
    for (auto& [at, bytes] : spoilt.sections)
        if (at == id) bytes = std::move(payload);
    const std::size_t live = host::objects::live_objects().size();
    int code = 0;
    EXPECT_EQ(host::part_file::apply(spoilt, "spoilt.prt", &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    EXPECT_EQ(host::objects::live_objects().size(), live);
}

host::part_file::Image without_section(host::part_file::Image image, std::string_view id) {
    std::erase_if(image.sections, [&](const auto& s) { return s.first == id; });
    return image;
}

std::string stored_body_bytes(unsigned int body) {
    const std::string file = std::string(::testing::TempDir()) + "stored_body.kx";
    const int entity = host::kernel::entity_of(body);
    ZQ_BODY_export(1, &entity, file.c_str());
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::remove(file.c_str());
    return bytes;
}

}  // namespace kxtest
