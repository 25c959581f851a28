// Beads: the caller's six bead records converted to the host's bead record
// and back, and the bead feature created, read, edited and freed through
// the host's bead routines.
#include <array>
#include <cstring>

#include "kx_modl_bead.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_gen_pktpad.h"

#include "host/apps/modeling/bead/bead.h"
#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/model/feature/feature.h"
#include "host/kernel/engine/kernel.h"
#include "host/numeric/tolerances.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace {

constexpr const char* kModule = "kx_modl_bead";
constexpr kx::Opts kOpts = kx::acknowledging;
// A section direction option other than 0 and 1.
constexpr int kBadSectionOption = KX_CURVE_ERR_COMBINE_FLAG;  // 875193

// Extension types: the caller's numbering to the host's, and back.
constexpr std::array<int, 5> kExtension = {0, 1, 3, 4, 2};
constexpr std::array<int, 5> kExtensionBack = {0, 1, 4, 2, 3};

// The host's bead record, released exactly once on every way out.
struct HostRecord {
    BEAD_data_t data{};
    HostRecord() { BEAD_init_data(&data); }
    ~HostRecord() {
        kx::release([&] { BEAD_free_data(&data); });
    }
    HostRecord(const HostRecord&) = delete;
    HostRecord& operator=(const HostRecord&) = delete;
};

template <class T>
T* host_new() {
    auto* p = static_cast<T*>(SM_alloc(sizeof(T)));
    std::memset(p, 0, sizeof(T));
    return p;
}

template <class T>
T* host_copy(int n, const T* items) {
    if (n <= 0) return nullptr;
    auto* out = static_cast<T*>(SM_alloc(sizeof(T) * static_cast<std::size_t>(n)));
    std::memcpy(out, items, sizeof(T) * static_cast<std::size_t>(n));
    return out;
}

bool bad_faces(const bead_faces* f) { return f && (f->number_of_faces < 0 || (f->number_of_faces > 0 && !f->faces)); }

// The cheap checks of the six records; first is the position of the
// section argument (1 in create, 2 in edit).
int check_records(int first, const bead_section* section, const bead_faces* placement, const bead_secondary* secondary,
                  const bead_plane* plane, const KX_MODL_vector* axis, const bead_shape* shape) {
    if (!section || section->number_of_curves < 0 || (section->number_of_curves > 0 && !section->curves))
        return kx::param(first);
    if (!placement || bad_faces(placement)) return kx::param(first + 1);
    if (secondary) {
        // The text goes into two fields of 133 bytes: at most 132 characters.
        if (bad_faces(secondary->set) || !std::memchr(secondary->text, '\0', BEAD_SECONDARY_CHARS))
            return KX_ERR_BAD_PARAM_3;
    }
    if (!plane) return kx::param(first + 3);
    if (!axis) return kx::param(first + 4);
    if (!shape) return kx::param(first + 5);
    return 0;
}

int fref_of(tag face, unsigned int* fref) {
    if (ES_solid_ask_fermalith_tag(face) == 0) return KX_MODL_ERR_NO_KERNEL_ENTITY;
    *fref = FREF_ask_fref_of_face(face);
    return 0;
}

int frefs_of(const bead_faces& f, int* count, unsigned int** frefs) {
    *frefs = host_copy(f.number_of_faces, f.faces);
    *count = f.number_of_faces;
    for (int i = 0; i < f.number_of_faces; ++i)
        if (int st = fref_of(f.faces[i], &(*frefs)[i])) return st;
    return 0;
}

int extension_of(int type, int* stored) {
    if (type < 0 || type > 4) return KX_MODL_ERR_BEAD_EXTENSION;
    *stored = kExtension[static_cast<std::size_t>(type)];
    return 0;
}

bool same_faces(const bead_faces& a, const bead_faces& b) {
    if (a.number_of_faces != b.number_of_faces) return false;
    for (int i = 0; i < a.number_of_faces; ++i) {
        bool found = false;
        for (int k = 0; k < b.number_of_faces && !found; ++k) found = a.faces[i] == b.faces[k];
        if (!found) return false;
    }
    return true;
}

