// Symbolic threads: the creator, which checks the faces and turns the
// caller's record into the host's thread data block, and the query that
// reads a thread back into the caller's record.
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_cre_feat.h"
#include "kx_modl_parms.h"
#include "kx_obj.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_cre_feat_shared.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_delete.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/parts.h"
#include "host/store/parts/rm.h"
#include "host/model/expr/expr.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/feature_parms.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/model/feature/profiles.h"
#include "host/apps/modeling/thread/thread.h"
#include "host/apps/modeling/boolean/booleans.h"
#include "host/kernel/engine/face_data.h"
#include "host/numeric/linalg.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kMark = "Create Symbolic Thread (Kestrix Extension)";
constexpr double kUnitTolerance = 1e-10;

// A text fits its slot: at most `chars` characters (a null text is empty).
bool fits(const char* text, std::size_t chars) { return !text || strnlen(text, chars + 1) <= chars; }

// 0 for a record the creator can take, else 1105004: a null record, a
// text longer than its slot (those of the callout's table are not read
// when a callout is given), a direction that cannot be unitised.
int check_record(const symb_thread_data* d) {
    if (!d) return kx::param(1);
    for (const char* t : {d->text_2, d->text_3, d->callout})
        if (!fits(t, THD_SHORT_CHARS)) return kx::param(1);
    if (!fits(d->text_1, THD_LONG_CHARS)) return kx::param(1);
    if (!d->callout)
        for (const char* t : {d->text_4, d->text_5, d->text_6, d->text_7, d->text_8})
            if (!fits(t, THD_LONG_CHARS)) return kx::param(1);
    const double* v = d->direction;
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!std::isfinite(n) || !(n > kUnitTolerance)) return kx::param(1);
    return 0;
}

// A face of a solid (type 70, subtype 2), live.
bool solid_face(tag t) {
    if (t == NULL_TAG || !TAG_ask_pointer_of_tag(t)) return false;
    int type = 0, subtype = 0;
    RM_ask_entity_type_and_subtype(t, &type, &subtype);
    return type == HOST_TYPE_SOLID && subtype == HOST_SUBTYPE_FACE;
}

int face_type(tag face) {
    int type = 0;
    pxzrus_(&face, &type);
    return type;
}

int kernel_entity(tag face) {
    int entity = 0;
    es7010_occ_(&face, &entity);
    return entity;
}

// The reference of a thread face or start face: 0 and *fref, or the code
// (`not_face` for a tag that is no face of a solid or has no kernel face,
// `wrong_type` for a face of another type, 670077 without a reference).
int face_reference(tag face, int wanted_type, int not_face, int wrong_type, unsigned int* fref) {
    if (!solid_face(face)) return not_face;
    if (face_type(face) != wanted_type) return wrong_type;
    if (kernel_entity(face) == 0) return not_face;
    *fref = FREF_find_fref_of_face(face);
    return *fref == 0 ? KX_MODL_ERR_NO_FACE_REFERENCE : 0;
}

// The reference of a start datum plane: its placement list's first entry,
// the list destroyed on every way out.
int datum_reference(int list, unsigned int* fref) {
    struct Owned {
        int list;
        ~Owned() {
            kx::release([l = list] { KI_free_list(l); });
        }
    } owned{list};
    int count = 0, value = 0;
    KI_colist(list, &count);
    if (count > 0) KI_gttgli(list, 1, &value);
    if (value == 0) return KX_MODL_ERR_THREAD_START;
    if (CM_ask_dplane_of_entry(value) == 0) return KX_MODL_ERR_NO_FACE_REFERENCE;
    *fref = static_cast<unsigned int>(value);
    return 0;
}

