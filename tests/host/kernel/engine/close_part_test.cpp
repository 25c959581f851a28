// Closing a part that holds a solid body: the body's faces and edges go
// with their body, and the part's other objects after them.
#include <gtest/gtest.h>

#include "host/control/control.h"
#include "host/store/parts/parts.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/objects.h"

namespace {

TEST(ClosePartWithBody, ThePartAndEveryObjectOfItGo) {
    host::control::reset();
    const unsigned int part = host::parts::create("solid.prt");
    host::parts::set_work_part(part);
    const double origin[3] = {0, 0, 0};
    const double sizes[3] = {1, 2, 3};
    int body = 0;
    ZQ_BODY_make_block(origin, sizes, &body);
    const auto objects = host::objects::objects_of_part(part);
    ASSERT_GT(objects.size(), 6u);              // the body, its faces and its edges
    EXPECT_EQ(base_Part_Close(part, 0, 1), 0);  // its changes discarded
    for (unsigned int t : objects) EXPECT_FALSE(host::objects::is_alive(t)) << t;
    EXPECT_FALSE(host::objects::is_alive(part));
    host::control::reset();
}

}  // namespace
