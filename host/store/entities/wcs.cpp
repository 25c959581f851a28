// Coordinate systems, matrices and the work coordinate system.
#include "host/store/entities/wcs.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/hook.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/objects.h"

namespace host::wcs {
namespace {

struct Csys {
    std::array<double, 3> origin{};
    unsigned int matrix = 0;
};
struct Matrix {
    std::array<double, 9> values{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

TagTable<Csys>& csys_table() {
    static auto* t = new TagTable<Csys>("csys");  // lives as long as the process
    return *t;
}
TagTable<Matrix>& matrix_table() {
    static auto* t = new TagTable<Matrix>("matrices");  // lives as long as the process
    return *t;
}

struct State {
    unsigned int wcs = 0;
    bool temporary = false;
    unsigned int home_part = 0;
};
State& st() { return model_state<State>("wcs"); }
const bool registered = (csys_table(), matrix_table(), st(), true);

unsigned int new_matrix(unsigned int part, const double* values) {
    unsigned int m = objects::create({OM_CLASS_RM_ENTITY, HOST_TYPE_MATRIX, 0, part});
    for (int i = 0; i < 9; ++i) matrix_table()[m].values[static_cast<std::size_t>(i)] = values[i];
    return m;
}
unsigned int new_csys(unsigned int part, const double* origin, unsigned int matrix) {
    unsigned int c = objects::create({OM_CLASS_RM_ENTITY, HOST_TYPE_CSYS, 0, part});
    Csys& r = csys_table()[c];
    for (int i = 0; i < 3; ++i) r.origin[static_cast<std::size_t>(i)] = origin[i];
    r.matrix = matrix;
    return c;
}

// ---- Part-file section "CSYS" ---------------------------------------------
//
// The values of the matrices and coordinate systems of a part, so that the
// curves and coordinate systems of a reopened part lie where they were.
// Payload: u32 matrix count, per matrix u32 object number and nine f64;
// u32 coordinate-system count, per one u32 object number, three f64 origin
// and u32 object number of its matrix (kNoMatrix when it was not written).
// Matrices and coordinate systems without a row are left out: they show the
// defaults on first use, as in the session that saved them.

constexpr std::uint32_t kNoMatrix = 0xFFFFFFFFu;

void write_section(part_file::Writer& out, const part_file::SaveContext& ctx) {
    part_file::Writer matrices, systems;
    std::uint32_t n_matrices = 0, n_systems = 0;
    for (unsigned int t : ctx.objects) {
        if (const Matrix* m = matrix_table().find(t)) {
            matrices.u32(ctx.index(t));
            for (double v : m->values) matrices.f64(v);
            ++n_matrices;
        }
        if (const Csys* c = csys_table().find(t)) {
            systems.u32(ctx.index(t));
            for (double v : c->origin) systems.f64(v);
            systems.u32(c->matrix != 0 && objects::is_alive(c->matrix) ? ctx.index(c->matrix) : kNoMatrix);
            ++n_systems;
        }
    }
    if (n_matrices + n_systems == 0) return;
    out.u32(n_matrices);
    out.raw(matrices.bytes());
    out.u32(n_systems);
    out.raw(systems.bytes());
}

// The tag of an object number that must name an object of the type.
unsigned int typed(const part_file::LoadContext& ctx, std::uint32_t index, int type) {
    const unsigned int t = ctx.tag_of(index);
    if (objects::require(t).type != type) throw part_file::FormatError("object of the wrong type in CSYS");
    return t;
}

void read_section(part_file::Reader& in, part_file::LoadContext& ctx) {
    std::vector<std::pair<unsigned int, Matrix>> matrices;
    const std::uint32_t n_matrices = in.u32();
    if (n_matrices > in.left() / 76) throw part_file::FormatError("matrix count beyond the section");
    for (std::uint32_t i = 0; i < n_matrices; ++i) {
        const unsigned int t = typed(ctx, in.u32(), HOST_TYPE_MATRIX);
        Matrix m;
        for (double& v : m.values) v = in.f64();
        matrices.emplace_back(t, m);
    }
    std::vector<std::pair<unsigned int, Csys>> systems;
    const std::uint32_t n_systems = in.u32();
    if (n_systems > in.left() / 32) throw part_file::FormatError("coordinate-system count beyond the section");
    for (std::uint32_t i = 0; i < n_systems; ++i) {
        const unsigned int t = typed(ctx, in.u32(), HOST_TYPE_CSYS);
        Csys c;
        for (double& v : c.origin) v = in.f64();
        const std::uint32_t matrix = in.u32();
        c.matrix = matrix == kNoMatrix ? 0 : typed(ctx, matrix, HOST_TYPE_MATRIX);
        systems.emplace_back(t, c);
    }
    for (const auto& [t, m] : matrices) matrix_table()[t] = m;
    for (const auto& [t, c] : systems) csys_table()[t] = c;
}

const bool section_registered =
    (part_file::register_section({{'C', 'S', 'Y', 'S'}, write_section, read_section}), true);

}  // namespace

unsigned int make_csys(unsigned int part, const double origin[3], const double matrix[9], bool make_work) {
    unsigned int c = new_csys(part, origin, new_matrix(part, matrix));
    if (make_work) st().wcs = c;
    return c;
}

unsigned int make_wcs(unsigned int part) {
    static const double origin[3] = {0, 0, 0};
    static const double axes[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    return make_csys(part, origin, axes, true);
}

void set_home_part(unsigned int part) { st().home_part = part; }
void set_temporary(bool temporary) { st().temporary = temporary; }

void set_origin(unsigned int csys, const double origin[3]) {
    Csys& r = csys_table()[csys];
    for (int i = 0; i < 3; ++i) r.origin[static_cast<std::size_t>(i)] = origin[i];
    parts::note_change(csys);
}

void set_matrix(unsigned int csys, unsigned int matrix) {
    csys_table()[csys].matrix = matrix;
    parts::note_change(csys);
}

}  // namespace host::wcs

namespace hw = host::wcs;

extern "C" {

unsigned int WCS_ask_tag(void) {
    auto call = HOST_ENTRY();
    unsigned int t = hw::st().wcs;
    if (t != 0 && !host::objects::is_alive(t)) t = hw::st().wcs = 0;
    return static_cast<unsigned int>(call.int_out(0, t));
}

unsigned int WCS_set(unsigned int csys) {
    auto call = HOST_ENTRY(csys);
    call.live_of_type(csys, HOST_TYPE_CSYS);
    unsigned int before = hw::st().wcs;
    hw::st().wcs = csys;
    hw::st().temporary = false;
    return before;
}

int WCS_is_permanent(void) {
    HOST_ENTRY();
    return hw::st().wcs != 0 && !hw::st().temporary;
}

int WCS_is_temporary(void) {
    HOST_ENTRY();
    return hw::st().wcs != 0 && hw::st().temporary;
}

unsigned int WCS_ask_skeleton(void) {
    HOST_ENTRY();
    const auto* r = hw::st().wcs ? hw::csys_table().find(hw::st().wcs) : nullptr;
    return r ? r->matrix : 0;
}

void base_WCS_Orient(const double origin[3], const double matrix[9]) {
    auto call = HOST_ENTRY(origin, matrix);
    int status;
    if (call.status(status)) return;  // a test scripted a re-orientation that keeps the old one
    call.need(origin);
    call.need(matrix);
    unsigned int part = hw::st().home_part;
    if (const auto* old = host::objects::find(hw::st().wcs)) part = old->part;
    hw::make_csys(part, origin, matrix, true);
}

void ES_ask_csys_origin(unsigned int csys, double origin[3]) {
    auto call = HOST_ENTRY(csys, origin);
    call.need(origin);
    call.live_of_type(csys, HOST_TYPE_CSYS);
    const auto& r = hw::csys_table()[csys];
    for (int i = 0; i < 3; ++i) origin[i] = r.origin[static_cast<std::size_t>(i)];
}

void ES_ask_matrix_tag_of_entity(unsigned int object, unsigned int* matrix) {
    auto call = HOST_ENTRY(object, matrix);
    call.need(matrix);
    const host::objects::Object& o = call.live(object);
    *matrix = 0;
    if (o.type == HOST_TYPE_MATRIX) *matrix = object;
    else if (const auto* r = hw::csys_table().find(object)) *matrix = r->matrix;
    else if (const auto* e = host::curves::find(object);
             e && (e->kind == host::curves::Kind::arc || e->kind == host::curves::Kind::conic))
        *matrix = e->matrix;
}

void ES_ask_elements_of_matrix(unsigned int matrix, double values[9]) {
    auto call = HOST_ENTRY(matrix, values);
    call.need(values);
    call.live_of_type(matrix, HOST_TYPE_MATRIX);
    const auto& r = hw::matrix_table()[matrix];
    for (int i = 0; i < 9; ++i) values[i] = r.values[static_cast<std::size_t>(i)];
}

void ES_create_matrix_in_part(unsigned int part, const double* values, int count, unsigned int* matrix) {
    auto call = HOST_ENTRY(part, values, count, matrix);
    call.need(values);
    call.need(matrix);
    if (count != 3) call.fail(HOST_ERR_BAD_ARGUMENT, "%d rows instead of 3", count);
    *matrix = hw::new_matrix(part, values);
}

void ES_create_csys_0(const double origin[3], unsigned int matrix, unsigned int* csys) {
    auto call = HOST_ENTRY(origin, matrix, csys);
    call.need(origin);
    call.need(csys);
    const auto& m = call.live_of_type(matrix, HOST_TYPE_MATRIX);
    *csys = hw::new_csys(m.part, origin, matrix);
}

}  // extern "C"
