// Inputs and part-file fields of the sheet features (sheet_rows.h).
#include "host/apps/modeling/freeform/sheet_rows.h"

#include <cmath>
#include <string>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/row_fields.h"
#include "host/model/feature/records.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/kernel/engine/steps.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::freeform {

namespace pf = host::part_file;
namespace fields = host::part_file::fields;

void copy_step_from_file(const host::Call& call, host::feature::Record& r, const char* what) {
    const unsigned int saved_body = host::feature::detail::attaching_body();
    const int saved = saved_body ? kernel::entity_of(saved_body) : 0;
    if (saved == 0) call.fail(FEAT_ERR_BAD_REFERENCE, "a %s is made again only from its part file", what);
    int body = 0, at = 0;
    if (r.body == 0) {
        ZQ_BODY_copy_step(saved, 0, 0, &body, &at);
        pxlook_(&body, &r.body);
        r.step = 0;
    } else {
        ZQ_BODY_copy_step(saved, r.step, kernel::entity_of(r.body), &body, &at);
        r.step = at;
    }
}

SubRef sub_ref(unsigned int object) {
    return SubRef{static_cast<unsigned int>(kernel::entity_of(object)), object};
}

unsigned int object_of(const SubRef& sub) {
    if (sub.ref != 0) return kernel::object_of(static_cast<int>(sub.ref));
    return objects::is_alive(sub.object) ? sub.object : 0;
}

int entity_of(const SubRef& sub) {
    const unsigned int object = object_of(sub);
    return object ? kernel::entity_of(object) : 0;
}

bool unsettled(const std::vector<SubRef>& subs) {
    for (const SubRef& s : subs)
        if (s.ref == 0 && objects::is_alive(s.object)) return true;
    return false;
}

void settle(std::vector<SubRef>& subs) {
    for (SubRef& s : subs)
        if (s.ref == 0 && objects::is_alive(s.object)) s.ref = static_cast<unsigned int>(kernel::entity_of(s.object));
}

namespace {

void add_box(std::vector<double>& out, int entity) {
    double box[6];
    ZQ_TOPOL_find_box(entity, box);
    out.insert(out.end(), box, box + 6);
}

void add_face(std::vector<double>& out, int face) {
    add_box(out, face);
    int type = 0, sense = 0;
    double point[3], direction[3], r1 = 0, r2 = 0;
    ZQ_FACE_ask_data(face, &type, point, direction, &r1, &r2, &sense);
    out.insert(out.end(), point, point + 3);
    for (double d : direction) out.push_back(d * sense);
}

}  // namespace

void add_print(std::vector<double>& out, int entity) {
    if (entity == 0) {
        out.push_back(-1);
        return;
    }
    int cls = 0;
    ZQ_ENTITY_ask_class(entity, &cls);
    if (cls == ZQ_CLASS_FACE) return add_face(out, entity);
    if (cls != ZQ_CLASS_BODY) return add_box(out, entity);
    for (int f : kernel::faces_of(entity)) add_face(out, f);
    for (int e : kernel::edges_of(entity)) add_box(out, e);
}

bool all_saved(const pf::SaveContext& ctx, const std::vector<SubRef>& subs) {
    for (const SubRef& s : subs) {
        const unsigned int o = object_of(s);
        if (o == 0 || !ctx.written(o)) return false;
    }
    return true;
}

void put_subs(pf::Writer& out, const pf::SaveContext& ctx, const std::vector<SubRef>& subs) {
    std::vector<unsigned int> objects;
    for (const SubRef& s : subs) objects.push_back(object_of(s));
    fields::put_objects(out, ctx, objects);
}

std::vector<SubRef> get_subs(pf::Reader& in, const pf::LoadContext& ctx, std::string_view what,
                             const std::vector<int>& kinds, const std::vector<int>& more, std::size_t max_more) {
    const std::vector<unsigned int> objects = fields::get_objects(in, ctx, what);
    const std::size_t extra = objects.size() < kinds.size() ? 0 : objects.size() - kinds.size();
    if (objects.size() < kinds.size() || (extra != 0 && (more.empty() || extra % more.size() != 0 ||
                                                         extra / more.size() > max_more)))
        throw pf::FormatError(std::string(what) + " with other faces or edges");
    std::vector<SubRef> out;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const objects::Object* o = objects::find(objects[i]);
        const int kind = i < kinds.size() ? kinds[i] : more[(i - kinds.size()) % more.size()];
        if (!o || o->type != HOST_TYPE_SOLID || o->subtype != kind)
            throw pf::FormatError(std::string(what) + " names no face or edge where it needs one");
        out.push_back(SubRef{0, objects[i]});
    }
    return out;
}

unsigned int get_object_of(pf::Reader& in, const pf::LoadContext& ctx, std::string_view what, int cls, int subtype) {
    const unsigned int t = fields::get_object(in, ctx, what);
    const objects::Object* o = objects::find(t);
    if (!o || (cls >= 0 && o->cls != cls) || (subtype >= 0 && (o->type != HOST_TYPE_SOLID || o->subtype != subtype)))
        throw pf::FormatError(std::string(what) + " names an object of the wrong kind");
    return t;
}

std::vector<double> get_finite_reals(pf::Reader& in, std::string_view what) {
    std::vector<double> out = fields::get_reals(in, what);
    for (double d : out)
        if (!std::isfinite(d)) throw pf::FormatError(std::string(what) + " with a number that is not finite");
    return out;
}

void require_feature(unsigned int object, std::string_view what) {
    const objects::Object* o = objects::find(object);
    if (!o || o->cls != OM_CLASS_FEATURE) throw pf::FormatError(std::string(what) + " of an object that is no feature");
}

}  // namespace host::freeform
