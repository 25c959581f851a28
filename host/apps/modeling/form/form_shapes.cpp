// Pads, rectangular pockets, slots and grooves as features (see
// form_features.h): tools swept from a profile across or along the feature's
// frame, or rings turned about a groove's axis.
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/model/feature/feature.h"
#include "host/apps/modeling/form/form_detail.h"
#include "host/apps/modeling/form/form_features.h"
#include "host/apps/modeling/form/form_slots.h"
#include "host/base/hook.h"
#include "host/kernel/engine/face_data.h"
#include "host/kernel/ops/tool_shapes.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/services/error.h"

namespace host::feature::form {
namespace {

constexpr double kDeg = std::numbers::pi / 180;

// ---- pads and rectangular pockets: a rounded rectangle swept along Z ----

// A rectangle of half sizes (hx, hy) with corners of radius k.
void rectangle(std::vector<double>& t, double hx, double hy, double k) {
    add_point(t, -hx, -hy, k);
    add_point(t, hx, -hy, k);
    add_point(t, hx, hy, k);
    add_point(t, -hx, hy, k);
}

// The pad (Length, Width, Height, Corner Radius, Taper Angle) grows along
// the direction; the pocket (Length, Width, Depth, Corner Radius, Floor
// Radius, Taper Angle) runs along it into the body.
std::vector<double> box_tool(bool pad, const Call& call, const Record& r, const std::vector<double>& v) {
    const Place p = place_of(call, r);
    need_positive(v[0], "length");
    need_positive(v[1], "width");
    need_positive(v[2], pad ? "height" : "depth");
    need_not_negative(v[3], "corner radius");
    const double floor = pad ? 0 : v[4];
    need_not_negative(floor, "floor radius");
    const double k = std::tan(need_angle(pad ? v[4] : v[5], 90, "taper angle"));
    const double hx = v[0] / 2, hy = v[1] / 2, h = v[2];
    if (!(v[3] < hx && v[3] < hy)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the corner radius is too big");
    std::vector<double> t = tool_head(ZQ_FORM_PRISM_Z, p, p.dir, p.xdir, -kLead, h + kLead);
    // A pad narrows as it grows; a pocket narrows as it goes down.
    rectangle(t, hx + kLead * k, hy + kLead * k, v[3]);
    const std::size_t n = 4;
    const double shrink = h * k;
    if (!(hx - shrink > v[3] + 1e-6 && hy - shrink > v[3] + 1e-6))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "the taper closes the %s", pad ? "pad" : "pocket");
    // The top profile: the same corners at the far end.
    for (std::size_t i = 0; i < n; ++i) {
        const double a = t[ZQ_FORM_FIRST_POINT + 3 * i], b = t[ZQ_FORM_FIRST_POINT + 3 * i + 1];
        const double sa = a > 0 ? hx - shrink : -(hx - shrink), sb = b > 0 ? hy - shrink : -(hy - shrink);
        t.insert(t.end(), {sa, sb, v[3]});
    }
    t.push_back(floor);
    return t;
}

template <bool Pad>
void build_box(const Call& call, Record& r, const std::vector<double>& v) {
    build_tool(call, r, box_tool(Pad, call, r, v), Pad);
}
template <bool Pad>
std::vector<std::pair<int, double>> box_numbers(const Record& r, const std::vector<double>& v) {
    const Call call("host::feature::form::box_numbers", nullptr);
    return all_numbers(box_tool(Pad, call, r, v));
}

// ---- slots: a cross-section (across Y, down Z) swept along X ----

enum class Slot { rect, ball, u, t, dove_tail };

std::vector<double> slot_tool(Slot kind, const Call& call, const Record& r, const std::vector<double>& v) {
    const Place p = place_of(call, r);
    // The length is the last size.
    const double length = v.back();
    double x0 = 0, run = 0;
    if (p.through.size() == 2) {
        const double t1 = through_distance(call, p.through[0], p.at, p.xdir);
        const double t2 = through_distance(call, p.through[1], p.at, p.xdir);
        // Past a face by the lead, up to a datum plane.
        const Bound& near = t1 < t2 ? p.through[0] : p.through[1];
        const Bound& far = t1 < t2 ? p.through[1] : p.through[0];
        x0 = std::min(t1, t2) - lead_past(near);
        run = std::fabs(t2 - t1) + lead_past(near) + lead_past(far);
        if (std::fabs(t2 - t1) < 1e-6) call.fail(FEAT_ERR_BAD_REFERENCE, "the through faces of the slot coincide");
    } else {
        need_positive(length, "length");
        x0 = -length / 2;
        run = length;
    }
    std::vector<double> t = tool_head(ZQ_FORM_PRISM_X, p, p.dir, p.xdir, x0, run);
    const double lead = kLead;
    need_positive(v[0], "width");
    need_positive(v[1], "depth");
    const double w = v[0] / 2, d = v[1];
    switch (kind) {
        case Slot::rect:
            add_point(t, -w, -lead);
            add_point(t, w, -lead);
            add_point(t, w, d);
            add_point(t, -w, d);
            break;
        case Slot::ball:  // a round bottom of the ball's radius
            if (!(d > w)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the slot is not deeper than its ball's radius");
            add_point(t, -w, -lead);
            add_point(t, w, -lead);
            add_point(t, w, d - w);
            add_point(t, 0, d, -1);
            add_point(t, -w, d - w);
            break;
        case Slot::u:  // Width, Depth, Corner Radius, Length
            need_not_negative(v[2], "corner radius");
            if (!(v[2] < w && v[2] < d)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the corner radius is too big");
            add_point(t, -w, -lead);
            add_point(t, w, -lead);
            add_point(t, w, d, v[2]);
            add_point(t, -w, d, v[2]);
            break;
        case Slot::t: {  // Top Width, Top Depth, Bottom Width, Bottom Depth, Length
            need_positive(v[2], "bottom width");
            need_positive(v[3], "bottom depth");
            const double wb = v[2] / 2, db = d + v[3];
            if (!(wb > w)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the bottom of a T slot is not wider than its top");
            add_point(t, -w, -lead);
            add_point(t, w, -lead);
            add_point(t, w, d);
            add_point(t, wb, d);
            add_point(t, wb, db);
            add_point(t, -wb, db);
            add_point(t, -wb, d);
            add_point(t, -w, d);
            break;
        }
        case Slot::dove_tail: {  // Width, Depth, Angle, Length
            const double k = std::tan(need_angle(v[2], 90, "angle"));
            if (!(w - lead * k > 1e-6)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the dove tail's flanks cross");
            add_point(t, -(w - lead * k), -lead);
            add_point(t, w - lead * k, -lead);
            add_point(t, w + d * k, d);
            add_point(t, -(w + d * k), d);
            break;
        }
    }
    return t;
}

template <Slot S>
void build_slot(const Call& call, Record& r, const std::vector<double>& v) {
    build_tool(call, r, slot_tool(S, call, r, v), false);
}
template <Slot S>
std::vector<std::pair<int, double>> slot_numbers(const Record& r, const std::vector<double>& v) {
    const Call call("host::feature::form::slot_numbers", nullptr);
    return all_numbers(slot_tool(S, call, r, v));
}

// ---- grooves: a ring about the axis, from the groove diameter outwards ----

enum class Groove { rect, ball, u };

// The ring's outer radius is the twelfth number (beyond the face).
std::vector<double> groove_tool(Groove kind, const Call& call, const Record& r, const std::vector<double>& v) {
    const Place p = place_of(call, r);
    if (r.numbers.size() <= static_cast<std::size_t>(kNumbers))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "a groove without its outer radius");
    const double outer = r.numbers[kNumbers];
    need_positive(v[0], "groove diameter");
    need_positive(v[1], kind == Groove::ball ? "ball diameter" : "width");
    const double rg = v[0] / 2, w = v[1] / 2;
    std::vector<double> t = tool_head(ZQ_FORM_REVOLVE, p, p.dir, p.xdir, 0, 0);
    if (!(outer > rg + (kind == Groove::ball ? w : 0) + 1e-6))
        call.fail(FEAT_ERR_BAD_PARAMETERS, "the groove lies outside its face");
    switch (kind) {
        case Groove::rect:
        case Groove::u: {
            const double k = kind == Groove::u ? v[2] : 0;
            need_not_negative(k, "corner radius");
            if (!(k < w)) call.fail(FEAT_ERR_BAD_PARAMETERS, "the corner radius is too big");
            add_point(t, rg, -w, k);
            add_point(t, outer, -w);
            add_point(t, outer, w);
            add_point(t, rg, w, k);
            break;
        }
        case Groove::ball:
            add_point(t, outer, -w);
            add_point(t, outer, w);
            add_point(t, rg + w, w);
            add_point(t, rg, 0, -1);
            add_point(t, rg + w, -w);
            break;
    }
    return t;
}

template <Groove G>
void build_groove(const Call& call, Record& r, const std::vector<double>& v) {
    build_tool(call, r, groove_tool(G, call, r, v), false);
}
template <Groove G>
std::vector<std::pair<int, double>> groove_numbers(const Record& r, const std::vector<double>& v) {
    const Call call("host::feature::form::groove_numbers", nullptr);
    return all_numbers(groove_tool(G, call, r, v));
}

const bool kinds_made = [] {
    register_kind({"RECT_PAD",
                   {"Length", "Width", "Height", "Corner Radius", "Taper Angle"},
                   kAnyNumbers,
                   0,
                   1,
                   true,
                   build_box<true>,
                   box_numbers<true>});
    register_kind({"RECT_POCKET",
                   {"Length", "Width", "Depth", "Corner Radius", "Floor Radius", "Taper Angle"},
                   kAnyNumbers,
                   0,
                   1,
                   true,
                   build_box<false>,
                   box_numbers<false>});
    const auto slot = [](const char* name, std::vector<std::string> sizes, auto build, auto numbers) {
        register_kind({name, std::move(sizes), kAnyNumbers, 0, 3, true, build, numbers});
    };
    slot("RECT_SLOT", {"Width", "Depth", "Length"}, build_slot<Slot::rect>, slot_numbers<Slot::rect>);
    slot("BALL_SLOT", {"Ball Diameter", "Depth", "Length"}, build_slot<Slot::ball>, slot_numbers<Slot::ball>);
    slot("U_SLOT", {"Width", "Depth", "Corner Radius", "Length"}, build_slot<Slot::u>, slot_numbers<Slot::u>);
    slot("T_SLOT", {"Top Width", "Top Depth", "Bottom Width", "Bottom Depth", "Length"}, build_slot<Slot::t>,
         slot_numbers<Slot::t>);
    slot("DOVE_TAIL_SLOT", {"Width", "Depth", "Angle", "Length"}, build_slot<Slot::dove_tail>,
         slot_numbers<Slot::dove_tail>);
    const auto groove = [](const char* name, std::vector<std::string> sizes, auto build, auto numbers) {
        register_kind({name, std::move(sizes), kAnyNumbers, 1, 1, true, build, numbers});
    };
    groove("RECT_GROOVE", {"Groove Diameter", "Width"}, build_groove<Groove::rect>, groove_numbers<Groove::rect>);
    groove("BALL_GROOVE", {"Groove Diameter", "Ball Diameter"}, build_groove<Groove::ball>,
           groove_numbers<Groove::ball>);
    groove("U_GROOVE", {"Groove Diameter", "Width", "Corner Radius"}, build_groove<Groove::u>,
           groove_numbers<Groove::u>);
    return true;
}();

const std::vector<int> kPlanar{PX_FACE_PLANE};
const std::vector<int> kTurned{PX_FACE_CYLINDER, PX_FACE_CONE, PX_FACE_SPHERE};

// A slot on the link slot's face; through the faces of both through slots
// when both are set.
void make_slot(const Call& call, const char* kind, const char* const location[3], const char* const direction[3],
               const char* const xdirection[3], int n, const char* const parms[], int* status) {
    std::vector<unsigned int> through;
    if (thru_object(1) != 0 && thru_object(2) != 0) through = {thru_object(1), thru_object(2)};
    call.need(xdirection, "the X direction texts");
    create(call, kind, location, direction, xdirection, n, parms, link_object(), through, kPlanar, true, {}, status);
}

// A groove on the link slot's turned face: the ring reaches past the face's
// farthest point from the axis.
void make_groove(const Call& call, const char* kind, const char* const location[3], const char* const direction[3],
                 int n, const char* const parms[], int* status) {
    call.need(status, "the status output");
    const unsigned int face = link_object();
    double outer = 0;
    if (face != 0 && ES_solid_is_a_face(face)) {
        double box[6];
        PX_face_ask_box(face, box);
        double at[3], dir[3];
        for (int i = 0; i < 3; ++i) {
            at[i] = location && location[i] ? std::strtod(location[i], nullptr) : 0;
            dir[i] = direction && direction[i] ? std::strtod(direction[i], nullptr) : 0;
        }
        const double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        for (int c = 0; c < 8 && len > 0; ++c) {
            const double q[3] = {box[(c & 1) ? 3 : 0] - at[0], box[(c & 2) ? 4 : 1] - at[1],
                                 box[(c & 4) ? 5 : 2] - at[2]};
            const double along = (q[0] * dir[0] + q[1] * dir[1] + q[2] * dir[2]) / len;
            outer = std::max(outer, std::sqrt(std::max(0.0, q[0] * q[0] + q[1] * q[1] + q[2] * q[2] - along * along)));
        }
    }
    create(call, kind, location, direction, nullptr, n, parms, face, {}, kTurned, false, {outer + kLead}, status);
}

}  // namespace
}  // namespace host::feature::form

namespace form = host::feature::form;

extern "C" {

void ui_create_rect_pad(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                        const char* const parms[5], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(5, parms).c_str(), status);
    call.need(xdirection, "the X direction texts");
    form::create(call, "RECT_PAD", location, direction, xdirection, 5, parms, form::link_object(), {}, form::kPlanar,
                 true, {}, status);
}

void ui_create_rect_pocket(const char* const location[3], const char* const direction[3],
                           const char* const xdirection[3], const char* const parms[6], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(6, parms).c_str(), status);
    call.need(xdirection, "the X direction texts");
    form::create(call, "RECT_POCKET", location, direction, xdirection, 6, parms, form::link_object(), {}, form::kPlanar,
                 true, {}, status);
}

void ui_create_rect_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                         const char* const parms[3], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(3, parms).c_str(), status);
    form::make_slot(call, "RECT_SLOT", location, direction, xdirection, 3, parms, status);
}
void ui_create_ball_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                         const char* const parms[3], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(3, parms).c_str(), status);
    form::make_slot(call, "BALL_SLOT", location, direction, xdirection, 3, parms, status);
}
void ui_create_u_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                      const char* const parms[4], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(4, parms).c_str(), status);
    form::make_slot(call, "U_SLOT", location, direction, xdirection, 4, parms, status);
}
void ui_create_t_slot(const char* const location[3], const char* const direction[3], const char* const xdirection[3],
                      const char* const parms[5], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(5, parms).c_str(), status);
    form::make_slot(call, "T_SLOT", location, direction, xdirection, 5, parms, status);
}
void ui_create_dove_tail_slot(const char* const location[3], const char* const direction[3],
                              const char* const xdirection[3], const char* const parms[4], int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(4, parms).c_str(), status);
    form::make_slot(call, "DOVE_TAIL_SLOT", location, direction, xdirection, 4, parms, status);
}

void ui_create_rect_groove(const char* const location[3], const char* const direction[3], const char* const parms[2],
                           int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(2, parms).c_str(), status);
    form::make_groove(call, "RECT_GROOVE", location, direction, 2, parms, status);
}
void ui_create_ball_groove(const char* const location[3], const char* const direction[3], const char* const parms[2],
                           int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(2, parms).c_str(), status);
    form::make_groove(call, "BALL_GROOVE", location, direction, 2, parms, status);
}
void ui_create_u_groove(const char* const location[3], const char* const direction[3], const char* const parms[3],
                        int* status) {
    auto call = HOST_ENTRY_TEXT(form::joined(3, parms).c_str(), status);
    form::make_groove(call, "U_GROOVE", location, direction, 3, parms, status);
}

void ui_create_feature(const int* kind, int* a, int* b, int* c, void* unused, int* status) {
    auto call = HOST_ENTRY(kind, status);
    (void)a;
    (void)b;
    (void)c;
    (void)unused;
    call.need(kind, "the kind");
    call.need(status, "the status output");
    int scripted = 0;
    *status = call.status(scripted) ? scripted : 0;
}

}  // extern "C"
