// Blocks a host routine hands out through its outputs, all or none: when an
// allocation raises before the routine is done, the blocks it made for the
// hand-out so far are freed again, so that a failed call leaves the caller
// nothing to free. Host-internal C++.
#ifndef HOST_SERVICES_HANDOUT_H
#define HOST_SERVICES_HANDOUT_H

#include <string>
#include <vector>

namespace host::memory {

class Handout {
public:
    Handout() = default;
    Handout(const Handout&) = delete;
    Handout& operator=(const Handout&) = delete;
    ~Handout();  // frees every block made unless done() was called

    char* text(const std::string& text);
    // The array and each text (SM_alloc); null when there are none.
    char** texts(const std::vector<std::string>& texts);
    unsigned int* tags(const std::vector<unsigned int>& tags);  // null when empty
    void** pointers(std::size_t n);                             // null for 0
    // The hand-out is complete: the caller owns the blocks now.
    void done() { blocks_.clear(); }

private:
    void* keep(void* block);
    std::vector<void*> blocks_;
};

}  // namespace host::memory

#endif