int secondary_to_host(const bead_faces& placement, const bead_secondary* s, int shape_type, BEAD_data_t* h) {
    h->secondary_option_flag = 0;
    if (!s || !s->set) {
        h->secondary_kind = BEAD_SECONDARY_NONE;
        h->secondary_option_code = shape_type == 1 || shape_type == 2 ? -1 : 0;
        return 0;
    }
    const bead_faces& set = *s->set;
    if (s->set == &placement || same_faces(set, placement)) {
        h->secondary_kind = BEAD_SECONDARY_PLACEMENT;
    } else {
        int planes = 0, faces = 0;
        tag plane = NULL_TAG;
        for (int i = 0; i < set.number_of_faces; ++i) {
            const int type = ES_ask_entity_type(set.faces[i]);
            if (type == HOST_TYPE_DATUM_PLANE || type == HOST_TYPE_PLANE) {
                h->secondary_kind = type == HOST_TYPE_DATUM_PLANE ? BEAD_SECONDARY_DATUM_PLANE : BEAD_SECONDARY_PLANE;
                plane = set.faces[i];
                ++planes;
            } else {
                ++faces;
            }
        }
        if (planes > 0 && faces > 0) return KX_MODL_ERR_BEAD_PLANE_AND_FACES;
        if (planes > 1) return KX_MODL_ERR_BEAD_PLANES;
        if (planes == 1) {
            h->secondary_plane = plane;
        } else if (faces > 0) {
            h->secondary_kind = BEAD_SECONDARY_OWN_FACES;
            if (int st = frefs_of(set, &h->number_of_secondary, &h->secondary_frefs)) return st;
        } else {
            return KX_MODL_ERR_BEAD_NO_SECONDARY;
        }
    }
    if (int st = extension_of(set.extension_type, &h->secondary_extension)) return st;
    const bool on_placement = h->secondary_kind == BEAD_SECONDARY_PLACEMENT;
    if (s->option == 0) {
        h->secondary_option_code = on_placement ? 2 : 1;
    } else if (s->option == 1 && s->direction) {
        h->secondary_option_code = on_placement ? 4 : 3;
        h->secondary_option_flag = 3;
        kx::law::ask_direction_of_vector(s->direction, h->secondary_direction);
    } else {
        return KX_MODL_ERR_BEAD_SECONDARY_OPTION;
    }
    for (char* field : h->secondary_text) kx::copy_cut(field, s->text, BEAD_SECONDARY_CHARS - 1);
    return 0;
}

void plane_to_host(const bead_plane& p, BEAD_data_t* h) {
    if (p.type == 0) {
        h->plane_kind = 1;
        return;
    }
    if (p.type != 1 || !p.plane) ERROR_internal(kModule, __LINE__, "Unexpected section plane type");
    const KX_MODL_vector& v = *p.plane;
    if (v.type == 0 || v.type == 4) {
        h->plane_kind = 0;
        kx::law::ask_direction_of_vector(&v, h->plane_direction);
    } else if (v.type == 1) {
        kx::law::ask_direction_of_vector(&v, h->plane_direction);
        h->plane_kind = ES_ask_entity_type(v.u.axis) == HOST_TYPE_DATUM_PLANE ? 2 : 3;
        h->plane_object = v.u.axis;
    } else {
        ERROR_internal(kModule, __LINE__, "Unexpected plane option type");
    }
}

void axis_to_host(const KX_MODL_vector& v, BEAD_data_t* h) {
    if (v.type < 0 || v.type > 2) ERROR_internal(kModule, __LINE__, "Unexpected section axis option type");
    double d[3];
    kx::law::ask_direction_of_vector(&v, d);
    switch (v.type) {
        case 0:
            std::memcpy(h->axis_direction, d, sizeof d);
            h->axis_kind = 0;
            break;
        case 1:
            h->axis_kind = 3;
            h->axis_object = v.u.axis;
            break;
        default:
            // A face normal: the face and the point it is taken nearest.
            h->axis_kind = v.reverse != 0 ? 2 : 1;
            h->axis_object = v.u.face.face;
            std::memcpy(h->axis_direction, v.u.face.point, sizeof v.u.face.point);
            break;
    }
}

