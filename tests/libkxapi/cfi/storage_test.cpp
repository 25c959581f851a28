// File services: file existence, child processes, storage files and streams.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/base/services/error.h"
#include "host/platform/cfi/storage.h"
#include "kx_cfi.h"
#include "kx_core.h"
#include "tests/libkxapi/core/fixture.h"

namespace {

namespace ctl = host::control;
namespace fs = std::filesystem;

constexpr int W = KX_CFI_MODE_WRITE | KX_CFI_MODE_CREATE;
constexpr int R = KX_CFI_MODE_READ;

class FileServices : public FreshProcess {
protected:
    void SetUp() override {
        FreshProcess::SetUp();
        dir_ = fs::temp_directory_path() / ("kx_cfi_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ASSERT_EQ(KX_initialize(), 0);
    }
    void TearDown() override {
        FreshProcess::TearDown();
        fs::remove_all(dir_);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // A storage file with a sub-storage "parts" holding the stream "list",
    // and the stream "notes" at the top.
    std::string make_sample() {
        const std::string file = path("sample.kxs");
        KX_CFI_storage_t root = nullptr, parts = nullptr;
        KX_CFI_stream_t list = nullptr, notes = nullptr;
        EXPECT_EQ(KX_CFI_open_storage_file(file.c_str(), W, &root), 0);
        EXPECT_EQ(KX_CFI_open_storage(root, "parts", W, &parts), 0);
        EXPECT_EQ(KX_CFI_open_stream(parts, "list", W, &list), 0);
        EXPECT_EQ(KX_CFI_write_to_stream(list, 11, "bolt,nut,ax"), 0);
        EXPECT_EQ(KX_CFI_open_stream(root, "notes", W, &notes), 0);
        EXPECT_EQ(KX_CFI_write_to_stream(notes, 5, "hello"), 0);
        EXPECT_EQ(KX_CFI_close_stream(list), 0);
        EXPECT_EQ(KX_CFI_close_stream(notes), 0);
        EXPECT_EQ(KX_CFI_close_storage(parts), 0);
        EXPECT_EQ(KX_CFI_close_storage(root), 0);
        return file;
    }

    std::string read_stream(KX_CFI_storage_t storage, const char* name) {
        KX_CFI_stream_t s = nullptr;
        EXPECT_EQ(KX_CFI_open_stream(storage, name, R, &s), 0);
        KX_CFI_stream_stats_t stats{};
        EXPECT_EQ(KX_CFI_ask_stream_stats(s, &stats), 0);
        std::string text(static_cast<std::size_t>(stats.size), '\0');
        if (!text.empty()) {
            EXPECT_EQ(KX_CFI_read_from_stream(s, static_cast<unsigned>(text.size()), text.data()), 0);
        }
        EXPECT_EQ(KX_CFI_close_stream(s), 0);
        return text;
    }

    fs::path dir_;
};

// ---- File existence ----------------------------------------------------------------

TEST_F(FileServices, FileExistence) {
    std::ofstream(path("here")) << "x";
    struct Case {
        std::string spec;
        int status;
        int result;
    } cases[] = {
        {path("here"), 0, 0},
        {path("missing"), 1, 0},
        {path("missing/deeper"), 1, 0},
        {"", 1, CFI_ERR_BAD_SPEC},
    };
    for (const Case& c : cases) {
        int status = -1;
        EXPECT_EQ(KX_CFI_ask_file_exist(c.spec.c_str(), &status), c.result) << c.spec;
        EXPECT_EQ(status, c.status) << c.spec;
    }
    KX_terminate();
    int status = -1;
    EXPECT_EQ(KX_CFI_ask_file_exist(path("here").c_str(), &status), 0) << "no session needed";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(KX_CFI_ask_file_exist(path("here").c_str(), nullptr), 1105005);
}

// ---- Child processes -------------------------------------------------------------------

TEST_F(FileServices, ChildExitStatusAfterWaiting) {
    char a0[] = "-c", a1[] = "exit 3";
    char* args[] = {a0, a1};
    int process = -1;
    ASSERT_EQ(KX_CFI_spawn("sh", 2, args, 1, &process), 0);
    EXPECT_GT(process, 0);
    int state = -1, code = -1;
    EXPECT_EQ(KX_CFI_spawn_check_status(process, &state, &code), 0);
    EXPECT_EQ(state, KX_CFI_CHILD_EXITED);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(ctl::call_count("CFI_add_argument"), 2);
    EXPECT_TRUE(ctl::called_before("fm2310_", "CFI_add_argument"));
}

TEST_F(FileServices, ChildStatusAskedWithoutBlocking) {
    const std::string marker = path("go");
    const std::string script = "while [ ! -e '" + marker + "' ]; do sleep 0.01; done; exit 5";
    char a0[] = "-c";
    std::vector<char> a1(script.begin(), script.end());
    a1.push_back('\0');
    char* args[] = {a0, a1.data()};
    int process = -1;
    ASSERT_EQ(KX_CFI_spawn("/bin/sh", 2, args, 0, &process), 0);
    int state = -1, code = -1;
    ASSERT_EQ(KX_CFI_spawn_check_status(process, &state, &code), 0);
    EXPECT_EQ(state, KX_CFI_CHILD_RUNNING) << "the child waits for the marker";
    std::ofstream(marker) << "";
    for (int i = 0; i < 3000 && state == KX_CFI_CHILD_RUNNING; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(KX_CFI_spawn_check_status(process, &state, &code), 0);
    }
    EXPECT_EQ(state, KX_CFI_CHILD_EXITED);
    EXPECT_EQ(code, 5);
}

TEST_F(FileServices, SpawnWithoutArgumentsAndFailures) {
    const std::size_t start = ctl::live_blocks();
    int process = -1;
    EXPECT_EQ(KX_CFI_spawn("true", 0, nullptr, 1, &process), 0);
    EXPECT_EQ(ctl::call_count("CFI_add_argument"), 0);
    EXPECT_GT(process, 0);
    process = -1;
    EXPECT_EQ(KX_CFI_spawn(path("no_program").c_str(), 0, nullptr, 1, &process), CFI_ERR_NOT_FOUND);
    EXPECT_EQ(process, 0);
    EXPECT_EQ(ctl::call_count("CFI_spawn"), 1) << "nothing to start";
    EXPECT_EQ(ctl::live_blocks(), start) << "the full name is freed";
    EXPECT_EQ(KX_CFI_spawn("true", 1, nullptr, 1, &process), 1105006);
    EXPECT_EQ(KX_CFI_spawn("true", -1, nullptr, 1, &process), 1105005);
    int state = 0, code = 0;
    EXPECT_EQ(KX_CFI_spawn_check_status(1, &state, &code), HOST_ERR_BAD_HANDLE);
    KX_terminate();
    process = -1;
    EXPECT_EQ(KX_CFI_spawn("true", 0, nullptr, 1, &process), 1105000);
    EXPECT_EQ(process, 0) << "cleared before the session check";
}

// ---- Storage files ------------------------------------------------------------------------

TEST_F(FileServices, StorageFileRoundTrip) {
    const std::string file = make_sample();
    logical is_storage = 0;
    EXPECT_EQ(KX_CFI_is_storage_file(file.c_str(), &is_storage), 0);
    EXPECT_EQ(is_storage, 1);

    KX_CFI_storage_t root = nullptr, parts = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), R, &root), 0);
    int count = 0;
    KX_CFI_element_t* contents = nullptr;
    ASSERT_EQ(KX_CFI_ask_storage_contents(root, &count, &contents), 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(contents[0].name, "notes");
    EXPECT_EQ(contents[0].type, KX_CFI_ELEMENT_STREAM);
    EXPECT_EQ(contents[0].size, 5);
    EXPECT_STREQ(contents[1].name, "parts");
    EXPECT_EQ(contents[1].type, KX_CFI_ELEMENT_STORAGE);
    EXPECT_EQ(contents[1].size, 1);
    KX_free(contents);
    EXPECT_EQ(read_stream(root, "notes"), "hello");
    ASSERT_EQ(KX_CFI_open_storage(root, "parts", R, &parts), 0);
    EXPECT_EQ(read_stream(parts, "list"), "bolt,nut,ax");
    KX_CFI_stream_t s = nullptr;
    EXPECT_EQ(KX_CFI_open_stream(parts, "missing", R, &s), CFI_ERR_NOT_FOUND);
    EXPECT_EQ(KX_CFI_open_stream(root, "parts", R, &s), CFI_ERR_BAD_SPEC) << "a storage is no stream";
    EXPECT_EQ(KX_CFI_open_stream(root, "new", W, &s), CFI_ERR_DENIED) << "the file is open for reading";
    EXPECT_EQ(KX_CFI_close_storage(parts), 0);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
    EXPECT_EQ(host::cfi::open_handles(), 0);
}

TEST_F(FileServices, CopiedElementsAndAnUpdateSurviveReopening) {
    const std::string file = make_sample();
    KX_CFI_storage_t root = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), KX_CFI_MODE_WRITE, &root), 0);
    EXPECT_EQ(KX_CFI_copy_storage_element(root, "parts", root, "parts_copy"), 0);
    EXPECT_EQ(KX_CFI_copy_storage_element(root, "notes", root, "parts_copy"), 0) << "replaced";
    EXPECT_EQ(KX_CFI_copy_storage_element(root, "nothing", root, "x"), CFI_ERR_NOT_FOUND);
    KX_CFI_stream_t notes = nullptr;
    ASSERT_EQ(KX_CFI_open_stream(root, "notes", KX_CFI_MODE_WRITE, &notes), 0);
    EXPECT_EQ(KX_CFI_set_stream_absolute_pos(notes, 5), 0);
    EXPECT_EQ(KX_CFI_write_to_stream(notes, 6, " world"), 0);
    long long pos = 0;
    EXPECT_EQ(KX_CFI_ask_stream_current_pos(notes, &pos), 0);
    EXPECT_EQ(pos, 11);
    EXPECT_EQ(KX_CFI_close_stream(notes), 0);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);

    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), R, &root), 0);
    EXPECT_EQ(read_stream(root, "notes"), "hello world");
    EXPECT_EQ(read_stream(root, "parts_copy"), "hello");
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
}

