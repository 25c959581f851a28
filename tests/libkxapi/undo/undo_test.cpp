// Undo marks: sequences of marks, edits, undos and deletions with the
// model's state checked after every step; argument checks; the trace.
#include <functional>
#include <string>
#include <vector>

#include "host/base/services/error.h"
#include "host/platform/support/support.h"
#include "kx_undo.h"
#include "undo_fixture.h"

namespace {

enum class Op {
    Create,       // create the object `label`
    Destroy,      // destroy the object `label`
    Mark,         // KX_UNDO_set_mark(vis, name)
    UndoTo,       // KX_UNDO_undo_to_mark(id of name, name)
    UndoByName,   // KX_UNDO_undo_to_mark(0, name)
    UndoLast,     // KX_UNDO_undo_to_last_mark(vis, "")
    UndoPrev,     // KX_UNDO_undo_to_prev_mark(vis, id of name, "")
    UndoNextVis,  // KX_UNDO_undo_to_next_vis_mark()
    Delete,       // KX_UNDO_delete_mark(id of name, name)
    DeleteTo,     // KX_UNDO_delete_to_mark(id of name, name)
    DeleteAll,    // KX_UNDO_delete_all_marks()
};

struct Step {
    Op op;
    std::string name;  // the object's label (one letter) or the mark's name
    int vis = 1;
    int status = 0;
    std::string alive;  // labels of the live objects after the step
    std::string marks;  // mark names after the step
};

struct Sequence {
    const char* title;
    std::vector<Step> steps;
};

class UndoSequences : public UndoSession, public ::testing::WithParamInterface<Sequence> {};

TEST_P(UndoSequences, ModelAndMarksAfterEachStep) {
    std::map<std::string, KX_UNDO_mark_id_t> ids;
    int n = 0;
    for (const Step& s : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(n++) + " " + s.name);
        int st = 0;
        const char* name = s.name.c_str();
        switch (s.op) {
            case Op::Create: create(s.name[0]); break;
            case Op::Destroy: destroy(s.name[0]); break;
            case Op::Mark: {
                KX_UNDO_mark_id_t id = 0;
                st = KX_UNDO_set_mark(s.vis, name, &id);
                if (st == 0) {
                    EXPECT_NE(id, 0u);
                }
                ids[s.name] = id;
                break;
            }
            case Op::UndoTo: st = KX_UNDO_undo_to_mark(ids[s.name], name); break;
            case Op::UndoByName: st = KX_UNDO_undo_to_mark(0, name); break;
            case Op::UndoLast: st = KX_UNDO_undo_to_last_mark(s.vis, ""); break;
            case Op::UndoPrev: st = KX_UNDO_undo_to_prev_mark(s.vis, ids[s.name], ""); break;
            case Op::UndoNextVis: st = KX_UNDO_undo_to_next_vis_mark(); break;
            case Op::Delete: st = KX_UNDO_delete_mark(ids[s.name], name); break;
            case Op::DeleteTo: st = KX_UNDO_delete_to_mark(ids[s.name], name); break;
            case Op::DeleteAll: st = KX_UNDO_delete_all_marks(); break;
        }
        EXPECT_EQ(st, s.status);
        EXPECT_EQ(alive(), s.alive);
        EXPECT_EQ(mark_names(), s.marks);
    }
    EXPECT_EQ(host::control::frame_depth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Marks, UndoSequences,
                         ::testing::Values(Sequence{"UndoRestoresTheModelAndKeepsTheMark",
                                                    {{Op::Create, "a", 1, 0, "a", ""},
                                                     {Op::Mark, "A", 1, 0, "a", "A"},
                                                     {Op::Create, "b", 1, 0, "ab", "A"},
                                                     {Op::Destroy, "a", 1, 0, "b", "A"},
                                                     {Op::UndoTo, "A", 1, 0, "a", "A"},
                                                     {Op::Create, "c", 1, 0, "ac", "A"},
                                                     {Op::UndoTo, "A", 1, 0, "a", "A"},
                                                     {Op::Delete, "A", 1, 0, "a", ""},
                                                     {Op::UndoTo, "A", 1, 1055004, "a", ""}}},
                                           Sequence{"UndoDropsTheLaterMarks",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 1, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 0, 0, "ab", "A,B,C"},
                                                     {Op::Create, "c", 1, 0, "abc", "A,B,C"},
                                                     {Op::UndoTo, "B", 1, 0, "a", "A,B"},
                                                     {Op::UndoTo, "C", 1, 1055004, "a", "A,B"},
                                                     {Op::UndoTo, "A", 1, 0, "", "A"}}},
                                           Sequence{"UndoToLastMarkOfAVisibility",
                                                    {{Op::Mark, "A", 0, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 1, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 0, 0, "ab", "A,B,C"},
                                                     {Op::Create, "c", 1, 0, "abc", "A,B,C"},
                                                     {Op::UndoLast, "", 1, 0, "a", "A,B"},
                                                     {Op::UndoLast, "", 2, 1055004, "a", "A,B"},
                                                     {Op::UndoLast, "", 0, 0, "", "A"}}},
                                           Sequence{"UndoToPreviousMark",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 2, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 1, 0, "ab", "A,B,C"},
                                                     {Op::Create, "c", 1, 0, "abc", "A,B,C"},
                                                     {Op::UndoPrev, "C", 1, 0, "", "A"}}},
                                           Sequence{"UndoToNextVisibleMarkSkipsInvisibleAndTemporary",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 0, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 2, 0, "ab", "A,B,C"},
                                                     {Op::UndoNextVis, "", 1, 0, "", "A"},
                                                     {Op::Delete, "A", 1, 0, "", ""},
                                                     {Op::UndoNextVis, "", 1, 1055004, "", ""}}},
                                           Sequence{"UndoByNameTakesTheNewestOfThatName",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "A", 1, 0, "a", "A,A"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,A"},
                                                     {Op::UndoByName, "A", 1, 0, "a", "A,A"},
                                                     {Op::UndoByName, "Z", 1, 1055004, "a", "A,A"}}},
                                           Sequence{"DeleteToMarkKeepsTheModel",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 1, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 1, 0, "ab", "A,B,C"},
                                                     {Op::DeleteTo, "B", 1, 0, "ab", "A"},
                                                     {Op::UndoTo, "A", 1, 0, "", "A"},
                                                     {Op::DeleteTo, "B", 1, 1055004, "", "A"}}},
                                           Sequence{"DeleteAllMarks",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 0, 0, "a", "A,B"},
                                                     {Op::DeleteAll, "", 1, 0, "a", ""},
                                                     {Op::UndoTo, "A", 1, 1055004, "a", ""}}},
                                           Sequence{"DeletingAMarkInTheMiddleKeepsTheOthersUsable",
                                                    {{Op::Mark, "A", 1, 0, "", "A"},
                                                     {Op::Create, "a", 1, 0, "a", "A"},
                                                     {Op::Mark, "B", 1, 0, "a", "A,B"},
                                                     {Op::Create, "b", 1, 0, "ab", "A,B"},
                                                     {Op::Mark, "C", 1, 0, "ab", "A,B,C"},
                                                     {Op::Delete, "B", 1, 0, "ab", "A,C"},
                                                     {Op::Create, "c", 1, 0, "abc", "A,C"},
                                                     {Op::UndoTo, "C", 1, 0, "ab", "A,C"},
                                                     {Op::UndoTo, "A", 1, 0, "", "A"}}}),
                         [](const ::testing::TestParamInfo<Sequence>& info) { return std::string(info.param.title); });

