// Feature parameters read back as expression texts.
#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_parms.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_parms_shared.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/feature_parms.h"
#include "host/apps/modeling/sets/instance_sets.h"
#include "host/model/feature/positioning.h"
#include "host/base/services/objects.h"
#include "host/base/services/memory.h"

namespace {

namespace km = kx::modl;
namespace kp = kx::modl::parms;

// A feature whose parameter record is of another kind.
constexpr int kOtherKind = KX_MODL_ERR_WRONG_KIND;

enum class Form {
    plain,       // the assignment; NULL when the slot holds no expression
    optional,    // as plain; a slot without an expression sets the through flag
    constant,    // the formula alone when the expression is a constant
    constraint,  // as plain; a slot holding a positioning constraint
                 // answers the expression the constraint owns
};

struct Out {
    char** dst;
    Form form;
};

// A formula that is a number alone: the feature's own expressions made of
// a number are its constants as much as the host's constant expressions.
bool is_number(const char* formula) {
    if (!formula || !*formula) return false;
    char* end = nullptr;
    std::strtod(formula, &end);
    while (*end == ' ') ++end;
    return *end == '\0';
}

bool is_constraint(unsigned int object) {
    const OM_class_t cls = OM_ask_class_of_name(RPO_CONSTRAINT_CLASS_NAME);
    return cls != 0 && OM_is_subclass(OM_ask_class(object), cls);
}

// The text of a slot in the form asked: 0 and *text set (NULL for a slot
// without an expression), or the host's code.
int text_of(unsigned int slot, Form form, char** text) {
    if (form == Form::constraint && slot != 0 && is_constraint(slot)) slot = FPARMS_ask_constraint_exp(slot);
    if (slot == 0) return 0;
    if (form == Form::constant) {
        char* raw = nullptr;
        if (int st = EXP_ask_exp_str_of_exp(slot, &raw)) return st;
        kx::host_ptr<char> formula(raw);  // freed also when a host error comes
        if (EXP_is_const_exp(slot) || (EXP_is_a_system_exp(slot) && is_number(formula.get()))) {
            *text = formula.release();
            return 0;
        }
    }
    return EXP_ask_assignment_of_exp(slot, text);
}

// The texts of the feature's parameter record, slot i to outs[i], when its
// class is that of one of the kinds (else kOtherKind, nothing written).
// Nothing is written until every text is made; a failure after the first
// text frees those made and sets every text output to NULL. `extra` writes
// the kind's other outputs from the record.
template <class Extra>
int read_texts(tag feature, const kp::Kind& kind, const std::vector<Out>& outs, int* thru_flag, Extra&& extra) {
    FPARMS_record_t record{};
    if (!kp::record_of(feature, kind, &record) || record.count < static_cast<int>(outs.size())) return kOtherKind;

    std::vector<char*> made(outs.size(), nullptr);
    const auto drop = [&] {
        for (char*& t : made) kx::sm_free(std::exchange(t, nullptr));
        for (const Out& o : outs) *o.dst = nullptr;
    };
    int through = 0;
    const auto read = [&]() -> int {
        for (std::size_t i = 0; i < outs.size(); ++i) {
            const unsigned int slot = record.slots[i];
            if (slot == 0 && outs[i].form == Form::optional) through = 1;
            if (int st = text_of(slot, outs[i].form, &made[i])) return st;
        }
        return 0;
    };
    // The texts go out only when the reading (and the deletion of its mark)
    // succeeded.
    int st = 0;
    try {
        st = kind.bracket ? kx::undo_bracket(1, nullptr, read) : read();
    } catch (...) {
        drop();
        throw;
    }
    if (st != 0) {
        drop();
        return st;
    }
    for (std::size_t i = 0; i < outs.size(); ++i) *outs[i].dst = made[i];
    if (thru_flag) *thru_flag = through;
    extra(record);
    return 0;
}

int read_texts(tag feature, const kp::Kind& kind, const std::vector<Out>& outs, int* thru_flag = nullptr) {
    return read_texts(feature, kind, outs, thru_flag, [](const FPARMS_record_t&) {});
}

// The frame of a query: a null output (by its argument position) is
// refused before anything else is read.
template <class Work>
int parms_query(std::initializer_list<kx::Arg> outputs, Work&& work) {
    return kx::frame([&] { return kx::check(outputs); }, std::forward<Work>(work));
}

std::vector<Out> plain(std::initializer_list<char**> dsts, Form form = Form::plain) {
    std::vector<Out> outs;
    for (char** d : dsts) outs.push_back({d, form});
    return outs;
}

// Kinds by their records' classes; "master": an instance of a deleted set
// answers for its master.
kp::Kind of(std::initializer_list<const char*> classes, bool master, bool bracket = false) {
    return kp::Kind{std::vector<const char*>(classes), master, bracket, false};
}

}  // namespace