void shape_to_host(const bead_shape& s, BEAD_data_t* h) {
    const std::array<const KX_MODL_parm*, BEAD_SLOTS> parms = {s.depth,      s.width,  s.top_radius, s.bottom_radius,
                                                               s.side_angle, s.offset, s.end_length, s.end_angle};
    for (int i = 0; i < BEAD_SLOTS; ++i) {
        if (!parms[i]) continue;
        BEAD_parm_slot_t& slot = h->parms[i];
        slot.exp = NULL_TAG;
        // The end texts take no law.
        kx::law::create_law_from_parm(parms[i], slot.text, i < BEAD_END_LENGTH ? &slot.law : nullptr);
    }
    h->flags[0] = s.width_flag ? 1 : 0;
    h->flags[1] = s.top_radius_flag ? 1 : 0;
    h->flags[2] = s.bottom_radius_flag ? 1 : 0;
    if (s.end_cap < 0 || s.end_cap > 3) ERROR_internal(kModule, __LINE__, "Unexpected end cap option");
    h->end_cap = s.end_cap;
    h->shape_value_1 = s.value_1;
    h->shape_value_2 = s.value_2;
    if (s.shape_type < 0 || s.shape_type > 2) ERROR_internal(kModule, __LINE__, "Unexpected shape type");
    h->shape_type = s.shape_type;
}

// The caller's records into the host record (whose arrays the record's
// holder frees, also after a failure here).
int records_to_host(const bead_section& section, const bead_faces& placement, const bead_secondary* secondary,
                    const bead_plane& plane, const KX_MODL_vector& axis, const bead_shape& shape, BEAD_data_t* h) {
    if (section.number_of_curves < 1) return KX_MODL_ERR_BEAD_NO_CURVES;
    h->curves = host_copy(section.number_of_curves, section.curves);
    h->number_of_curves = section.number_of_curves;
    h->section_direction_kind = 0;
    if (section.direction_option == 1 && section.direction) {
        if (section.direction->type == 1) {
            h->section_direction_kind = 2;
            h->section_axis = section.direction->u.axis;
        } else {
            h->section_direction_kind = 1;
            kx::law::ask_direction_of_vector(section.direction, h->section_direction);
        }
    } else if (section.direction_option != 0) {
        return kBadSectionOption;
    }
    if (placement.number_of_faces > 0) {
        if (int st = frefs_of(placement, &h->number_of_placement, &h->placement_frefs)) return st;
        if (int st = extension_of(placement.extension_type, &h->placement_extension)) return st;
        h->target = ES_solid_ask_body(placement.faces[0]);
    }
    if (int st = secondary_to_host(placement, secondary, shape.shape_type, h)) return st;
    plane_to_host(plane, h);
    axis_to_host(axis, h);
    shape_to_host(shape, h);
    return 0;
}

KX_MODL_vector* direction_vector(const double d[3]) {
    auto* v = host_new<KX_MODL_vector>();
    kx::law::set_vector_direction(d, v);
    return v;
}

KX_MODL_vector* object_vector(tag object) {
    auto* v = host_new<KX_MODL_vector>();
    v->type = 1;
    v->u.axis = object;
    return v;
}

// The faces of the references into *faces (set before it is filled, so
// that a failure half-way leaves it to the records' release).
void faces_of_frefs(int n, const unsigned int* frefs, tag** faces) {
    *faces = nullptr;
    if (n <= 0) return;
    *faces = kx::alloc_array<tag>(static_cast<std::size_t>(n));
    std::memset(*faces, 0, sizeof(tag) * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) (*faces)[i] = FREF_ask_face_of_fref(frefs[i]);
}

int extension_back(int stored, const char* what) {
    if (stored < 0 || stored > 4) ERROR_internal(kModule, __LINE__, "Unexpected %s extension type", what);
    return kExtensionBack[static_cast<std::size_t>(stored)];
}