using UndoMarks = UndoSession;

TEST_F(UndoMarks, EmptyOrNullNameGivesTheDefaultName) {
    KX_UNDO_mark_id_t a = 0, b = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "", &a), 0);
    ASSERT_EQ(KX_UNDO_set_mark(0, nullptr, &b), 0);
    EXPECT_EQ(mark_names(), "JQ Open User Mark,JQ Open User Mark");
    EXPECT_NE(a, b);
}

TEST_F(UndoMarks, QueriesAnswerFromTheService) {
    KX_UNDO_mark_id_t a = 0, b = 0, c = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "A", &a), 0);
    ASSERT_EQ(KX_UNDO_set_mark(0, "B", &b), 0);
    ASSERT_EQ(KX_UNDO_set_mark(1, "C", &c), 0);

    int n = -1, exists = -1, vis = -1;
    EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(KX_UNDO_ask_number_of_marks(2, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KX_UNDO_ask_any_mark_exist(0, &exists), 0);
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(KX_UNDO_ask_any_mark_exist(2, &exists), 0);
    EXPECT_EQ(exists, 0);
    EXPECT_EQ(KX_UNDO_ask_mark_exist(b, "B", &exists), 0);
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(KX_UNDO_ask_mark_exist(c + 100, "nothing", &exists), 0);
    EXPECT_EQ(exists, 0);

    KX_UNDO_mark_id_t next = 0;
    EXPECT_EQ(KX_UNDO_ask_next_vis_mark(&next), 0);
    EXPECT_EQ(next, c);

    // Visibility of one mark, then of a mark and every later one.
    EXPECT_EQ(KX_UNDO_set_mark_visibility(c, "C", 2), 0);
    EXPECT_EQ(KX_UNDO_ask_mark_visibility(c, "C", &vis), 0);
    EXPECT_EQ(vis, 2);
    EXPECT_EQ(KX_UNDO_ask_next_vis_mark(&next), 0);
    EXPECT_EQ(next, a);
    EXPECT_EQ(KX_UNDO_set_to_mark_visibility(b, "B", 1), 0);
    EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(KX_UNDO_ask_mark_visibility(c + 100, "nothing", &vis), 1055004);
}