namespace kx::modl::parms {

tag master_of(tag feature) {
    int row = 0, column = 0;
    if (!km::is_feature(feature) || !ISET_ask_instance_position(feature, &row, &column) ||
        !ISET_is_iset_deleted(feature))
        return feature;
    const tag master = ISET_ask_initial_master_of_ins(feature);
    return master != NULL_TAG ? master : feature;
}

bool record_of(tag feature, const Kind& kind, FPARMS_record_t* record) {
    if (kind.master) feature = master_of(feature);
    if (!km::is_feature(feature) || !FPARMS_ask_record(feature, record)) return false;
    return std::any_of(kind.classes.begin(), kind.classes.end(), [&](const char* k) {
        const int cls = FPARMS_ask_class_of_kind(k);
        return kind.subclasses ? OM_is_subclass(record->cls, cls) != 0 : record->cls == cls;
    });
}

}  // namespace kx::modl::parms

KXAPI int KX_MODL_ask_simple_hole_parms(tag feature, int, char** diameter, char** depth, char** tip_angle,
                                                   int* thru_flag) {
    return parms_query({{diameter, 3}, {depth, 4}, {tip_angle, 5}, {thru_flag, 6}}, [&] {
        return read_texts(feature, of({"SIMPLE HOLE", "SMD_SIMPLE HOLE"}, true),
                          {{diameter, Form::plain}, {depth, Form::optional}, {tip_angle, Form::optional}}, thru_flag);
    });
}

KXAPI int KX_MODL_ask_c_bore_hole_parms(tag feature, int, char** cbore_diameter, char** cbore_depth,
                                                   char** diameter, char** depth, char** tip_angle, int* thru_flag) {
    return parms_query(
        {{cbore_diameter, 3}, {cbore_depth, 4}, {diameter, 5}, {depth, 6}, {tip_angle, 7}, {thru_flag, 8}}, [&] {
            return read_texts(feature, of({"CBORE_HOLE"}, true),
                              {{cbore_diameter, Form::plain},
                               {cbore_depth, Form::plain},
                               {diameter, Form::plain},
                               {depth, Form::optional},
                               {tip_angle, Form::optional}},
                              thru_flag);
        });
}

// The record keeps c-sink diameter, c-sink angle, diameter, depth and tip
// angle; the query answers the depth before the diameter.
KXAPI int KX_MODL_ask_c_sunk_hole_parms(tag feature, int, char** csink_diameter, char** csink_angle,
                                                   char** depth, char** diameter, char** tip_angle, int* thru_flag) {
    return parms_query(
        {{csink_diameter, 3}, {csink_angle, 4}, {depth, 5}, {diameter, 6}, {tip_angle, 7}, {thru_flag, 8}}, [&] {
            return read_texts(feature, of({"CSUNK_HOLE"}, true),
                              {{csink_diameter, Form::plain},
                               {csink_angle, Form::plain},
                               {diameter, Form::plain},
                               {depth, Form::optional},
                               {tip_angle, Form::optional}},
                              thru_flag);
        });
}

KXAPI int KX_MODL_ask_boss_parms(tag feature, int, char** diameter, char** height, char** taper_angle) {
    return parms_query({{diameter, 3}, {height, 4}, {taper_angle, 5}}, [&] {
        return read_texts(feature, of({"BOSS"}, true), plain({diameter, height, taper_angle}));
    });
}

KXAPI int KX_MODL_ask_cyl_pocket_parms(tag feature, int, char** diameter, char** depth, char** corner_radius,
                                                  char** floor_radius) {
    return parms_query({{diameter, 3}, {depth, 4}, {corner_radius, 5}, {floor_radius, 6}}, [&] {
        return read_texts(feature, of({"CYL_POCKET"}, true), plain({diameter, depth, corner_radius, floor_radius}));
    });
}