TEST_F(FileServices, DamagedFilesAreRefused) {
    const std::string good = make_sample();
    std::string bytes;
    {
        std::ifstream in(good, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(bytes.size(), 48u);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"a text file", "just some text that is long enough to be a header of forty bytes"},
        {"cut short", bytes.substr(0, bytes.size() - 3)},
        {"one byte more", bytes + "x"},
        {"wrong magic", "KYSTORE" + bytes.substr(7)},
        {"a flipped data byte", bytes.substr(0, 42) + char(bytes[42] ^ 1) + bytes.substr(43)},
        {"a flipped table byte", bytes.substr(0, bytes.size() - 1) + char(bytes.back() ^ 1)},
        {"header only", bytes.substr(0, 40)},
    };
    for (const Case& c : cases) {
        const std::string file = path("damaged.kxs");
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.bytes;
        KX_CFI_storage_t root = reinterpret_cast<KX_CFI_storage_t>(&root);
        EXPECT_EQ(KX_CFI_open_storage_file(file.c_str(), R, &root), CFI_ERR_DAMAGED) << c.what;
        logical is_storage = 1;
        EXPECT_EQ(KX_CFI_is_storage_file(file.c_str(), &is_storage), 0);
        EXPECT_EQ(is_storage, 0) << c.what;
    }
    EXPECT_EQ(host::cfi::open_handles(), 0);
    KX_CFI_storage_t root = nullptr;
    EXPECT_EQ(KX_CFI_open_storage_file(path("absent.kxs").c_str(), R, &root), CFI_ERR_NOT_FOUND);
}

