// Saving the work part and opening it again, as the tests that check what
// a part file keeps do it.
#ifndef TESTS_SUPPORT_PART_FILES_H
#define TESTS_SUPPORT_PART_FILES_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/store/parts/part_file.h"

namespace kxtest {

// Saves the part to the file it is named by; answers the save's result
// (0 when saved).
int save_part(unsigned int part);

// Opens the part file (the load status it hands out is freed). Answers
// the open's code; the part read in *part (0 for none).
int open_part(const std::string& file, unsigned int* part);

// Saves the part to its file, runs `reset` (which leaves a fresh host and
// library session), starts the interface again and opens the file as the
// work part. Answers the part read, or 0 after recording a test failure.
unsigned int reopen_part(unsigned int part, const std::string& file, const std::function<void()>& reset);

// One row of a part-file section framed in rows: the object's number in
// the file and the row's bytes.
struct SectionRow {
    std::uint32_t number;
    std::string bytes;
};
std::vector<SectionRow> section_rows(std::string_view payload);
std::string rows_payload(const std::vector<SectionRow>& rows);
// The payload of section `id` of the image (a test failure and an empty
// payload when the image has none).
std::string section_of(const host::part_file::Image& image, std::string_view id);

// Applies the image with section `id` holding `payload` instead: the file
// must be refused as corrupt, with no object left behind.
void expect_refused_with(const host::part_file::Image& image, std::string_view id, std::string payload);
// The image without section `id`.
host::part_file::Image without_section(host::part_file::Image image, std::string_view id);

// The stored bytes of a body in the kernel's file format (exported to a
// scratch file in the test's temporary folder, read back, removed).
std::string stored_body_bytes(unsigned int body);

}  // namespace kxtest

#endif
