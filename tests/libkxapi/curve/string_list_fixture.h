// Curve fixture for tests that hand the library string lists and take
// blocks back from it: both are freed before the host is reset.
#ifndef TESTS_LIBKXAPI_CURVE_STRING_LIST_FIXTURE_H
#define TESTS_LIBKXAPI_CURVE_STRING_LIST_FIXTURE_H

#include <cstddef>
#include <vector>

#include "curve_fixture.h"
#include "host/base/services/memory.h"
#include "kx_modl.h"

class StringListCurveTest : public CurveTest {
protected:
    // One string of the given objects, each in its own direction.
    string_list strings_of(std::vector<tag> objects) {
        string_list s{};
        KX_MODL_create_string_list(1, static_cast<int>(objects.size()), &s);
        s.per_string[0] = static_cast<int>(objects.size());
        s.dir[0] = 1;
        for (std::size_t i = 0; i < objects.size(); ++i) s.objects[i] = objects[i];
        made.push_back(s);
        return s;
    }
    // Blocks the test was handed, freed before the host is reset.
    void hold(void* block) { held.push_back(block); }
    void TearDown() override {
        for (string_list& s : made) KX_MODL_free_string_list(&s);
        for (void* b : held) SM_free(b);
        CurveTest::TearDown();
    }
    std::vector<string_list> made;
    std::vector<void*> held;
};

#endif