KXAPI int KX_MODL_ask_rect_pad_parms(tag feature, int, char* sizes[3], char** corner_radius,
                                                char** taper_angle) {
    return parms_query({{sizes, 3}, {corner_radius, 4}, {taper_angle, 5}}, [&] {
        return read_texts(feature, of({"RECT_PAD"}, true, true),
                          plain({&sizes[0], &sizes[1], &sizes[2], corner_radius, taper_angle}));
    });
}

KXAPI int KX_MODL_ask_rect_pocket_parms(tag feature, int, char* sizes[3], char** corner_radius,
                                                   char** floor_radius, char** taper_angle) {
    return parms_query({{sizes, 3}, {corner_radius, 4}, {floor_radius, 5}, {taper_angle, 6}}, [&] {
        return read_texts(feature, of({"RECT_POCKET"}, true, true),
                          plain({&sizes[0], &sizes[1], &sizes[2], corner_radius, floor_radius, taper_angle}));
    });
}

namespace {

// A slot: its texts, the last (its length) optional.
int slot_query(tag feature, const kp::Kind& kind, std::initializer_list<char**> texts, int* thru_flag) {
    std::vector<kx::Arg> args;
    int n = 3;
    for (char** t : texts) args.emplace_back(t, n++);
    args.emplace_back(thru_flag, n);
    return kx::frame(
        [&] {
            for (const kx::Arg& a : args)
                if (!a.ok) return kx::param(a.n);
            return 0;
        },
        [&] {
            std::vector<Out> outs = plain(texts);
            outs.back().form = Form::optional;
            return read_texts(feature, kind, outs, thru_flag);
        });
}

}  // namespace

KXAPI int KX_MODL_ask_rect_slot_parms(tag feature, int, char** width, char** depth, char** length,
                                                 int* thru_flag) {
    return slot_query(feature, of({"RECT_SLOT", "SMD_RECT_SLOT"}, true), {width, depth, length}, thru_flag);
}

KXAPI int KX_MODL_ask_ball_slot_parms(tag feature, int, char** ball_diameter, char** depth, char** length,
                                                 int* thru_flag) {
    return slot_query(feature, of({"BALL_SLOT"}, true), {ball_diameter, depth, length}, thru_flag);
}

KXAPI int KX_MODL_ask_u_slot_parms(tag feature, int, char** width, char** depth, char** corner_radius,
                                              char** length, int* thru_flag) {
    return slot_query(feature, of({"U_SLOT"}, true), {width, depth, corner_radius, length}, thru_flag);
}

KXAPI int KX_MODL_ask_t_slot_parms(tag feature, int, char** top_width, char** top_depth, char** bottom_width,
                                              char** bottom_depth, char** length, int* thru_flag) {
    return slot_query(feature, of({"T_SLOT"}, true), {top_width, top_depth, bottom_width, bottom_depth, length}, thru_flag);
}

KXAPI int KX_MODL_ask_dovetail_slot_parms(tag feature, int, char** width, char** depth, char** angle,
                                                     char** length, int* thru_flag) {
    return slot_query(feature, of({"DOVE_TAIL_SLOT"}, true), {width, depth, angle, length}, thru_flag);
}

KXAPI int KX_MODL_ask_rect_groove_parms(tag feature, int, char** groove_diameter, char** width) {
    return parms_query({{groove_diameter, 3}, {width, 4}}, [&] {
        return read_texts(feature, of({"RECT_GROOVE"}, false),
                          {{groove_diameter, Form::constraint}, {width, Form::plain}});
    });
}

KXAPI int KX_MODL_ask_ball_groove_parms(tag feature, int, char** groove_diameter, char** ball_diameter) {
    return parms_query({{groove_diameter, 3}, {ball_diameter, 4}}, [&] {
        return read_texts(feature, of({"BALL_GROOVE"}, false),
                          {{groove_diameter, Form::constraint}, {ball_diameter, Form::plain}});
    });
}

KXAPI int KX_MODL_ask_u_groove_parms(tag feature, int, char** groove_diameter, char** width,
                                                char** corner_radius) {
    return parms_query({{groove_diameter, 3}, {width, 4}, {corner_radius, 5}}, [&] {
        return read_texts(feature, of({"U_GROOVE"}, false),
                          {{groove_diameter, Form::constraint}, {width, Form::plain}, {corner_radius, Form::plain}});
    });
}

KXAPI int KX_MODL_ask_chamfer_parms(tag feature, int, int* type, char** offset1, char** offset2,
                                               char** angle) {
    return parms_query({{type, 3}, {offset1, 4}, {offset2, 5}, {angle, 6}}, [&] {
        return read_texts(feature, of({"CHAMFER"}, false), plain({offset1, offset2, angle}, Form::constant), nullptr,
                          [&](const FPARMS_record_t& r) { *type = r.type; });
    });
}

