// The knowledge engine's classes, instances and rule evaluation, shared by
// the engine's sources. Internal to host/model/rules/.
#ifndef HOST_RULES_ENGINE_H
#define HOST_RULES_ENGINE_H

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/model/rules/store.h"

namespace host::rules {

enum RuleFlag : unsigned {
    kParameter = 1,
    kModifiable = 2,
    kCanonical = 4,
    kUncached = 8,
    kLookup = 16,
    kHidden = 32,
    kMethod = 64,
    kChild = 128,
    kChildList = 256,
    kDynamic = 512,
};

struct Slot;

// A list of slots kept inside its owner up to two (most formulas read one
// or two rules, and most rules have one or two readers), on the heap beyond.
class SlotList {
public:
    SlotList() = default;
    SlotList(const SlotList&) = delete;
    SlotList& operator=(const SlotList&) = delete;
    ~SlotList() {
        if (data_ != inline_) delete[] data_;
    }
    Slot* const* begin() const { return data_; }
    Slot* const* end() const { return data_ + size_; }
    std::size_t size() const { return size_; }
    Slot*& operator[](std::size_t i) { return data_[i]; }
    Slot* back() const { return data_[size_ - 1]; }
    void pop_back() { --size_; }
    void clear() { size_ = 0; }
    void push_back(Slot* s) {
        if (size_ == capacity_) grow();
        data_[size_++] = s;
    }

private:
    void grow() {
        const std::size_t more = capacity_ * 2;
        Slot** bigger = new Slot*[more];
        std::copy(data_, data_ + size_, bigger);
        if (data_ != inline_) delete[] data_;
        data_ = bigger;
        capacity_ = more;
    }
    Slot* inline_[2] = {};
    Slot** data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 2;
};

// The slots that read a slot: a list (most have one or two readers), with
// an index by slot once the list grows long, so that a parameter that
// thousands of rules read links and unlinks each in constant time.
class Readers {
public:
    Slot* const* begin() const { return list_.begin(); }
    Slot* const* end() const { return list_.end(); }
    std::size_t size() const { return list_.size(); }
    void insert(Slot* s);
    void erase(Slot* s);

private:
    static constexpr std::size_t kIndexFrom = 16;
    SlotList list_;
    std::unique_ptr<std::unordered_map<Slot*, std::size_t>> index_;  // position in list_
};

}  // namespace host::rules

struct KBL_rule_s {
    // What every run of the formula reads comes first, in one cache line.
    unsigned flags = 0;
    int compiled = -2;                 // registry reference of the compiled formula (-2: not yet)
    int bound = -2;                    // the compiled formula whose environment is bound_to's
    int want = -1;                     // the value kind the type asks for (0: any; -1: not looked at yet)
    KBL_instance_t context = nullptr;  // a parameter given by the parent: its formula reads the parent
    KBL_instance_t bound_to = nullptr;
    std::string name, type, formula;
    std::string child_class;                                  // child and child-list rules
    std::string count;                                        // child-list rules: formula of the item count
    std::vector<std::pair<std::string, std::string>> params;  // child rules: parameter formulas
    std::string owner;                                        // the class, or the instance chain of a dynamic rule
};

struct KBL_instance_s {
    std::uint16_t cls = KBE_CLASS_INSTANCE;
    std::string chain, class_name, local;
    KBL_instance_t parent = nullptr;
    std::unordered_map<std::string, std::unique_ptr<KBL_rule_s>> dynamic;
    std::unordered_map<std::string, std::unique_ptr<KBL_rule_s>> given;  // parameters given by the parent
    std::unordered_map<std::string, std::unique_ptr<host::rules::Slot>> slots;
    std::map<std::string, KBL_instance_t> children;
    KBE_object_t adopted = nullptr;
    int env = -2;  // registry reference of the formulas' environment
    bool alive = true;
};

namespace host::rules {

struct Slot {
    bool valid = false;
    bool evaluating = false;
    bool volatile_ = false;  // uncached, or read an uncached rule directly or through others
    unsigned epoch = 0;
    KBL_instance_t inst = nullptr;
    KBL_rule_t def = nullptr;  // the rule's definition, once found (cleared when the rule changes)
    KBL_value_t value{};
    SlotList reads;
    Readers readers;
    const std::string* name = nullptr;  // the rule's name (the key of the instance's slot)
    const std::string& rule() const { return *name; }
};

struct ClassDef {
    std::string name;
    std::vector<std::string> ancestors;
    std::map<std::string, std::unique_ptr<KBL_rule_s>> rules;
};

// Parses the text of a class file; answers 0 with the class, or
// KBL_ERR_CLASS_FILE with the reason.
int parse_class(const std::string& name, const std::string& text, ClassDef& out, std::string& why);
// Parses a flags text ("parameter modifiable"); false for an unknown word.
bool parse_flags(const std::string& text, unsigned& flags);
// The type's flags (child, child list) and whether the type is known.
bool type_flags(const std::string& type, unsigned& flags);
bool is_identifier(const std::string& name);

}  // namespace host::rules

#endif