// The host record into the caller's records (each may be null but the
// placement, which a secondary set may name).
void host_to_records(const BEAD_data_t& h, bead_section* section, bead_faces* placement, bead_secondary* secondary,
                     bead_plane* plane, KX_MODL_vector* axis, bead_shape* shape) {
    if (section && h.number_of_curves > 0) {
        section->number_of_curves = h.number_of_curves;
        section->curves = host_copy(h.number_of_curves, h.curves);
        section->direction_option = h.section_direction_kind != 0 ? 1 : 0;
        if (h.section_direction_kind == 1) section->direction = direction_vector(h.section_direction);
        else if (h.section_direction_kind == 2) section->direction = object_vector(h.section_axis);
    }
    if (placement) {
        placement->number_of_faces = h.number_of_placement;
        faces_of_frefs(h.number_of_placement, h.placement_frefs, &placement->faces);
        placement->extension_type = extension_back(h.placement_extension, "placement");
    }
    if (secondary) {
        bead_faces* set = nullptr;
        switch (h.secondary_kind) {
            case BEAD_SECONDARY_PLACEMENT: set = placement; break;
            case BEAD_SECONDARY_OWN_FACES:
                set = host_new<bead_faces>();
                secondary->set = set;
                set->number_of_faces = h.number_of_secondary;
                faces_of_frefs(h.number_of_secondary, h.secondary_frefs, &set->faces);
                break;
            case BEAD_SECONDARY_DATUM_PLANE:
            case BEAD_SECONDARY_PLANE:
                set = host_new<bead_faces>();
                secondary->set = set;
                set->number_of_faces = 1;
                set->faces = host_copy(1, &h.secondary_plane);
                break;
            default: break;
        }
        secondary->set = set;
        if (set && set != placement) set->extension_type = extension_back(h.secondary_extension, "secondary");
        secondary->option = h.secondary_option_code == 3 || h.secondary_option_code == 4 ? 1 : 0;
        secondary->direction = secondary->option == 1 ? direction_vector(h.secondary_direction) : nullptr;
        kx::copy_cut(secondary->text, h.secondary_text[0], BEAD_SECONDARY_CHARS - 1);
    }
    if (plane) {
        plane->type = h.plane_kind == 1 ? 0 : 1;
        plane->plane = nullptr;
        // A plane given by a direction answers its own direction.
        if (h.plane_kind == 0) plane->plane = direction_vector(h.plane_direction);
        else if (h.plane_kind == 2 || h.plane_kind == 3) plane->plane = object_vector(h.plane_object);
    }
    if (axis) {
        std::memset(axis, 0, sizeof *axis);
        if (h.axis_kind == 0) {
            kx::law::set_vector_direction(h.axis_direction, axis);
        } else if (h.axis_kind == 3) {
            axis->type = 1;
            axis->u.axis = h.axis_object;
        } else {
            axis->type = 2;
            axis->reverse = h.axis_kind == 2 ? 1 : 0;
            axis->u.face.face = h.axis_object;
            std::memcpy(axis->u.face.point, h.axis_direction, sizeof axis->u.face.point);
        }
    }
    if (shape) {
        const std::array<KX_MODL_parm**, BEAD_SLOTS> parms = {
            &shape->depth,      &shape->width,  &shape->top_radius, &shape->bottom_radius,
            &shape->side_angle, &shape->offset, &shape->end_length, &shape->end_angle};
        for (int i = 0; i < BEAD_SLOTS; ++i) {
            *parms[i] = host_new<KX_MODL_parm>();
            kx::law::ask_law_parm_data(h.parms[i].exp, h.parms[i].law, *parms[i]);
        }
        shape->width_flag = h.flags[0];
        shape->top_radius_flag = h.flags[1];
        shape->bottom_radius_flag = h.flags[2];
        if (h.end_cap < 0 || h.end_cap > 3) ERROR_internal(kModule, __LINE__, "Unexpected end cap option");
        shape->end_cap = h.end_cap;
        shape->value_1 = h.shape_value_1;
        shape->value_2 = h.shape_value_2;
        shape->shape_type = h.shape_type;
    }
}

// A bead feature: 875008 for a tag of no object, 875004 for another object.
int check_bead(tag feature) {
    if (feature == NULL_TAG || TAG_ask_pointer_of_tag(feature) == nullptr) return KX_MODL_ERR_INVALID_FEATURE;
    return BEAD_is_bead(feature) ? 0 : static_cast<int>(KX_MODL_ERR_WRONG_KIND);
}

void free_vector(KX_MODL_vector*& v) {
    SM_free(v);
    v = nullptr;
}