TEST_F(FileServices, TruncatingStartsEmptyOnlyForWriting) {
    const std::string file = make_sample();
    KX_CFI_storage_t root = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), R | KX_CFI_MODE_TRUNCATE, &root), 0);
    int count = 0;
    KX_CFI_element_t* contents = nullptr;
    EXPECT_EQ(KX_CFI_ask_storage_contents(root, &count, &contents), 0);
    EXPECT_EQ(count, 2) << "a file open for reading is read as it is";
    KX_free(contents);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);

    { std::ofstream(file, std::ios::binary | std::ios::trunc) << "damaged"; }
    EXPECT_EQ(KX_CFI_open_storage_file(file.c_str(), R | KX_CFI_MODE_TRUNCATE, &root), KX_CFI_ERR_DAMAGED);
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), KX_CFI_MODE_WRITE | KX_CFI_MODE_TRUNCATE, &root), 0);
    EXPECT_EQ(KX_CFI_ask_storage_contents(root, &count, &contents), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
    logical is_storage = 0;
    EXPECT_EQ(KX_CFI_is_storage_file(file.c_str(), &is_storage), 0);
    EXPECT_EQ(is_storage, 1) << "written anew";
}

TEST_F(FileServices, TransfersAndPositionsReportWhatHappened) {
    KX_CFI_storage_t root = nullptr;
    KX_CFI_stream_t s = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(path("t.kxs").c_str(), W, &root), 0);
    ASSERT_EQ(KX_CFI_open_stream(root, "data", W, &s), 0);
    ASSERT_EQ(KX_CFI_write_to_stream(s, 4, "abcd"), 0);
    char buffer[8] = {};
    EXPECT_EQ(KX_CFI_set_stream_absolute_pos(s, 1), 0);
    EXPECT_EQ(KX_CFI_read_from_stream(s, 8, buffer), CFI_ERR_END_OF_FILE) << "three bytes were left";
    EXPECT_EQ(std::string(buffer, 3), "bcd");
    EXPECT_EQ(KX_CFI_set_stream_absolute_pos(s, 10), CFI_ERR_POSITION) << "the end is at 4";
    long long pos = -1;
    EXPECT_EQ(KX_CFI_ask_stream_current_pos(s, &pos), 0);
    EXPECT_EQ(pos, 4);
    EXPECT_EQ(KX_CFI_set_stream_relative_pos(s, -2), 0);
    EXPECT_EQ(KX_CFI_set_stream_relative_pos(s, -5), CFI_ERR_POSITION);
    ctl::give_outputs("CFI_write_to_stream", {2});
    EXPECT_EQ(KX_CFI_write_to_stream(s, 4, "wxyz"), CFI_ERR_NO_SPACE) << "two of four written";
    ctl::clear_scripts();
    EXPECT_EQ(KX_CFI_write_to_stream(s, 0, "x"), 1105005);
    EXPECT_EQ(KX_CFI_read_from_stream(s, 1, nullptr), 1105006);
    EXPECT_EQ(ctl::call_count("CFI_read_from_stream"), 1);
    ctl::return_status("CFI_close_stream", CFI_ERR_NO_SPACE);
    EXPECT_EQ(KX_CFI_close_stream(s), CFI_ERR_NO_SPACE) << "the host's answer";
    EXPECT_EQ(KX_CFI_close_stream(s), HOST_ERR_BAD_HANDLE) << "a closed stream";
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
}

