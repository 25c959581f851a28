// A part that is only partly loaded, for the queries that refuse the
// occurrences of its objects: a part with a 10 x 10 x 10 block and a
// component that is missing, saved, closed and opened again.
#ifndef TESTS_SUPPORT_PARTLY_LOADED_H
#define TESTS_SUPPORT_PARTLY_LOADED_H

#include <string>

namespace kxtest {

// Makes the part as `file` (its folder must exist) and answers the part as
// opened again (0 when that failed); `work` becomes the work part again.
unsigned int partly_loaded_part(const std::string& file, unsigned int work);

}  // namespace kxtest

#endif