TEST_F(UndoMarks, HostErrorBecomesTheStatus) {
    host::control::raise_on("UNDO_JQ_undo_to_mark", 1055099);
    KX_UNDO_mark_id_t a = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "A", &a), 0);
    EXPECT_EQ(KX_UNDO_undo_to_mark(a, "A"), 1055099);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(UndoMarks, MarkIdIsStoredEvenWhenTheServiceReportsAStatus) {
    host::control::return_status("UNDO_JQ_set_mark", 1055001);
    KX_UNDO_mark_id_t a = 77;
    EXPECT_EQ(KX_UNDO_set_mark(1, "A", &a), 1055001);
    EXPECT_EQ(a, 0u);  // what the service answered
}

// ---- Argument checks -----------------------------------------------------

struct CheckRow {
    const char* title;
    std::function<int()> call;
    int code;
};

void noop_cb(int, KX_UNDO_mark_id_t, void*, void*) {}

std::vector<CheckRow> check_rows() {
    static KX_UNDO_mark_id_t id;
    static int out;
    static unsigned int cb;
    return {
        {"SetMarkVisibility3", [] { return KX_UNDO_set_mark(3, "x", &id); }, 1105004},
        {"SetMarkVisibilityNegative", [] { return KX_UNDO_set_mark(-1, "x", &id); }, 1105004},
        {"SetMarkNullId", [] { return KX_UNDO_set_mark(0, "x", nullptr); }, 1105006},
        {"UndoToLastBadVisibility", [] { return KX_UNDO_undo_to_last_mark(3, "x"); }, 1105004},
        {"UndoToLastNullName", [] { return KX_UNDO_undo_to_last_mark(1, nullptr); }, 1105005},
        {"UndoToPrevBadVisibility", [] { return KX_UNDO_undo_to_prev_mark(7, 1, "x"); }, 1105004},
        {"UndoToPrevNullName", [] { return KX_UNDO_undo_to_prev_mark(1, 1, nullptr); }, 1105006},
        {"AskVisibilityNullOut", [] { return KX_UNDO_ask_mark_visibility(1, "x", nullptr); }, 1105006},
        {"SetMarkVisibility5", [] { return KX_UNDO_set_mark_visibility(1, "x", 5); }, 1105006},
        {"SetToMarkVisibility5", [] { return KX_UNDO_set_to_mark_visibility(1, "x", 5); }, 1105006},
        {"AskExistNullOut", [] { return KX_UNDO_ask_mark_exist(1, "x", nullptr); }, 1105006},
        {"AskAnyBadVisibility", [] { return KX_UNDO_ask_any_mark_exist(3, &out); }, 1105004},
        {"AskAnyNullOut", [] { return KX_UNDO_ask_any_mark_exist(1, nullptr); }, 1105005},
        {"NumberOfMarksVisibility5", [] { return KX_UNDO_ask_number_of_marks(5, &out); }, 1105004},
        {"NumberOfMarksNullOut", [] { return KX_UNDO_ask_number_of_marks(1, nullptr); }, 1105005},
        {"NextVisNullOut", [] { return KX_UNDO_ask_next_vis_mark(nullptr); }, 1105004},
        {"MiscKind6", [] { return KX_UNDO_register_misc_cb(6, nullptr, 1, noop_cb, nullptr, &cb); }, 1105004},
        {"MiscBadVisibility", [] { return KX_UNDO_register_misc_cb(0, nullptr, 3, noop_cb, nullptr, &cb); }, 1105006},
        {"MiscNullRoutine", [] { return KX_UNDO_register_misc_cb(0, nullptr, 1, nullptr, nullptr, &cb); }, 1105007},
        {"MiscNullId", [] { return KX_UNDO_register_misc_cb(0, nullptr, 1, noop_cb, nullptr, nullptr); }, 1105014},
    };
}

