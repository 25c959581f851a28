// The test-control API of the simulated host (tests only; the interface
// library never includes it).
//
//     TEST(Thing, HostErrorBecomesStatus) {
//         host::control::reset();                                // every service, journal, scripts, log
//         host::control::raise_on("SM_alloc", 670005, 2);        // the 2nd call raises
//         ... call the library ...
//         EXPECT_EQ(host::control::call_count("SM_alloc"), 2);
//         EXPECT_EQ(host::control::calls("SM_alloc")[0].arg[0], 16);
//         EXPECT_TRUE(host::control::called_before("SM_set_mark", "SM_alloc"));
//     }
//
// Scripts count calls from the moment they are set. nth == EVERY raises on
// every call. A raise takes precedence over a scripted status of the same
// call. The journal is on after a reset.
#ifndef HOST_CONTROL_CONTROL_H
#define HOST_CONTROL_CONTROL_H

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "host/base/hook.h"
#include "host/base/services/objects.h"

namespace host::control {

// Resets every model component and service: objects, frames, log, journal,
// scripts, memory counters and marks (live blocks stay live: the library may
// own some), environment kind 0, checking level 0, program name, host
// environment table, abort state, display, acom_. The registered decoders and
// debug tokens survive (the library registers them once per process); use
// clear_decoders() to drop them.
void reset();
void clear_decoders();

// Environment of the host.
void set_env_kind(int kind);
void set_checking_level(int level);
void set_program_name(const std::string& name);
void set_env(const std::string& name, const std::string& value);
void unset_env(const std::string& name);

// Scripts.
constexpr int EVERY = 0;
void raise_on(const char* name, int code, int nth = EVERY);
void return_status(const char* name, int status);
void give_outputs(const char* name, std::vector<Value> values);
void clear_script(const char* name);
void clear_scripts();

// Journal.
void set_journal(bool on);
void clear_journal();
std::vector<JournalRecord> journal();  // every call in order
std::vector<JournalRecord> calls(const std::string& name);
int call_count(const std::string& name);
std::vector<std::string> call_names();  // names in call order
// Index of the n-th (from 0) call of name in the journal, or -1.
long index_of(const std::string& name, int nth = 0);
// True when a call of `first` comes before the first call of `second` after it.
bool called_before(const std::string& first, const std::string& second);

// Host log.
std::vector<std::string> log_lines();
void clear_log();

// Error service.
std::vector<int> acknowledged_codes();
int frame_depth();
// Runs f under a library frame; answers the code of a host error that it
// raised, or nothing when it ran through.
std::optional<int> raised_code(const std::function<void()>& f);

// Memory.
std::size_t live_blocks();

// Captures what the process writes on file descriptors 1 and 2.
class CaptureStreams {
public:
    CaptureStreams();   // starts capturing
    ~CaptureStreams();  // stops when still capturing
    CaptureStreams(const CaptureStreams&) = delete;
    CaptureStreams& operator=(const CaptureStreams&) = delete;
    void stop();  // restores the streams; out()/err() then hold the texts
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    int saved_[2] = {-1, -1};
    int files_[2] = {-1, -1};
    std::string out_, err_;
    bool active_ = false;
};

// Fixtures.
struct FixtureObject {
    int type;
    int subtype = 0;
    std::string name = {};
    OM_class_t cls = OM_CLASS_RM_ENTITY;
};
struct Fixture {
    unsigned int part;
    std::vector<unsigned int> objects;  // in the order given
};
Fixture make_part(const std::string& file, std::initializer_list<FixtureObject> objects);

}  // namespace host::control

#endif
