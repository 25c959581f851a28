// Process-aid objects (host/apps/modeling/process_aid/process_aid.h): datums and feature
// sets as feature records of the part with a row of their own; a set's
// children are the members of the host's feature set it is
// (host/apps/modeling/sets/feature_sets.h).
#include "host/apps/modeling/process_aid/process_aid.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/apps/modeling/sets/feature_sets.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

using host::Call;
using tag_t = unsigned int;
namespace hf = host::feature;
namespace ho = host::objects;

constexpr const char* kTypePrefix = "PROCESS_AID_SET_";

struct AidRow {
    int kind = 0;
    bool is_set = false;
    tag_t source = 0;
    std::vector<tag_t> links;
    tag_t section = 0;
    double point[3] = {0, 0, 0};
    std::vector<std::string> titles;
    tag_t parent = 0;
};
host::TagTable<AidRow>& rows() {
    static auto* const t = new host::TagTable<AidRow>("process aids");
    return *t;
}
const bool registered = (rows(), true);

const AidRow* row_of(tag_t object) { return hf::find(object) ? rows().find(object) : nullptr; }

bool is_kind(int kind) {
    return kind > 0 && kind <= PROCESS_AID_KIND_ALL && std::has_single_bit(static_cast<unsigned>(kind));
}

std::string type_name(int kind) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%X", kTypePrefix, static_cast<unsigned>(kind));
    return text;
}

bool live(tag_t object) { return ho::find(object) != nullptr; }

tag_t* tag_array(const std::vector<tag_t>& tags, bool terminated = false) {
    const std::size_t n = tags.size() + (terminated ? 1 : 0);
    auto* out = static_cast<tag_t*>(SM_alloc(sizeof(tag_t) * (n ? n : 1)));
    for (std::size_t i = 0; i < tags.size(); ++i) out[i] = tags[i];
    if (terminated) out[tags.size()] = 0;
    return out;
}

char** text_array(const std::vector<std::string>& texts) {
    auto** out = static_cast<char**>(SM_alloc(sizeof(char*) * (texts.empty() ? 1 : texts.size())));
    for (std::size_t i = 0; i < texts.size(); ++i) out[i] = SM_string_copy(texts[i].c_str());
    return out;
}

// The datum row of an object, or null (a set is no datum).
const AidRow* datum_of(tag_t object) {
    const AidRow* r = row_of(object);
    return r && !r->is_set ? r : nullptr;
}

// The datum that an object is, links to or is the source of; 0 for none.
tag_t owning_datum(tag_t object, bool with_links) {
    if (datum_of(object)) return object;
    if (!with_links) return 0;
    const ho::Object* o = ho::find(object);
    if (!o) return 0;
    for (tag_t f : hf::features_of_part(o->part)) {
        const AidRow* r = datum_of(f);
        if (!r) continue;
        if (r->source == object) return f;
        for (tag_t l : r->links)
            if (l == object) return f;
    }
    return 0;
}

}  // namespace