TEST_F(UndoMarks, ArgumentChecksGiveTheParameterCode) {
    for (const CheckRow& r : check_rows()) {
        host::control::clear_journal();
        EXPECT_EQ(r.call(), r.code) << r.title;
        EXPECT_EQ(host::control::call_count("ERROR_set_handler"), 0) << r.title << ": refused before the frame";
    }
    EXPECT_EQ(mark_names(), "");
}

TEST(UndoWithoutSession, EveryFunctionAnswers1105000) {
    kx_reset_session_for_tests();
    host::control::reset();
    KX_UNDO_mark_id_t id = 0;
    int out = 0;
    unsigned int cb = 0;
    const std::vector<std::function<int()>> calls = {
        [&] { return KX_UNDO_set_mark(1, "x", &id); },
        [&] { return KX_UNDO_undo_to_mark(1, "x"); },
        [&] { return KX_UNDO_undo_to_last_mark(1, "x"); },
        [&] { return KX_UNDO_undo_to_prev_mark(1, 1, "x"); },
        [&] { return KX_UNDO_ask_mark_visibility(1, "x", &out); },
        [&] { return KX_UNDO_set_mark_visibility(1, "x", 1); },
        [&] { return KX_UNDO_set_to_mark_visibility(1, "x", 1); },
        [&] { return KX_UNDO_ask_mark_exist(1, "x", &out); },
        [&] { return KX_UNDO_ask_any_mark_exist(1, &out); },
        [&] { return KX_UNDO_ask_number_of_marks(1, &out); },
        [&] { return KX_UNDO_delete_mark(1, "x"); },
        [&] { return KX_UNDO_delete_all_marks(); },
        [&] { return KX_UNDO_delete_to_mark(1, "x"); },
        [&] { return KX_UNDO_ask_next_vis_mark(&id); },
        [&] { return KX_UNDO_undo_to_next_vis_mark(); },
        [&] { return KX_UNDO_register_misc_cb(0, nullptr, 1, noop_cb, nullptr, &cb); },
        [&] { return KX_UNDO_unregister_misc_cb(1); },
        [&] { return KX_UNDO_delete_all_misc_cbs(); },
        [&] { return KX_UNDO_disable_misc_cbs(); },
        [&] { return KX_UNDO_enable_misc_cbs(); },
    };
    for (std::size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), 1105000) << "function " << i;
    EXPECT_EQ(host::control::call_count("UNDO_JQ_set_mark"), 0);
    host::control::reset();
}

// ---- Miscellaneous callbacks ---------------------------------------------

struct MiscEvent {
    int kind;
    KX_UNDO_mark_id_t mark;
    void* owner;
    void* data;
};
std::vector<MiscEvent> misc_events;
void record_misc(int kind, KX_UNDO_mark_id_t mark, void* owner, void* data) {
    misc_events.push_back({kind, mark, owner, data});
}

