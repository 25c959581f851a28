// The knowledge engine's classes, instances and rule evaluation, shared by
// the engine's sources. Internal to host/rules/.
#ifndef HOST_RULES_ENGINE_H
#define HOST_RULES_ENGINE_H

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/rules/store.h"

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

}  // namespace host::rules

struct KBL_rule_s {
    std::string name, type, formula;
    std::string child_class;                                  // child and child-list rules
    std::string count;                                        // child-list rules: formula of the item count
    std::vector<std::pair<std::string, std::string>> params;  // child rules: parameter formulas
    unsigned flags = 0;
    std::string owner;                 // the class, or the instance chain of a dynamic rule
    KBL_instance_t context = nullptr;  // a parameter given by the parent: its formula reads the parent
    int compiled = -2;                 // registry reference of the compiled formula (-2: not yet)
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
    KBL_instance_t inst = nullptr;
    std::string rule;
    bool valid = false;
    bool evaluating = false;
    bool volatile_ = false;  // uncached, or read an uncached rule directly or through others
    unsigned epoch = 0;
    KBL_value_t value{};
    std::vector<Slot*> reads;
    std::unordered_set<Slot*> readers;
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