// Frees what a query handed out in the records and clears them.
void free_records(bead_section* section, bead_faces* placement, bead_secondary* secondary, bead_plane* plane,
                  KX_MODL_vector* axis, bead_shape* shape) {
    if (section) {
        kx::free_and_clear(section->curves);
        free_vector(section->direction);
        section->number_of_curves = 0;
    }
    if (secondary) {
        if (secondary->set && secondary->set != placement) {
            SM_free(secondary->set->faces);
            SM_free(secondary->set);
        }
        secondary->set = nullptr;
        if (secondary->option == 1) free_vector(secondary->direction);
    }
    if (placement) {
        kx::free_and_clear(placement->faces);
        placement->number_of_faces = 0;
    }
    if (plane && plane->type == 1) free_vector(plane->plane);
    if (axis && axis->type == 4) kx::free_and_clear(axis->u.curves.curves);
    if (shape) {
        for (KX_MODL_parm** p : {&shape->depth, &shape->width, &shape->top_radius, &shape->bottom_radius,
                                 &shape->side_angle, &shape->offset, &shape->end_length, &shape->end_angle}) {
            kx::law::free_law_parm_data(*p);
            SM_free(*p);
            *p = nullptr;
        }
    }
}

}  // namespace

KXAPI int KX_MODL_create_bead(const bead_section* section, const bead_faces* placement,
                                         const bead_secondary* secondary, const bead_plane* plane,
                                         const KX_MODL_vector* axis, const bead_shape* shape, tag* feature) {
    return kx::frame(
        kOpts,
        [&] {
            kx::clear(feature);
            if (!feature) return kx::param(7);
            return check_records(1, section, placement, secondary, plane, axis, shape);
        },
        [&] {
            return kx::create_bracketed(1, feature, [&] {
                HostRecord host;
                host.data.tolerance = srfc1_[0];
                if (int st = records_to_host(*section, *placement, secondary, *plane, *axis, *shape, &host.data))
                    return st;
                tag made = NULL_TAG;
                BEAD_construct_frec(&host.data, &made);
                *feature = made;
                return 0;
            });
        });
}

KXAPI int KX_MODL_ask_bead(tag feature, bead_section* section, bead_faces* placement,
                                      bead_secondary* secondary, bead_plane* plane, KX_MODL_vector* axis,
                                      bead_shape* shape) {
    return kx::frame(
        kOpts,
        // A failure after the records were filled takes back what was
        // handed out.
        kx::on_error([&] { kx::release([&] { free_records(section, placement, secondary, plane, axis, shape); }); }),
        [&] {
            kx::clear(section, secondary, plane, axis, shape);
            return placement ? 0 : kx::param(3);
        },
        [&] {
            *placement = bead_faces{};
            return kx::undo_bracket(1, nullptr, [&] {
                if (int st = check_bead(feature)) return st;
                HostRecord host;
                BEAD_read_frec(feature, &host.data);
                host_to_records(host.data, section, placement, secondary, plane, axis, shape);
                return 0;
            });
        });
}

KXAPI int KX_MODL_edit_bead(tag feature, const bead_section* section, const bead_faces* placement,
                                       const bead_secondary* secondary, const bead_plane* plane,
                                       const KX_MODL_vector* axis, const bead_shape* shape) {
    return kx::frame(
        kOpts, [&] { return check_records(2, section, placement, secondary, plane, axis, shape); },
        [&] {
            return kx::undo_bracket(1, nullptr, [&] {
                if (int st = check_bead(feature)) return st;
                HostRecord host;
                BEAD_read_frec(feature, &host.data);
                BEAD_free_data(&host.data);
                if (int st = records_to_host(*section, *placement, secondary, *plane, *axis, *shape, &host.data))
                    return st;
                BEAD_update_frec(&host.data, 2, feature);
                BEAD_check_data(&host.data);
                UPDATE_log_object_to_update(feature);
                return 0;
            });
        });
}

KXAPI int KX_MODL_free_bead(bead_section* section, bead_faces* placement, bead_secondary* secondary,
                                       bead_plane* plane, KX_MODL_vector* axis, bead_shape* shape) {
    // Giving back the records' memory changes nothing of the model: no
    // undo mark, which could only fail after the records are gone.
    return kx::frame(kOpts, [&] {
        free_records(section, placement, secondary, plane, axis, shape);
        return 0;
    });
}
