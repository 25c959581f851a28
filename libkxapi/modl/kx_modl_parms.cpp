// Feature parameters read back as expression texts, and a feature's
// directions and location.
#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_parms.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_query.h"

#include "host/expr/expr.h"
#include "host/feature/feature_parms.h"
#include "host/services/memory.h"

namespace {

namespace km = kx::modl;

// A feature whose parameter record is of another kind.
constexpr int kOtherKind = KX_MODL_ERR_WRONG_KIND;

enum class Form {
    plain,     // the assignment; NULL when the slot holds no expression
    optional,  // as plain; a slot without an expression sets the through flag
    constant,  // the formula alone when the expression is a constant
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

// The text of an expression in the form asked: 0 and *text set, or the
// host's code.
int text_of(unsigned int exp, Form form, char** text) {
    if (form == Form::constant) {
        char* formula = nullptr;
        if (int st = EXP_ask_exp_str_of_exp(exp, &formula)) return st;
        if (EXP_is_const_exp(exp) || (EXP_is_a_system_exp(exp) && is_number(formula))) {
            *text = formula;
            return 0;
        }
        kx::sm_free(formula);
    }
    return EXP_ask_assignment_of_exp(exp, text);
}

// The texts of the feature's parameter record, slot i to outs[i], when its
// class is that of one of the kinds (else kOtherKind, nothing written).
// Nothing is written until every text is made; a failure after the first
// text frees those made and sets every text output to NULL. `extra` writes
// the kind's other outputs from the record.
template <class Extra>
int read_texts(tag feature, std::initializer_list<const char*> kinds, bool bracket, const std::vector<Out>& outs,
               int* thru_flag, Extra&& extra) {
    if (!km::is_feature(feature)) return kOtherKind;
    FPARMS_record_t record{};
    if (!FPARMS_ask_record(feature, &record)) return kOtherKind;
    const bool of_kind = std::any_of(kinds.begin(), kinds.end(),
                                     [&](const char* k) { return FPARMS_ask_class_of_kind(k) == record.cls; });
    if (!of_kind || record.count < static_cast<int>(outs.size())) return kOtherKind;

    std::vector<char*> made(outs.size(), nullptr);
    const auto drop = [&] {
        for (char*& t : made) kx::sm_free(std::exchange(t, nullptr));
        for (const Out& o : outs) *o.dst = nullptr;
    };
    int through = 0;
    const auto read = [&]() -> int {
        for (std::size_t i = 0; i < outs.size(); ++i) {
            const unsigned int exp = record.slots[i];
            if (exp == 0) {
                if (outs[i].form == Form::optional) through = 1;
                continue;
            }
            if (int st = text_of(exp, outs[i].form, &made[i])) return st;
        }
        return 0;
    };
    // The texts go out only when the reading (and the deletion of its mark)
    // succeeded.
    int st = 0;
    try {
        st = bracket ? kx::undo_bracket(1, nullptr, read) : read();
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

int read_texts(tag feature, std::initializer_list<const char*> kinds, bool bracket, const std::vector<Out>& outs,
               int* thru_flag = nullptr) {
    return read_texts(feature, kinds, bracket, outs, thru_flag, [](const FPARMS_record_t&) {});
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

}  // namespace

extern "C" KXAPI int KX_MODL_ask_simple_hole_parms(tag feature, int, char** diameter, char** depth, char** tip_angle,
                                                   int* thru_flag) {
    return parms_query({{diameter, 3}, {depth, 4}, {tip_angle, 5}, {thru_flag, 6}}, [&] {
        return read_texts(feature, {"SIMPLE HOLE"}, false,
                          {{diameter, Form::plain}, {depth, Form::optional}, {tip_angle, Form::optional}}, thru_flag);
    });
}

extern "C" KXAPI int KX_MODL_ask_c_bore_hole_parms(tag feature, int, char** cbore_diameter, char** cbore_depth,
                                                   char** diameter, char** depth, char** tip_angle, int* thru_flag) {
    return parms_query(
        {{cbore_diameter, 3}, {cbore_depth, 4}, {diameter, 5}, {depth, 6}, {tip_angle, 7}, {thru_flag, 8}}, [&] {
            return read_texts(feature, {"CBORE_HOLE"}, false,
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
extern "C" KXAPI int KX_MODL_ask_c_sunk_hole_parms(tag feature, int, char** csink_diameter, char** csink_angle,
                                                   char** depth, char** diameter, char** tip_angle, int* thru_flag) {
    return parms_query(
        {{csink_diameter, 3}, {csink_angle, 4}, {depth, 5}, {diameter, 6}, {tip_angle, 7}, {thru_flag, 8}}, [&] {
            return read_texts(feature, {"CSUNK_HOLE"}, false,
                              {{csink_diameter, Form::plain},
                               {csink_angle, Form::plain},
                               {diameter, Form::plain},
                               {depth, Form::optional},
                               {tip_angle, Form::optional}},
                              thru_flag);
        });
}

extern "C" KXAPI int KX_MODL_ask_boss_parms(tag feature, int, char** diameter, char** height, char** taper_angle) {
    return parms_query({{diameter, 3}, {height, 4}, {taper_angle, 5}}, [&] {
        return read_texts(feature, {"BOSS"}, false, plain({diameter, height, taper_angle}));
    });
}

extern "C" KXAPI int KX_MODL_ask_cyl_pocket_parms(tag feature, int, char** diameter, char** depth, char** corner_radius,
                                                  char** floor_radius) {
    return parms_query({{diameter, 3}, {depth, 4}, {corner_radius, 5}, {floor_radius, 6}}, [&] {
        return read_texts(feature, {"CYL_POCKET"}, false, plain({diameter, depth, corner_radius, floor_radius}));
    });
}

extern "C" KXAPI int KX_MODL_ask_rect_pad_parms(tag feature, int, char* sizes[3], char** corner_radius,
                                                char** taper_angle) {
    return parms_query({{sizes, 3}, {corner_radius, 4}, {taper_angle, 5}}, [&] {
        return read_texts(feature, {"RECT_PAD"}, true,
                          plain({&sizes[0], &sizes[1], &sizes[2], corner_radius, taper_angle}));
    });
}

extern "C" KXAPI int KX_MODL_ask_rect_pocket_parms(tag feature, int, char* sizes[3], char** corner_radius,
                                                   char** floor_radius, char** taper_angle) {
    return parms_query({{sizes, 3}, {corner_radius, 4}, {floor_radius, 5}, {taper_angle, 6}}, [&] {
        return read_texts(feature, {"RECT_POCKET"}, true,
                          plain({&sizes[0], &sizes[1], &sizes[2], corner_radius, floor_radius, taper_angle}));
    });
}

namespace {

// A slot: its texts, the last (its length) optional.
int slot_query(tag feature, const char* kind, std::initializer_list<char**> texts, int* thru_flag) {
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
            return read_texts(feature, {kind}, false, outs, thru_flag);
        });
}

}  // namespace

extern "C" KXAPI int KX_MODL_ask_rect_slot_parms(tag feature, int, char** width, char** depth, char** length,
                                                 int* thru_flag) {
    return slot_query(feature, "RECT_SLOT", {width, depth, length}, thru_flag);
}

extern "C" KXAPI int KX_MODL_ask_ball_slot_parms(tag feature, int, char** ball_diameter, char** depth, char** length,
                                                 int* thru_flag) {
    return slot_query(feature, "BALL_SLOT", {ball_diameter, depth, length}, thru_flag);
}

extern "C" KXAPI int KX_MODL_ask_u_slot_parms(tag feature, int, char** width, char** depth, char** corner_radius,
                                              char** length, int* thru_flag) {
    return slot_query(feature, "U_SLOT", {width, depth, corner_radius, length}, thru_flag);
}

extern "C" KXAPI int KX_MODL_ask_t_slot_parms(tag feature, int, char** top_width, char** top_depth, char** bottom_width,
                                              char** bottom_depth, char** length, int* thru_flag) {
    return slot_query(feature, "T_SLOT", {top_width, top_depth, bottom_width, bottom_depth, length}, thru_flag);
}

extern "C" KXAPI int KX_MODL_ask_dovetail_slot_parms(tag feature, int, char** width, char** depth, char** angle,
                                                     char** length, int* thru_flag) {
    return slot_query(feature, "DOVE_TAIL_SLOT", {width, depth, angle, length}, thru_flag);
}

extern "C" KXAPI int KX_MODL_ask_rect_groove_parms(tag feature, int, char** groove_diameter, char** width) {
    return parms_query({{groove_diameter, 3}, {width, 4}}, [&] {
        return read_texts(feature, {"RECT_GROOVE"}, false, plain({groove_diameter, width}));
    });
}

extern "C" KXAPI int KX_MODL_ask_ball_groove_parms(tag feature, int, char** groove_diameter, char** ball_diameter) {
    return parms_query({{groove_diameter, 3}, {ball_diameter, 4}}, [&] {
        return read_texts(feature, {"BALL_GROOVE"}, false, plain({groove_diameter, ball_diameter}));
    });
}

extern "C" KXAPI int KX_MODL_ask_u_groove_parms(tag feature, int, char** groove_diameter, char** width,
                                                char** corner_radius) {
    return parms_query({{groove_diameter, 3}, {width, 4}, {corner_radius, 5}}, [&] {
        return read_texts(feature, {"U_GROOVE"}, false, plain({groove_diameter, width, corner_radius}));
    });
}

extern "C" KXAPI int KX_MODL_ask_chamfer_parms(tag feature, int, int* type, char** offset1, char** offset2,
                                               char** angle) {
    return parms_query({{type, 3}, {offset1, 4}, {offset2, 5}, {angle, 6}}, [&] {
        return read_texts(feature, {"CHAMFER"}, false, plain({offset1, offset2, angle}, Form::constant), nullptr,
                          [&](const FPARMS_record_t& r) { *type = r.type; });
    });
}

extern "C" KXAPI int KX_MODL_ask_block_parms(tag feature, int, char* sizes[3]) {
    return parms_query({{sizes, 3}}, [&] {
        return read_texts(feature, {"BLOCK"}, true, plain({&sizes[0], &sizes[1], &sizes[2]}));
    });
}

extern "C" KXAPI int KX_MODL_ask_cylinder_parms(tag feature, int, char** diameter, char** height) {
    return parms_query({{diameter, 3}, {height, 4}}, [&] {
        return read_texts(feature, {"CYLINDER"}, false, plain({diameter, height}));
    });
}

extern "C" KXAPI int KX_MODL_ask_cone_parms(tag feature, int, char** base_diameter, char** top_diameter, char** height,
                                            char** half_angle) {
    return parms_query({{base_diameter, 3}, {top_diameter, 4}, {height, 5}, {half_angle, 6}}, [&] {
        return read_texts(feature, {"CONE"}, false,
                          plain({base_diameter, top_diameter, height, half_angle}, Form::constant));
    });
}

extern "C" KXAPI int KX_MODL_ask_sphere_parms(tag feature, int, char** diameter) {
    return parms_query({{diameter, 3}}, [&] { return read_texts(feature, {"SPHERE"}, false, plain({diameter})); });
}

extern "C" KXAPI int KX_MODL_ask_torus_parms(tag feature, int, char** major_radius, char** minor_radius) {
    return parms_query({{major_radius, 3}, {minor_radius, 4}}, [&] {
        return read_texts(feature, {"TORUS"}, false, plain({major_radius, minor_radius}));
    });
}

extern "C" KXAPI int KX_MODL_ask_prism_parms(tag feature, int, char** diameter, char** height, char** sides) {
    return parms_query({{diameter, 3}, {height, 4}, {sides, 5}}, [&] {
        return read_texts(feature, {"PRISM"}, false, plain({diameter, height, sides}));
    });
}

extern "C" KXAPI int KX_MODL_ask_hollow_parms(tag feature, int, char** thickness) {
    return parms_query({{thickness, 3}}, [&] { return read_texts(feature, {"HOLLOW"}, false, plain({thickness})); });
}

extern "C" KXAPI int KX_MODL_ask_offset_parms(tag feature, int, char** distance) {
    return parms_query({{distance, 3}}, [&] { return read_texts(feature, {"OFFSET"}, false, plain({distance})); });
}

extern "C" KXAPI int KX_MODL_ask_linear_iset_parms(tag feature, int, char** number_x, char** offset_x, char** number_y,
                                                   char** offset_y) {
    return parms_query({{number_x, 3}, {offset_x, 4}, {number_y, 5}, {offset_y, 6}}, [&] {
        return read_texts(feature, {"LINEAR_ISET"}, false, plain({number_x, offset_x, number_y, offset_y}));
    });
}

extern "C" KXAPI int KX_MODL_ask_circular_iset_parms(tag feature, int, char** number, char** angle, char** radius) {
    return parms_query({{number, 3}, {angle, 4}, {radius, 5}}, [&] {
        return read_texts(feature, {"CIRCULAR_ISET"}, false, plain({number, angle, radius}));
    });
}

extern "C" KXAPI int KX_MODL_ask_feat_direction(tag feature, double first[3], double second[3]) {
    return kx::frame([&] { return km::is_feature(feature) ? 0 : int(KX_MODL_ERR_NOT_A_FEATURE); },
                     [&] {
                         double a[3], b[3];
                         int n = 0;
                         FPARMS_ask_directions(feature, a, b, &n);
                         if (first) std::copy(a, a + 3, first);
                         if (second) std::copy(b, b + 3, second);
                         return 0;
                     });
}

extern "C" KXAPI int KX_MODL_ask_feat_location(tag feature, double location[3]) {
    return kx::frame(
        [&] {
            if (!km::is_feature(feature)) return int(KX_MODL_ERR_NOT_A_FEATURE);
            return kx::check({{location, 2}});
        },
        [&] {
            FPARMS_ask_location(feature, location);
            return 0;
        });
}