// The host's thread data block and its two blocks, freed on every way out.
struct Blocks {
    kx::host_ptr<THD_data_t> data{static_cast<THD_data_t*>(SM_alloc(sizeof(THD_data_t)))};
    kx::host_ptr<THD_face_block_t> face{static_cast<THD_face_block_t*>(SM_alloc(sizeof(THD_face_block_t)))};
    kx::host_ptr<THD_start_block_t> start{static_cast<THD_start_block_t*>(SM_alloc(sizeof(THD_start_block_t)))};
    Blocks() {
        std::memset(data.get(), 0, sizeof(THD_data_t));  // every text slot starts empty
        std::memset(face.get(), 0, sizeof(THD_face_block_t));
        std::memset(start.get(), 0, sizeof(THD_start_block_t));
        data.get()->face = face.get();
        data.get()->start = start.get();
    }
};

void put_short(char* slot, const char* text) { kx::copy_bounded(slot, text, THD_SHORT_CHARS); }
void put_long(char* slot, const char* text) { kx::copy_bounded(slot, text, THD_LONG_CHARS); }

// The creation after the mark: 0 with *feature, or the code.
int create_thread(symb_thread_data* d, tag* feature) {
    unsigned int face_fref = 0, start_fref = 0;
    if (int st = face_reference(d->thread_face, PX_FACE_CYLINDER, KX_MODL_ERR_THREAD_FACE, KX_MODL_ERR_NOT_GROOVE_FACE,
                                &face_fref))
        return st;
    int list = 0;
    // Only a datum plane goes to the placement (which takes other objects
    // for no datum plane).
    const bool plane = d->start_face != NULL_TAG && TAG_ask_pointer_of_tag(d->start_face) &&
                       RM_ask_entity_type(d->start_face) == HOST_TYPE_DATUM_PLANE;
    if (plane && kx::modl::datum_plane_placement(d->start_face, d->direction, &list)) {
        if (int st = datum_reference(list, &start_fref)) return st;
    } else if (int st = face_reference(d->start_face, PX_FACE_PLANE, KX_MODL_ERR_THREAD_START,
                                       KX_MODL_ERR_NOT_PLANAR_FACE, &start_fref)) {
        return st;
    }
    BREF_set_current_bref_of_face(d->thread_face);

    Blocks b;
    THD_data_t& data = *b.data.get();
    b.face.get()->fref = face_fref;
    b.start.get()->fref = start_fref;
    int surface = 0, face_sense = 0, surface_sense = 0;
    double axis[3], radius = 0;
    KI_idsoff(kernel_entity(d->thread_face), &surface, &face_sense);
    KI_outsur(surface, b.face.get()->point, axis, &radius, &surface_sense);
    data.sense = face_sense == surface_sense ? THD_SENSE_EXTERNAL : THD_SENSE_INTERNAL;

    put_short(data.method, d->text_2);
    put_short(data.form, d->text_3);
    data.starts = d->option_1;
    data.hand = d->option_2;
    data.display = d->option_4;
    data.full_length = d->zero_text_flag;
    if (d->callout) {
        put_short(data.callout, d->callout);
        if (int st = THD_get_callout_from_table(&data)) return st;
    } else {
        data.tapered = d->option_3;
        put_long(data.major_diameter, d->text_4);
        put_long(data.minor_diameter, d->text_5);
        put_long(data.pitch, d->text_6);
        put_long(data.angle, d->text_7);
        put_long(data.face_diameter, d->text_8);
    }
    if (d->zero_text_flag) put_long(data.length, "0");
    else if (d->text_1) put_long(data.length, d->text_1);

    // Block A keeps the direction as given; the caller's is unitised.
    std::memcpy(b.face.get()->direction, d->direction, sizeof d->direction);
    double magnitude = 0;
    VEC3_unitize(axis, kUnitTolerance, &magnitude, axis);
    VEC3_unitize(d->direction, kUnitTolerance, &magnitude, d->direction);
    const double along = axis[0] * d->direction[0] + axis[1] * d->direction[1] + axis[2] * d->direction[2];
    if (along < 0) data.flags |= THD_FLAG_REVERSED;

    unsigned int record = 0;
    int st = THD_create_symb_thd_frec(&data, &record);
    if (st == -1) st = 0;  // made, the thread cut at the end of its face
    if (st != 0) return st;
    if (int code = UPDATE_do_update()) return code;
    *feature = record;
    return 0;
}

}  // namespace