TEST_F(FileServices, ClosingReportsAFileThatCannotBeWritten) {
    const fs::path sub = dir_ / "sub";
    fs::create_directories(sub);
    KX_CFI_storage_t root = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file((sub / "f.kxs").c_str(), W, &root), 0);
    fs::remove_all(sub);
    EXPECT_EQ(KX_CFI_close_storage(root), CFI_ERR_NOT_FOUND);
}

TEST_F(FileServices, ReadOnlyStreamsRefuseWrites) {
    const std::string file = make_sample();
    KX_CFI_storage_t root = nullptr;
    KX_CFI_stream_t s = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), KX_CFI_MODE_WRITE, &root), 0);
    ASSERT_EQ(KX_CFI_open_stream(root, "notes", R, &s), 0);
    EXPECT_EQ(KX_CFI_write_to_stream(s, 1, "x"), CFI_ERR_DENIED);
    EXPECT_EQ(KX_CFI_close_stream(s), 0);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
}

TEST_F(FileServices, StreamOnAChannel) {
    const std::string file = make_sample();
    KX_CFI_storage_t root = nullptr;
    KX_CFI_stream_t s = nullptr;
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), KX_CFI_MODE_WRITE, &root), 0);
    ASSERT_EQ(KX_CFI_open_stream(root, "notes", KX_CFI_MODE_WRITE, &s), 0);
    int channel = 0;
    ASSERT_EQ(KX_CFI_convert_stream_to_fileid(s, 1, &channel), 0);
    ASSERT_GE(channel, 0);
    char buffer[6] = {};
    EXPECT_EQ(::read(channel, buffer, 5), 5);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(::write(channel, "!", 1), 1);
    KX_CFI_stream_stats_t stats{};
    EXPECT_EQ(KX_CFI_ask_stream_stats(s, &stats), 0);
    EXPECT_EQ(stats.channel, channel);
    EXPECT_EQ(KX_CFI_release_stream_fileid(s, channel + 1), HOST_ERR_BAD_ARGUMENT);
    EXPECT_EQ(KX_CFI_release_stream_fileid(s, channel), 0);
    EXPECT_EQ(KX_CFI_close_stream(s), 0);
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), R, &root), 0);
    EXPECT_EQ(read_stream(root, "notes"), "hello!");
    EXPECT_EQ(KX_CFI_close_storage(root), 0);

    channel = 0;
    EXPECT_EQ(KX_CFI_convert_stream_to_fileid(nullptr, 0, &channel), 1105004);
    EXPECT_EQ(channel, -1);
    EXPECT_EQ(KX_CFI_convert_stream_to_fileid(nullptr, 0, nullptr), 1105006);
}

