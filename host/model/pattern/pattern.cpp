// Pattern objects (host/model/pattern/pattern.h): the part-wide switches and the
// flag word of each pattern are model state; the defaults live in the
// common block patern_.
#include "host/model/pattern/pattern.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

patern_t patern_ = {{0, 0, 0}};

namespace {

using host::Call;
using tag_t = unsigned int;
namespace ho = host::objects;

struct Switches {
    int archiving = 0;
    int shading = 0;
};
Switches& switches() { return host::model_state<Switches>("pattern switches"); }
const Switches& read_switches() { return host::model_value<Switches>("pattern switches").read(); }

struct PatternRow {
    int word = 0;
};
host::TagTable<PatternRow>& patterns() {
    static auto* const t = new host::TagTable<PatternRow>("patterns");
    return *t;
}
const bool registered = (switches(), patterns(), true);

void need_pattern(const Call& call, tag_t pattern) {
    const ho::Object* o = ho::find(pattern);
    if (!o || !o->alive || o->type != HOST_TYPE_PATTERN)
        call.fail(HOST_ERR_WRONG_CLASS, "object %u is no pattern", pattern);
}

}  // namespace

extern "C" {

void pat010_(int* on) {
    auto call = HOST_ENTRY(on);
    call.need(on, "the switch");
    *on = read_switches().archiving;
}

void pat020_(int* on) {
    auto call = HOST_ENTRY(on);
    call.need(on, "the switch");
    *on = read_switches().shading;
}

void pat011_(const int* on) {
    auto call = HOST_ENTRY(on);
    call.need(on, "the switch");
    switches().archiving = *on != 0;
}

void pat021_(const int* on) {
    auto call = HOST_ENTRY(on);
    call.need(on, "the switch");
    switches().shading = *on != 0;
}

void es1012_(const unsigned int* pattern, int* word) {
    auto call = HOST_ENTRY(pattern, word);
    call.need(pattern, "the pattern");
    call.need(word, "the flag word");
    need_pattern(call, *pattern);
    const PatternRow* row = patterns().find(*pattern);
    *word = row ? row->word : 0;
}

void es1022_(const unsigned int* pattern, const int* word) {
    auto call = HOST_ENTRY(pattern, word);
    call.need(pattern, "the pattern");
    call.need(word, "the flag word");
    need_pattern(call, *pattern);
    patterns()[*pattern].word = *word;
}

void es1001_(const double position[3], unsigned int* point) {
    auto call = HOST_ENTRY(position, point);
    call.need(position, "the position");
    call.need(point, "the point output");
    ES_create_point(position, point);
}

unsigned int PATTERN_create(unsigned int part, int word) {
    HOST_ENTRY(part, word);
    const tag_t made = ho::create({.type = HOST_TYPE_PATTERN, .subtype = 0, .part = part, .name = {}});
    patterns()[made].word = word;
    return made;
}

}  // extern "C"