TEST_F(UndoMarks, MiscCallbacksAreCalledForTheirKindAndVisibility) {
    misc_events.clear();
    int owner = 0, data = 0;
    unsigned int set_cb = 0, undo_cb = 0;
    ASSERT_EQ(KX_UNDO_register_misc_cb(0, &owner, 1, record_misc, &data, &set_cb), 0);
    ASSERT_EQ(KX_UNDO_register_misc_cb(2, &owner, 1, record_misc, &data, &undo_cb), 0);
    EXPECT_EQ(host::undo::misc_callback_count(), 2);

    KX_UNDO_mark_id_t a = 0, b = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "A", &a), 0);
    ASSERT_EQ(KX_UNDO_set_mark(0, "B", &b), 0);  // other visibility: not called
    ASSERT_EQ(KX_UNDO_undo_to_mark(a, "A"), 0);
    ASSERT_EQ(misc_events.size(), 2u);
    EXPECT_EQ(misc_events[0].kind, 0);
    EXPECT_EQ(misc_events[0].mark, a);
    EXPECT_EQ(misc_events[0].owner, &owner);
    EXPECT_EQ(misc_events[0].data, &data);
    EXPECT_EQ(misc_events[1].kind, 2);

    ASSERT_EQ(KX_UNDO_disable_misc_cbs(), 0);
    ASSERT_EQ(KX_UNDO_set_mark(1, "C", &b), 0);
    EXPECT_EQ(misc_events.size(), 2u);
    ASSERT_EQ(KX_UNDO_enable_misc_cbs(), 0);
    ASSERT_EQ(KX_UNDO_set_mark(1, "D", &b), 0);
    EXPECT_EQ(misc_events.size(), 3u);

    EXPECT_EQ(KX_UNDO_unregister_misc_cb(set_cb), 0);
    EXPECT_EQ(KX_UNDO_unregister_misc_cb(set_cb), UNDO_ERR_NO_CALLBACK);
    EXPECT_EQ(KX_UNDO_delete_all_misc_cbs(), 0);
    EXPECT_EQ(host::undo::misc_callback_count(), 0);
}

// ---- The trace ----------------------------------------------------------------

class UndoTrace : public UndoSession {
protected:
    void SetUp() override {
        UndoSession::SetUp();
        host::control::set_checking_level(1);
        host::support::set_debug_token("KX_UNDO", 1);
        host::support::set_debug_routine("kx_undo", true);
        host::control::clear_log();
    }
};

TEST_F(UndoTrace, EntryArgumentsLinesAndExitOnLogAndStdout) {
    KX_UNDO_mark_id_t a = 0;
    host::control::CaptureStreams cap;
    ASSERT_EQ(KX_UNDO_set_mark(1, "A", &a), 0);
    EXPECT_EQ(KX_UNDO_undo_to_mark(a + 1, "B"), 1055004);
    ASSERT_EQ(KX_UNDO_undo_to_mark(a, "A"), 0);
    cap.stop();
    const std::vector<std::string> expected = {
        "  Entering KX_UNDO_set_mark: visibility = 1, mark_name = A",
        "  Leaving  KX_UNDO_set_mark: default exit",
        "  Entering KX_UNDO_undo_to_mark: mark_id = " + std::to_string(a + 1) + ",  mark_name = B",
        "  Line 232 in KX_UNDO_undo_to_mark: >>> The mark does not exist <<<",
        "  Leaving  KX_UNDO_undo_to_mark: default exit",
        "  Entering KX_UNDO_undo_to_mark: mark_id = " + std::to_string(a) + ",  mark_name = A",
        "  Line 237 in KX_UNDO_undo_to_mark: Calling UNDO_JQ_undo_to_mark...",
        "  Leaving  KX_UNDO_undo_to_mark: default exit",
    };
    EXPECT_EQ(host::control::log_lines(), expected);
    std::string out;
    for (const auto& l : expected) out += l + "\n";
    EXPECT_EQ(cap.out(), out);
    EXPECT_EQ(DEBUG_indentation, 0);
}

TEST_F(UndoTrace, RefusalBeforeTheFrameWritesNoExitLine) {
    KX_UNDO_mark_id_t a = 0;
    host::control::CaptureStreams cap;
    EXPECT_EQ(KX_UNDO_set_mark(3, nullptr, &a), 1105004);
    cap.stop();
    EXPECT_EQ(host::control::log_lines(),
              std::vector<std::string>{"  Entering KX_UNDO_set_mark: visibility = 3, mark_name = (null)"});
    EXPECT_EQ(DEBUG_indentation, 0);
}