TEST_F(FileServices, ArgumentChecksInOrder) {
    KX_CFI_storage_t st = nullptr;
    KX_CFI_stream_t sm = nullptr;
    auto fake_storage = reinterpret_cast<KX_CFI_storage_t>(&st);
    EXPECT_EQ(KX_CFI_open_storage_file("", 1, &st), 1105004);
    EXPECT_EQ(KX_CFI_open_storage_file("f", 0, &st), 1105005);
    EXPECT_EQ(KX_CFI_open_storage_file("f", 1, nullptr), 1105006);
    EXPECT_EQ(KX_CFI_open_storage(nullptr, "n", 1, &st), 1105004);
    EXPECT_EQ(KX_CFI_open_storage(fake_storage, "", 1, &st), 1105005);
    EXPECT_EQ(KX_CFI_open_storage(fake_storage, "n", 0, &st), 1105006);
    EXPECT_EQ(KX_CFI_open_stream(fake_storage, "n", 1, nullptr), 1105007);
    EXPECT_EQ(KX_CFI_open_stream(fake_storage, "n", 1, &sm), HOST_ERR_BAD_HANDLE) << "not a live storage";
    EXPECT_EQ(KX_CFI_copy_storage_element(fake_storage, "a", fake_storage, ""), 1105007);
    EXPECT_EQ(ctl::call_count("CFI_open_storage_file") + ctl::call_count("CFI_open_storage"), 0);
    KX_terminate();
    EXPECT_EQ(KX_CFI_open_storage_file("f", 1, &st), 1105000);
}

TEST_F(FileServices, TheSessionsEndWritesAndClosesOpenFiles) {
    KX_CFI_storage_t root = nullptr;
    KX_CFI_stream_t s = nullptr;
    const std::string file = path("open.kxs");
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), W, &root), 0);
    ASSERT_EQ(KX_CFI_open_stream(root, "kept", W, &s), 0);
    ASSERT_EQ(KX_CFI_write_to_stream(s, 3, "abc"), 0);
    EXPECT_EQ(KX_terminate(), 0);
    EXPECT_EQ(host::cfi::open_handles(), 0);
    kx_reset_session_for_tests();
    ASSERT_EQ(KX_initialize(), 0);
    ASSERT_EQ(KX_CFI_open_storage_file(file.c_str(), R, &root), 0);
    EXPECT_EQ(read_stream(root, "kept"), "abc");
    EXPECT_EQ(KX_CFI_close_storage(root), 0);
}

}  // namespace
