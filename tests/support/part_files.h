// Saving the work part and opening it again, as the tests that check what
// a part file keeps do it.
#ifndef TESTS_SUPPORT_PART_FILES_H
#define TESTS_SUPPORT_PART_FILES_H

#include <functional>
#include <string>

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

}  // namespace kxtest

#endif