KXAPI int KX_MODL_create_symb_thread(symb_thread_data* data, tag* feature) {
    return kx::frame(
        kx::standard, kx::before_check([&] {
            kx::clear(feature);  // also when the call is refused
            return 0;
        }),
        [&]() -> int {
            if (int st = check_record(data)) return st;
            return feature ? 0 : kx::param(2);
        },
        [&]() -> int {
            if (BREF_ask_current_target(CONTEXT_ask_work_part()) == NULL_TAG) return KX_MODL_ERR_NO_DATUM_TARGET;
            tag made = NULL_TAG;
            const int st = kx::undo_bracket(1, kMark, [&]() -> int { return create_thread(data, &made); });
            if (st == 0) *feature = made;
            return st;
        });
}

namespace {

// The thread's texts as the caller receives them: made all first, handed
// out together (freed when any fails).
struct Texts {
    std::vector<char*> made;
    ~Texts() {
        for (char* t : made) kx::release([t] { SM_free(t); });
    }
    char* add(char* t) { return made.emplace_back(t); }
    char* short_copy(const char* text) {
        char* t = add(static_cast<char*>(SM_alloc(THD_SHORT_CHARS + 1)));
        kx::copy_bounded(t, text, THD_SHORT_CHARS);
        return t;
    }
};

bool is_thread(tag feature) {
    if (!kx::modl::is_feature(feature)) return false;
    FPARMS_record_t record{};
    return FPARMS_ask_record(feature, &record) && record.cls == FPARMS_ask_class_of_kind(THD_KIND);
}

tag object_of_reference(unsigned int fref) {
    if (const unsigned int plane = CM_ask_dplane_of_entry(static_cast<int>(fref))) return plane;
    return ASSO_ask_jq_eid_of_fref(fref);
}

}  // namespace

KXAPI int KX_MODL_ask_symb_thread_parms(tag feature, symb_thread_data* data) {
    return kx::frame([&]() -> int { return data ? 0 : kx::param(2); },
                     [&]() -> int {
                         if (!is_thread(feature)) return KX_MODL_ERR_WRONG_KIND;
                         int options[5] = {};
                         THD_parms_t parms{};
                         THD_get_symb_thd_parms(feature, &options[0], &options[1], &options[2], &options[3],
                                                &options[4], &parms);
                         Texts texts;
                         const char* shorts[3] = {texts.short_copy(parms.method), texts.short_copy(parms.form),
                                                  texts.short_copy(parms.callout)};
                         const char* sizes[6] = {};
                         for (int i = 0; i < 6; ++i) {
                             char* text = nullptr;
                             if (int st = EXP_ask_assignment_of_exp(parms.exps[i], &text)) return st;
                             sizes[i] = texts.add(text);
                         }
                         const tag thread_face = object_of_reference(parms.face_fref);
                         const tag start_face = object_of_reference(parms.start_fref);
                         texts.made.clear();  // handed out: the caller frees them
                         data->thread_face = thread_face;
                         data->start_face = start_face;
                         std::memcpy(data->direction, parms.direction, sizeof data->direction);
                         data->option_1 = options[0];
                         data->option_2 = options[1];
                         data->option_3 = options[2];
                         data->option_4 = options[3];
                         data->zero_text_flag = options[4];
                         data->text_2 = shorts[0];
                         data->text_3 = shorts[1];
                         data->callout = shorts[2];
                         data->text_1 = sizes[0];
                         data->text_4 = sizes[1];
                         data->text_5 = sizes[2];
                         data->text_6 = sizes[3];
                         data->text_7 = sizes[4];
                         data->text_8 = sizes[5];
                         return 0;
                     });
}