KXAPI int KX_MODL_ask_block_parms(tag feature, int, char* sizes[3]) {
    return parms_query({{sizes, 3}}, [&] {
        return read_texts(feature, of({"BLOCK"}, true, true), plain({&sizes[0], &sizes[1], &sizes[2]}));
    });
}

KXAPI int KX_MODL_ask_cylinder_parms(tag feature, int, char** diameter, char** height) {
    return parms_query({{diameter, 3}, {height, 4}}, [&] {
        return read_texts(feature, of({"CYLINDER"}, true), plain({diameter, height}));
    });
}

KXAPI int KX_MODL_ask_cone_parms(tag feature, int, char** base_diameter, char** top_diameter, char** height,
                                            char** half_angle) {
    return parms_query({{base_diameter, 3}, {top_diameter, 4}, {height, 5}, {half_angle, 6}}, [&] {
        return read_texts(feature, of({"CONE"}, true),
                          plain({base_diameter, top_diameter, height, half_angle}, Form::constant));
    });
}

KXAPI int KX_MODL_ask_sphere_parms(tag feature, int, char** diameter) {
    return parms_query({{diameter, 3}}, [&] { return read_texts(feature, of({"SPHERE"}, true), plain({diameter})); });
}

KXAPI int KX_MODL_ask_torus_parms(tag feature, int, char** major_radius, char** minor_radius) {
    return parms_query({{major_radius, 3}, {minor_radius, 4}}, [&] {
        return read_texts(feature, of({"TORUS"}, true), plain({major_radius, minor_radius}));
    });
}

KXAPI int KX_MODL_ask_prism_parms(tag feature, int, char** diameter, char** height, char** sides) {
    return parms_query({{diameter, 3}, {height, 4}, {sides, 5}}, [&] {
        return read_texts(feature, of({"PRISM"}, true), plain({diameter, height, sides}));
    });
}

KXAPI int KX_MODL_ask_hollow_parms(tag feature, int, char** thickness) {
    return parms_query({{thickness, 3}}, [&] { return read_texts(feature, of({"HOLLOW"}, false), plain({thickness})); });
}

KXAPI int KX_MODL_ask_offset_parms(tag feature, int, char** distance) {
    return parms_query({{distance, 3}}, [&] { return read_texts(feature, of({"OFFSET"}, false), plain({distance})); });
}

KXAPI int KX_MODL_ask_linear_iset_parms(tag feature, int, char** number_x, char** offset_x, char** number_y,
                                                   char** offset_y) {
    return parms_query({{number_x, 3}, {offset_x, 4}, {number_y, 5}, {offset_y, 6}}, [&] {
        return read_texts(feature, of({"LINEAR_ISET"}, false), plain({number_x, offset_x, number_y, offset_y}));
    });
}

// The set's radius comes first: NULL for a set whose copies turn about an
// axis (it keeps no radius).
KXAPI int KX_MODL_ask_circular_iset_parms(tag feature, int, char** radius, char** number, char** angle) {
    return parms_query({{radius, 3}, {number, 4}, {angle, 5}}, [&] {
        return read_texts(feature, of({"CIRCULAR_ISET"}, false), plain({radius, number, angle}));
    });
}

// A sweep: its first text, then two that are NULL where the record keeps
// no expression; each the formula alone for a constant.
KXAPI int KX_MODL_ask_sweep_parms(tag feature, int, char** first, char** second, char** third) {
    return parms_query({{first, 3}, {second, 4}, {third, 5}}, [&] {
        return read_texts(feature, of({"SWEEP"}, false), plain({first, second, third}, Form::constant));
    });
}

// A taper of any kind under the taper classes: the expression of its
// angle.
KXAPI int KX_MODL_ask_taper_parms(tag feature, int, char** angle) {
    return parms_query({{angle, 3}}, [&] {
        FPARMS_record_t record{};
        if (!kp::record_of(feature, kp::Kind{{"TAPER", "DD_taper_body"}, false, false, true}, &record))
            return kOtherKind;
        char* text = nullptr;
        if (int st = text_of(FREC_ask_parm_exp(feature, "Angle"), Form::plain, &text)) return st;
        *angle = text;
        return 0;
    });
}