TEST_F(UndoTrace, ArgumentLinesOfTheOtherFunctions) {
    KX_UNDO_mark_id_t a = 0;
    ASSERT_EQ(KX_UNDO_set_mark(1, "A", &a), 0);
    host::control::CaptureStreams cap;
    host::control::clear_log();
    const std::string id = std::to_string(a);
    struct Row {
        std::function<int()> call;
        std::string entering;
    };
    const std::vector<Row> rows = {
        {[&] { return KX_UNDO_undo_to_last_mark(1, "A"); }, "KX_UNDO_undo_to_last_mark: visibility = 1"},
        {[&] { return KX_UNDO_undo_to_prev_mark(1, a, "A"); },
         "KX_UNDO_undo_to_prev_mark: visibility = 1,  previous_to = " + id},
        {[&] { return KX_UNDO_set_mark_visibility(a, "A", 0); },
         "KX_UNDO_set_mark_visibility: mark_id =" + id + ". mark name = A, visibility = 0"},
        {[&] { return KX_UNDO_set_to_mark_visibility(a, "A", 1); },
         "KX_UNDO_set_to_mark_visibility: to_mark =" + id + ", mark name = A, visibility = 1"},
        {[&] { return KX_UNDO_delete_mark(a + 1, "Z"); },
         "KX_UNDO_delete_mark: mark_id = " + std::to_string(a + 1) + ", mark name = Z"},
        {[&] { return KX_UNDO_delete_to_mark(a, "A"); }, "KX_UNDO_delete_to_mark: mark_id = " + id + ", mark name = A"},
        {[&] { return KX_UNDO_delete_all_marks(); }, "KX_UNDO_delete_all_marks: "},
        {[&] { return KX_UNDO_enable_misc_cbs(); }, "KX_UNDO_enable_misc_cbs: "},
    };
    for (const Row& r : rows) {
        host::control::clear_log();
        r.call();
        const auto log = host::control::log_lines();
        ASSERT_FALSE(log.empty()) << r.entering;
        EXPECT_EQ(log.front(), "  Entering " + r.entering);
    }
    cap.stop();
}

TEST_F(UndoTrace, HostErrorStillWritesTheExitLine) {
    host::control::raise_on("UNDO_JQ_delete_all_marks", 1055099);
    host::control::CaptureStreams cap;
    EXPECT_EQ(KX_UNDO_delete_all_marks(), 1055099);
    cap.stop();
    EXPECT_EQ(host::control::log_lines(),
              (std::vector<std::string>{"  Entering KX_UNDO_delete_all_marks: ",
                                        "  Leaving  KX_UNDO_delete_all_marks: default exit"}));
    EXPECT_EQ(DEBUG_indentation, 0);
    EXPECT_EQ(host::control::frame_depth(), 0);
}

TEST_F(UndoTrace, AskFunctionsNeverTraceAndIndentationStopsAt100) {
    int n = 0;
    EXPECT_EQ(KX_UNDO_ask_number_of_marks(1, &n), 0);
    EXPECT_TRUE(host::control::log_lines().empty());

    DEBUG_indentation = 100;
    host::control::CaptureStreams cap;
    EXPECT_EQ(KX_UNDO_delete_all_marks(), 0);
    cap.stop();
    const auto log = host::control::log_lines();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], std::string(100, ' ') + "Entering KX_UNDO_delete_all_marks: ");
    EXPECT_EQ(DEBUG_indentation, 100);
}

TEST_F(UndoTrace, OffWithoutTheTokenOrTheRoutine) {
    host::support::set_debug_token("KX_UNDO", 0);
    EXPECT_EQ(KX_UNDO_delete_all_marks(), 0);
    host::support::set_debug_token("KX_UNDO", 1);
    host::support::set_debug_routine("kx_undo", false);
    EXPECT_EQ(KX_UNDO_delete_all_marks(), 0);
    host::control::set_checking_level(0);
    host::support::set_debug_routine("*", true);
    EXPECT_EQ(KX_UNDO_delete_all_marks(), 0);
    EXPECT_TRUE(host::control::log_lines().empty());
}

}  // namespace