extern "C" {

int PROCESS_AID_create_datum(unsigned int part, const PROCESS_AID_datum_t* data, unsigned int* datum) {
    auto call = HOST_ENTRY(part, data, datum);
    call.need(data, "the datum's data");
    call.need(datum, "the datum output");
    *datum = 0;
    if (!is_kind(data->kind) || !live(data->source) || data->n_links < 0 || (data->n_links > 0 && !data->links) ||
        (data->section && !live(data->section)) || data->n_titles < 0 || (data->n_titles > 0 && !data->titles))
        return FEAT_ERR_BAD_PARAMETERS;
    for (int i = 0; i < data->n_links; ++i)
        if (!live(data->links[i])) return FEAT_ERR_BAD_PARAMETERS;
    const tag_t made = hf::create(part, type_name(data->kind));
    AidRow& r = rows()[made];
    r.kind = data->kind;
    r.source = data->source;
    r.links.assign(data->links, data->links + data->n_links);
    r.section = data->section;
    std::memcpy(r.point, data->point, sizeof r.point);
    for (int i = 0; i < data->n_titles; ++i) r.titles.emplace_back(data->titles[i] ? data->titles[i] : "");
    *datum = made;
    return 0;
}

int PROCESS_AID_create_set(unsigned int part, int kind, unsigned int parent, int n_children,
                           const unsigned int* children, unsigned int* set) {
    auto call = HOST_ENTRY(part, kind, parent, set);
    call.need(set, "the set output");
    *set = 0;
    if (!is_kind(kind) || (parent && !hf::find(parent)) || n_children < 0 || (n_children > 0 && !children))
        return FEAT_ERR_BAD_PARAMETERS;
    for (int i = 0; i < n_children; ++i)
        if (!hf::find(children[i])) return FEAT_ERR_BAD_PARAMETERS;
    const tag_t made =
        host::feature_sets::create(part, type_name(kind), "", std::vector<tag_t>(children, children + n_children), 0);
    AidRow& r = rows()[made];
    r.kind = kind;
    r.is_set = true;
    r.parent = parent;
    *set = made;
    return 0;
}

int PROCESS_AID_ask_link_objects(unsigned int object, int* n_links, unsigned int** links) {
    auto call = HOST_ENTRY(object, n_links, links);
    call.need(n_links, "the count output");
    call.need(links, "the links output");
    const AidRow* r = datum_of(owning_datum(object, true));
    if (!r) return FEAT_ERR_BAD_PARAMETERS;
    *n_links = static_cast<int>(r->links.size());
    *links = tag_array(r->links);
    return 0;
}

int PROCESS_AID_ask_source_object(unsigned int object, unsigned int* datum, unsigned int* source, int* kind) {
    auto call = HOST_ENTRY(object, datum, source, kind);
    call.need(datum, "the datum output");
    call.need(source, "the source output");
    call.need(kind, "the kind output");
    const tag_t owner = owning_datum(object, true);
    const AidRow* r = datum_of(owner);
    if (!r) return FEAT_ERR_BAD_PARAMETERS;
    *datum = owner;
    *source = r->source;
    *kind = r->kind;
    return 0;
}

int PROCESS_AID_ask_datums_in_part(unsigned int part, int mask, unsigned int** datums) {
    auto call = HOST_ENTRY(part, mask, datums);
    call.need(datums, "the datums output");
    if (!ho::part_info(part)) return FEAT_ERR_BAD_PARAMETERS;
    std::vector<tag_t> found;
    for (tag_t f : hf::features_of_part(part))
        if (const AidRow* r = datum_of(f); r && (r->kind & mask)) found.push_back(f);
    *datums = tag_array(found, true);
    return 0;
}

int PROCESS_AID_ask_datum_objects(unsigned int datum, unsigned int* source, int* n_links, unsigned int** links,
                                  unsigned int* section, int* kind, int* n_titles, char*** titles) {
    auto call = HOST_ENTRY(datum, source, n_links, links);
    for (const void* p :
         {static_cast<const void*>(source), static_cast<const void*>(n_links), static_cast<const void*>(links),
          static_cast<const void*>(section), static_cast<const void*>(kind), static_cast<const void*>(n_titles),
          static_cast<const void*>(titles)})
        call.need(p, "an output");
    const AidRow* r = datum_of(datum);
    if (!r) return FEAT_ERR_BAD_PARAMETERS;
    *source = r->source;
    *n_links = static_cast<int>(r->links.size());
    *links = tag_array(r->links);
    *section = r->section;
    *kind = r->kind;
    *n_titles = static_cast<int>(r->titles.size());
    *titles = text_array(r->titles);
    return 0;
}

int PROCESS_AID_ask_section_of_datum(unsigned int datum, unsigned int* section, double point[3]) {
    auto call = HOST_ENTRY(datum, section, point);
    call.need(section, "the section output");
    call.need(point, "the point output");
    const AidRow* r = datum_of(datum);
    if (!r) return FEAT_ERR_BAD_PARAMETERS;
    *section = r->section;
    std::memcpy(point, r->point, sizeof r->point);
    return 0;
}

int PROCESS_AID_populate_attr_list(unsigned int datum, int* n_titles, char*** titles) {
    auto call = HOST_ENTRY(datum, n_titles, titles);
    call.need(n_titles, "the count output");
    call.need(titles, "the titles output");
    const AidRow* r = datum_of(datum);
    if (!r) return FEAT_ERR_BAD_PARAMETERS;
    *n_titles = static_cast<int>(r->titles.size());
    *titles = text_array(r->titles);
    return 0;
}

int PROCESS_AID_ask_parent_feature(unsigned int set, unsigned int* parent) {
    auto call = HOST_ENTRY(set, parent);
    call.need(parent, "the parent output");
    const AidRow* r = row_of(set);
    if (!r || !r->is_set) return FEAT_ERR_BAD_PARAMETERS;
    *parent = hf::find(r->parent) ? r->parent : 0;
    return 0;
}

int PROCESS_AID_ask_children_features(unsigned int set, int* n_children, unsigned int** children) {
    auto call = HOST_ENTRY(set, n_children, children);
    call.need(n_children, "the count output");
    call.need(children, "the children output");
    const AidRow* r = row_of(set);
    if (!r || !r->is_set) return FEAT_ERR_BAD_PARAMETERS;
    const std::vector<tag_t> alive = host::feature_sets::members(set);
    *n_children = static_cast<int>(alive.size());
    *children = tag_array(alive);
    return 0;
}

int PROCESS_AID__ask_feat_type_of_set(unsigned int set) {
    HOST_ENTRY(set);
    const AidRow* r = row_of(set);
    return r ? r->kind : 0;
}

int PROCESS_AID__ask_feat_set_type(const char* type_name, int* kind) {
    auto call = HOST_ENTRY_TEXT(type_name, kind);
    call.need(type_name, "the type name");
    call.need(kind, "the kind output");
    const std::size_t n = std::strlen(kTypePrefix);
    if (std::strncmp(type_name, kTypePrefix, n) != 0 || type_name[n] == '\0') return FEAT_ERR_BAD_PARAMETERS;
    char* end = nullptr;
    const unsigned long value = std::strtoul(type_name + n, &end, 16);
    if (*end != '\0' || !is_kind(static_cast<int>(value)) || value > PROCESS_AID_KIND_ALL)
        return FEAT_ERR_BAD_PARAMETERS;
    *kind = static_cast<int>(value);
    return 0;
}

int WELD_is_object_weld_or_datum(int mode, unsigned int object, int search_links, unsigned int* feature) {
    auto call = HOST_ENTRY(mode, object, search_links, feature);
    call.need(feature, "the feature output");
    if (mode != 0) call.fail(HOST_ERR_BAD_ARGUMENT, "no weld search of mode %d", mode);
    *feature = owning_datum(object, search_links != 0);
    return 0;
}

}  // extern "C"
