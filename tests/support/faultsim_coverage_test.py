#!/usr/bin/env python3
"""The rules of faultsim_coverage.py, each on the side that refuses, on a
small source tree made for the purpose: a header of four exported functions,
a story folder and a list file."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "faultsim_coverage.py")

HEADER = """\
#include "kx_types.h"
/* KXAPI int KX_IN_a_comment(void); is no declaration */
KXAPI int KX_GEAR_make(tag part,
                       int teeth, tag* gear);
KXAPI int KX_GEAR_ask_teeth(tag gear, int* teeth);
KXAPI const char* KX_GEAR_ask_name(tag gear);
KXAPI void kx4417_(int* flag);
"""

STORY = """\
#define STEP FAULTSIM_STEP
#define CHECKED(expr) checked(#expr, [&] { return expr; })
int story() {
    STEP(KX_GEAR_make(part, 19, &gear));
    if (int st = faultsim::step("KX_GEAR_ask_teeth", [&] { return KX_GEAR_ask_teeth(gear, &n); })) return st;
    return 0;
}
TEST(GearFaultSimulation, EveryRunEndsClean) {}
"""


class Coverage(unittest.TestCase):
    def tree(self, story=STORY, listed="", elsewhere=""):
        root = tempfile.mkdtemp()
        self.addCleanup(subprocess.run, ["rm", "-rf", root])
        files = {
            "libkxapi/include/kx_gear.h": HEADER,
            "libkxapi/gear/kx_gear.cpp": 'extern "C" KXAPI void kxgear_(int* n) {}\n',
            "tests/libkxapi/gear/gear_faultsim_test.cpp": story,
            "tests/libkxapi/other/other_test.cpp": elsewhere,
            "tests/support/faultsim_unwalked.txt": "# comment\n" + listed,
        }
        for name, text in files.items():
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(textwrap.dedent(text))
        return root

    def run_check(self, root):
        r = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)
        return r.returncode, r.stdout

    def test_every_unwalked_function_listed_passes_with_its_figures(self):
        rc, out = self.run_check(self.tree(listed="KX_GEAR_ask_name no-host-call reads the tag only\n"
                                                  "kx4417_ not-yet\nkxgear_ not-yet\n"))
        self.assertEqual(rc, 0, out)
        self.assertRegex(out, r"kx_gear.h\s+4\s+2\s+1\s+1\s+0")
        self.assertRegex(out, r"total\s+5\s+2\s+1\s+2\s+0")

    def test_a_function_neither_walked_nor_listed_is_named(self):
        rc, out = self.run_check(self.tree(listed="KX_GEAR_ask_name not-yet\nkxgear_ not-yet\n"))
        self.assertEqual(rc, 1)
        self.assertIn("kx4417_ (kx_gear.h): exported, walked by no fault-simulation story", out)
        self.assertNotIn("KX_IN_a_comment", out)

    def test_a_source_definition_outside_the_headers_counts_as_exported(self):
        rc, out = self.run_check(self.tree(listed="KX_GEAR_ask_name not-yet\nkx4417_ not-yet\n"))
        self.assertEqual(rc, 1)
        self.assertIn("kxgear_ ((gear/kx_gear.cpp)): exported", out)

    def test_stale_and_bad_lines_are_refused(self):
        rows = [
            ("KX_GEAR_make not-yet\n", "KX_GEAR_make: walked by"),
            ("KX_GEAR_gone not-yet\n", "KX_GEAR_gone: not exported"),
            ("KX_GEAR_ask_name later\n", "reason 'later' is none of"),
            ("KX_GEAR_ask_name not-yet\nKX_GEAR_ask_name no-host-call\n", "KX_GEAR_ask_name: listed twice"),
        ]
        for extra, message in rows:
            with self.subTest(extra=extra):
                base = "kx4417_ not-yet\nkxgear_ not-yet\n"
                if "ask_name" not in extra:
                    base += "KX_GEAR_ask_name not-yet\n"
                rc, out = self.run_check(self.tree(listed=base + extra))
                self.assertEqual(rc, 1)
                self.assertIn(message, out)

    def test_a_call_outside_a_story_folder_is_no_walk(self):
        # The same step text in a folder without a ...FaultSimulation test
        # walks nothing; a macro that names the step by #expr does.
        story = STORY.replace("TEST(GearFaultSimulation", "TEST(Gear")
        rc, out = self.run_check(self.tree(story=story, listed="KX_GEAR_ask_name not-yet\nkx4417_ not-yet\n"
                                                              "kxgear_ not-yet\n"))
        self.assertEqual(rc, 1)
        self.assertIn("KX_GEAR_make (kx_gear.h): exported, walked by no", out)
        macro_story = STORY + "int more() { return CHECKED(KX_GEAR_ask_name(gear)) ? 1 : 0; }\n"
        rc, out = self.run_check(self.tree(story=macro_story, listed="kx4417_ not-yet\nkxgear_ not-yet\n"))
        self.assertEqual(rc, 0, out)

    def test_points_add_up_each_story_once(self):
        root = self.tree(listed="KX_GEAR_ask_name not-yet\nkx4417_ not-yet\nkxgear_ not-yet\n")
        log = os.path.join(root, "log.txt")
        with open(log, "w") as f:
            f.write("gears: 37 host calls, 4 steps, 29 runs, 1 faults\n"
                    "gears: 37 host calls, 4 steps, 29 runs, 1 faults\n"
                    "racks: 11 host calls, 2 steps, 8 runs, 0 faults\n"
                    "fault simulation of the pinions: 3 stories, 9 steps, 53 host calls, 41 runs\n")
        r = subprocess.run([sys.executable, CHECK, root, "--points", log], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stdout)
        self.assertIn("stories 3: 101 host-call points, 15 steps, 78 runs, 1 faults", r.stdout)


if __name__ == "__main__":
    unittest.main()
