// One part holding one object of every kind the interface makes, each
// named, made as a user program makes it: saved, closed, opened again after
// a fresh start, every kind answers its own queries as before (its defining
// data, parents by name, parameters, its body's measures, names, display
// properties and attributes), the part holds as many objects of each type
// and subtype, and the associative kinds still follow their parents.
//
// A kind is one row of kinds(): how to make it, what its own queries
// answer, and (for an associative kind) how to edit a parent after the part
// is read back and what must follow. A kind the interface learns to make
// joins the test as one more row.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "host/kernel/engine/kernel.h"
#include "kxapi.h"
#include "part_fixture.h"

namespace {

constexpr double kPi = std::numbers::pi;
using V3 = std::array<double, 3>;

// Answers of the queries, as text that compares equal when the values do
// (to seven significant digits: a file keeps doubles, the kernel may
// round the last bits of what it makes again).
class Out {
public:
    Out& operator()(const char* label, double v) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.7g", std::abs(v) < 1e-9 ? 0.0 : v);
        s_ += std::string(label) + "=" + buf + " ";
        return *this;
    }
    Out& operator()(const char* label, const double* v, int n) {
        s_ += std::string(label) + "=(";
        for (int i = 0; i < n; ++i) (*this)("", v[i]);
        s_ += ") ";
        return *this;
    }
    Out& text(const char* label, const std::string& t) {
        s_ += std::string(label) + "='" + t + "' ";
        return *this;
    }
    Out& code(const char* call, int c) {
        if (c != 0) s_ += std::string(call) + " answers " + std::to_string(c) + " ";
        return *this;
    }
    const std::string& str() const { return s_; }

private:
    std::string s_;
};

std::string name_of(tag t) {
    char n[KX_OBJ_NAME_LEN + 1] = {};
    if (t == NULL_TAG || KX_OBJ_ask_name(t, n) != 0) return "";
    return n;
}

// An object as the answers show it: its name, else its type and subtype
// (faces and edges have no names), "none" for no object.
std::string label(tag t) {
    if (t == NULL_TAG) return "none";
    const std::string n = name_of(t);
    if (!n.empty()) return n;
    int type = -1, subtype = -1;
    KX_OBJ_ask_type_and_subtype(t, &type, &subtype);
    return "<" + std::to_string(type) + "/" + std::to_string(subtype) + ">";
}

std::string take(char* text) {
    std::string s = text ? text : "";
    KX_free(text);
    return s;
}

std::string labels(const tag* t, int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i) s += label(t[i]) + (i + 1 < n ? "," : "");
    return s + "]";
}

std::string strings_text(const string_list& s) {
    std::string out;
    int at = 0;
    for (int i = 0; i < s.count; ++i) {
        out += "{dir " + std::to_string(s.dir[i]) + " " + labels(s.objects + at, s.per_string[i]) + "}";
        at += s.per_string[i];
    }
    return out;
}

// The measures of a body: volume (a solid), area, faces and edges.
void body_measures(Out& o, tag body) {
    if (body == NULL_TAG) return;
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
    o("volume", p[ZQ_MP_VOLUME])("area", p[ZQ_MP_AREA]);
    tag_list* faces = nullptr;
    tag_list* edges = nullptr;
    int nf = -1, ne = -1;
    if (KX_MODL_ask_body_faces(body, &faces) == 0) KX_MODL_ask_list_count(faces, &nf);
    if (KX_MODL_ask_body_edges(body, &edges) == 0) KX_MODL_ask_list_count(edges, &ne);
    KX_MODL_delete_list(&faces);
    KX_MODL_delete_list(&edges);
    o("faces", nf)("edges", ne);
}

double volume_of(tag body) {
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
    return p[ZQ_MP_VOLUME];
}

double area_of(tag body) {
    double p[ZQ_MP_COUNT] = {};
    ZQ_BODY_ask_mass_props(host::kernel::entity_of(body), p);
    return p[ZQ_MP_AREA];
}

// Gives the feature's expression whose formula is `was` the formula `now`.
void edit_feature_exp(tag feature, const std::string& was, const std::string& now) {
    int n = 0;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_exps_of_feature(feature, &n, &exps), 0);
    std::string assignment;
    for (int i = 0; i < n && assignment.empty(); ++i) {
        char* text = nullptr;
        KX_MODL_ask_exp_tag_string(exps[i], &text);
        const std::string s = take(text);
        if (s.substr(s.find('=') + 1) == was) assignment = s.substr(0, s.find('=') + 1) + now;
    }
    KX_free(exps);
    ASSERT_FALSE(assignment.empty()) << "no expression of formula " << was;
    ASSERT_EQ(KX_MODL_edit_exp(assignment.c_str()), 0) << assignment;
}

// What every object answers whatever its kind: type, name, display
// properties, attributes; a feature its type, expressions, parents and
// body; a body its measures.
std::string common_answers(tag t) {
    Out o;
    int type = -1, subtype = -1;
    o.code("type", KX_OBJ_ask_type_and_subtype(t, &type, &subtype));
    o("type", type)("subtype", subtype).text("name", name_of(t));
    display_properties d{};
    if (KX_OBJ_ask_display_properties(t, &d) == 0)
        o("layer", d.layer)("color", d.color)("blank", d.blank_status)("width", d.line_width)("font", d.font);
    int index = 0;
    char title[KX_ATTR_MAX_TITLE_LEN + 1] = {};
    attribute_value v{};
    while (KX_ATTR_cycle(t, &index, KX_ATTR_any, title, &v) == 0 && index != 0) {
        o.text("attr", title)("kind", v.type);
        switch (v.type) {
            case KX_ATTR_integer: o("int", v.value.integer); break;
            case KX_ATTR_real: o("real", v.value.real); break;
            case KX_ATTR_time: o("days", v.value.time[0])("ms", v.value.time[1]); break;
            case KX_ATTR_string: o.text("string", take(v.value.string)); break;
            case KX_ATTR_reference: o.text("reference", take(v.value.reference)); break;
            default: break;
        }
        v = attribute_value{};
    }
    char* ftype = nullptr;
    if (KX_MODL_ask_feat_type(t, &ftype) == 0) {
        o.text("feature", take(ftype));
        int n = 0;
        tag* exps = nullptr;
        if (KX_MODL_ask_exps_of_feature(t, &n, &exps) == 0)
            for (int i = 0; i < n; ++i) {
                char* e = nullptr;
                KX_MODL_ask_exp_tag_string(exps[i], &e);
                const std::string s = take(e);
                o.text("exp", s.substr(s.find('=') + 1));
            }
        KX_free(exps);
        int np = 0, nc = 0;
        tag *parents = nullptr, *children = nullptr;
        if (KX_MODL_ask_feat_relatives(t, &np, &parents, &nc, &children) == 0)
            o.text("parents", labels(parents, np)).text("children", labels(children, nc));
        KX_free(parents);
        KX_free(children);
        tag body = NULL_TAG;
        if (KX_MODL_ask_feat_body(t, &body) == 0 && body != NULL_TAG) {
            o.text("body", label(body));
            body_measures(o, body);
        }
    } else {
        KX_free(ftype);
        int kind = 0;
        if (KX_MODL_ask_body_type(t, &kind) == 0) body_measures(o("body type", kind), t);
    }
    return o.str();
}

// What the rows build on: the part, its objects by name, and the string
// lists handed to the interface (freed before the host is reset).
class Model {
public:
    tag part = NULL_TAG;
    udo_class_id udo_class = 0;  // the user program's class of user-defined objects
    // The other part that links read from, its box's body and a line.
    tag source_part = NULL_TAG, source_body = NULL_TAG, source_line = NULL_TAG;

    ~Model() { release(); }
    void release() {
        for (string_list* s : lists_) {
            delete[] s->per_string;
            delete[] s->dir;
            delete[] s->objects;
            delete s;
        }
        lists_.clear();
    }
    tag find(const std::string& name) const {
        tag t = NULL_TAG;
        if (KX_OBJ_cycle_by_name(name.c_str(), &t) != 0) t = NULL_TAG;
        return t;
    }
    static tag named(tag t, const std::string& name) {
        EXPECT_NE(t, NULL_TAG) << name << " was not made";
        if (t != NULL_TAG) {
            EXPECT_EQ(KX_OBJ_set_name(t, name.c_str()), 0) << name;
        }
        return t;
    }
    tag matrix() {
        if (find("RT_IDENTITY") == NULL_TAG) {
            const double rows[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
            tag m = NULL_TAG;
            EXPECT_EQ(KX_CSYS_create_matrix(rows, &m), 0);
            named(m, "RT_IDENTITY");
        }
        return find("RT_IDENTITY");
    }
    static tag point(const std::string& name, double x, double y, double z) {
        double p[3] = {x, y, z};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_point(p, &t), 0) << name;
        return named(t, name);
    }
    static tag line(const std::string& name, double x0, double y0, double z0, double x1, double y1, double z1) {
        line_data l{{x0, y0, z0}, {x1, y1, z1}};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_line(&l, &t), 0) << name;
        return named(t, name);
    }
    tag arc(const std::string& name, double cx, double cy, double cz, double r, double a0, double a1) {
        arc_data a{matrix(), a0, a1, {cx, cy, cz}, r};
        tag t = NULL_TAG;
        EXPECT_EQ(KX_CURVE_create_arc(&a, &t), 0) << name;
        return named(t, name);
    }
    // A closed rectangle of four named lines (name_1 ... name_4) in plane z.
    static std::vector<tag> rectangle(const std::string& name, double x0, double y0, double x1, double y1, double z) {
        return {line(name + "_1", x0, y0, z, x1, y0, z), line(name + "_2", x1, y0, z, x1, y1, z),
                line(name + "_3", x1, y1, z, x0, y1, z), line(name + "_4", x0, y1, z, x0, y0, z)};
    }
    // A string list of one string per inner list, each in its own direction.
    string_list* strings(const std::vector<std::vector<tag>>& of) {
        auto* s = new string_list{};
        std::vector<tag> all;
        for (const auto& one : of) all.insert(all.end(), one.begin(), one.end());
        s->count = static_cast<int>(of.size());
        s->per_string = new int[of.size()];
        s->dir = new int[of.size()];
        s->objects = new tag[all.size()];
        for (std::size_t i = 0; i < of.size(); ++i) {
            s->per_string[i] = static_cast<int>(of[i].size());
            s->dir[i] = 1;
        }
        for (std::size_t i = 0; i < all.size(); ++i) s->objects[i] = all[i];
        lists_.push_back(s);
        return s;
    }
    // The planar face of the body whose outward normal is n.
    static tag face(tag body, double nx, double ny, double nz) {
        tag_list* faces = nullptr;
        if (KX_MODL_ask_body_faces(body, &faces) != 0) return NULL_TAG;
        int n = 0;
        KX_MODL_ask_list_count(faces, &n);
        tag found = NULL_TAG;
        for (int i = 0; i < n && found == NULL_TAG; ++i) {
            tag f = NULL_TAG;
            KX_MODL_ask_list_item(faces, i, &f);
            int type = 0, sense = 0;
            double p[3], d[3], box[6], r1 = 0, r2 = 0;
            if (KX_MODL_ask_face_data(f, &type, p, d, box, &r1, &r2, &sense) != 0 || type != 22) continue;
            if (sense * (d[0] * nx + d[1] * ny + d[2] * nz) > 0.999) found = f;
        }
        KX_MODL_delete_list(&faces);
        return found;
    }
    // The straight edge of the body from a to b (either way round).
    static tag edge(tag body, const double a[3], const double b[3]) {
        tag_list* edges = nullptr;
        if (KX_MODL_ask_body_edges(body, &edges) != 0) return NULL_TAG;
        int n = 0;
        KX_MODL_ask_list_count(edges, &n);
        tag found = NULL_TAG;
        auto near = [](const double* p, const double* q) {
            return std::abs(p[0] - q[0]) + std::abs(p[1] - q[1]) + std::abs(p[2] - q[2]) < 1e-6;
        };
        for (int i = 0; i < n && found == NULL_TAG; ++i) {
            tag e = NULL_TAG;
            KX_MODL_ask_list_item(edges, i, &e);
            double p0[3], p1[3];
            int count = 0;
            if (KX_MODL_ask_edge_verts(e, p0, p1, &count) != 0 || count != 2) continue;
            if ((near(p0, a) && near(p1, b)) || (near(p0, b) && near(p1, a))) found = e;
        }
        KX_MODL_delete_list(&edges);
        return found;
    }
    static tag_list* list_of(const std::vector<tag>& tags) {
        tag_list* list = nullptr;
        KX_MODL_create_list(&list);
        for (tag t : tags) KX_MODL_put_list_item(list, t);
        return list;
    }
    static tag body_of(tag feature) {
        tag body = NULL_TAG;
        KX_MODL_ask_feat_body(feature, &body);
        return body;
    }

private:
    std::vector<string_list*> lists_;
};

// One kind of object.
struct Kind {
    const char* name;                                     // the object's name in the part
    std::function<tag(Model&)> make;                      // makes the object (named by the test)
    std::function<void(Out&, tag)> answers;               // its own queries
    std::function<void(Model&, tag)> follow = nullptr;    // in the part read back: edits a parent, checks it follows
    std::vector<std::string> needs = {};                  // the kinds it is made on (made before it)
};

double tol3[3] = {0.001, 0.5, 0.02};

// The two ends and the length of a curve.
std::vector<double> ends_and_length(tag curve) {
    double range[2] = {}, a[3] = {}, b[3] = {}, length = 0;
    int periodic = 0;
    if (KX_CURVE_ask_parameterization(curve, range, &periodic) != 0) return {};
    KX_CURVE_evaluate_curve(curve, range[0], 0, a);
    KX_CURVE_evaluate_curve(curve, range[1], 0, b);
    KX_CURVE_ask_arc_length(curve, 0, 1, KX_CURVE_UNITS_PART, &length);
    return {a[0], a[1], a[2], b[0], b[1], b[2], length};
}

// The curves a curve feature made, each as its ends and length.
std::vector<double> feature_curves(tag feature) {
    int n = 0;
    tag* curves = nullptr;
    std::vector<double> out;
    if (KX_CURVE_ask_feature_curves(feature, &n, &curves) != 0) return out;
    for (int i = 0; i < n; ++i) {
        const std::vector<double> e = ends_and_length(curves[i]);
        out.insert(out.end(), e.begin(), e.end());
    }
    KX_free(curves);
    return out;
}

void curves_answer(Out& o, tag feature) {
    int n = 0;
    tag* curves = nullptr;
    o.code("curves", KX_CURVE_ask_feature_curves(feature, &n, &curves))("count", n);
    KX_free(curves);
    const std::vector<double> e = feature_curves(feature);
    if (!e.empty()) o("shape", e.data(), static_cast<int>(e.size()));
}

// A spline's poles and knots.
void spline_answer(Out& o, tag t) {
    spline_data s{};
    o.code("ask", KX_CURVE_ask_spline_data(t, &s))("poles", s.num_poles)("order", s.order)("rational", s.is_rational);
    if (s.knots) o("knots", s.knots, s.num_poles + s.order);
    if (s.poles) o("poles", &s.poles[0][0], 4 * s.num_poles);
    KX_free(s.knots);
    KX_free(s.poles);
}

// A curve's ends and length.
void shape_answer(Out& o, tag t) {
    const std::vector<double> e = ends_and_length(t);
    o("shape", e.data(), static_cast<int>(e.size()));
}

// A smart object's parents.
void parents_answer(Out& o, tag t) {
    int n = 0;
    tag* parents = nullptr;
    o.code("parents", KX_SO_ask_parents(t, 0, &n, &parents)).text("parents", labels(parents, n));
    KX_free(parents);
}

// The volume change of the body of `feature` that an edit makes at the
// next update.
double volume_change(tag feature, const std::function<void()>& edit) {
    const tag body = Model::body_of(feature);
    const double before = volume_of(body);
    edit();
    EXPECT_EQ(KX_MODL_update(), 0);
    return volume_of(Model::body_of(feature)) - before;
}

void add_sheets_and_features(std::vector<Kind>& k);
void add_structures(std::vector<Kind>& k);
void add_smart_and_curve_features(std::vector<Kind>& k);
void add_smart_of_faces_and_curves(std::vector<Kind>& k);
void add_more(std::vector<Kind>& k);
void add_links(std::vector<Kind>& k);
void add_sheet_operations(std::vector<Kind>& k);
tag ruled_box(Model& m, const std::string& name, double x0, double y0, double z0, double x1, double y1, double z1);

// ---- the kinds --------------------------------------------------------------------

std::vector<Kind> kinds() {
    std::vector<Kind> k;

    // ---- curves
    k.push_back({"POINT",
                 [](Model&) {
                     double p[3] = {1.25, -2.5, 3.75};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_point(p, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     double p[3] = {};
                     o.code("ask", KX_CURVE_ask_point_data(t, p))("at", p, 3);
                 }});
    k.push_back({"LINE",
                 [](Model&) {
                     line_data l{{0.5, 1.5, -2}, {7.25, 3.5, 4}};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_line(&l, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     line_data l{};
                     o.code("ask", KX_CURVE_ask_line_data(t, &l))("from", l.start_point, 3)("to", l.end_point, 3);
                 }});
    k.push_back({"ARC",
                 [](Model& m) {
                     const double rows[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
                     tag mx = NULL_TAG;
                     EXPECT_EQ(KX_CSYS_create_matrix(rows, &mx), 0);
                     Model::named(mx, "ARC_MATRIX");
                     arc_data a{mx, 0.3, 2.2, {1, 2, 3}, 4.5};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_arc(&a, &t), 0);
                     (void)m;
                     return t;
                 },
                 [](Out& o, tag t) {
                     arc_data a{};
                     double rows[9] = {};
                     o.code("ask", KX_CURVE_ask_arc_data(t, &a))("angles", &a.start_angle, 2)("centre", a.arc_center, 3)(
                         "radius", a.radius);
                     o.code("matrix", KX_CSYS_ask_matrix_values(a.matrix_tag, rows))("rows", rows, 9);
                 }});
    k.push_back({"CONIC",
                 [](Model& m) {
                     conic_data c{m.matrix(), KX_CONIC_ELLIPSE, 0.4, 0.1, 2.9, {2, -1, 5}, 6.5, 2.75};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_conic(&c, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     conic_data c{};
                     o.code("ask", KX_CURVE_ask_conic_data(t, &c))("kind", c.conic_type)("rotation", c.rotation_angle)(
                         "params", &c.start_param, 2)("centre", c.center, 3)("k", &c.k1, 2).text("matrix", label(c.matrix_tag));
                 }});
    k.push_back({"SPLINE_POLES",
                 [](Model&) {
                     double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
                     double poles[4][4] = {{0, 0, 0, 1}, {3, 5, 0, 1}, {7, -2, 1, 1}, {11, 1, 2, 1}};
                     spline_data s{4, 4, 0, knots, poles, 0, 1};
                     int n = 0;
                     spline_state* states = nullptr;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_spline(&s, &t, &n, &states), 0);
                     KX_free(states);
                     return t;
                 },
                 spline_answer});
    k.push_back({"SPLINE_THRU",
                 [](Model&) {
                     spline_point p[4] = {};
                     const double at[4][3] = {{0, 0, 0}, {4, 3, 0}, {9, 1, 2}, {13, 6, 1}};
                     for (int i = 0; i < 4; ++i) {
                         std::memcpy(p[i].point, at[i], sizeof at[i]);
                         p[i].slope_type = p[i].crvatr_type = -1;  // free
                     }
                     p[0].slope_type = 1;  // a start direction
                     p[0].slope[1] = 1;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_spline_thru_pts(3, 0, 4, p, nullptr, 1, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int degree = 0, periodic = 0, n = 0;
                     spline_point* p = nullptr;
                     double* params = nullptr;
                     o.code("ask", KX_CURVE_ask_spline_thru_pts(t, &degree, &periodic, &n, &p, &params))("degree", degree)(
                         "periodic", periodic)("points", n);
                     for (int i = 0; i < n && p; ++i) o("at", p[i].point, 3)("slope type", p[i].slope_type);
                     if (params) o("params", params, n);
                     KX_free(p);
                     KX_free(params);
                 }});

    // ---- coordinate systems and datums
    k.push_back({"CSYS",
                 [](Model&) {
                     const double rows[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
                     tag mx = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_CSYS_create_matrix(rows, &mx), 0);
                     Model::named(mx, "CSYS_MATRIX");
                     const double origin[3] = {5, -6, 7.5};
                     EXPECT_EQ(KX_CSYS_create_csys(origin, mx, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag mx = NULL_TAG;
                     double origin[3] = {}, rows[9] = {};
                     o.code("ask", KX_CSYS_ask_csys_info(t, &mx, origin))("origin", origin, 3);
                     o.code("matrix", KX_CSYS_ask_matrix_values(mx, rows))("rows", rows, 9);
                 }});
    k.push_back({"DATUM_CSYS",
                 [](Model& m) {
                     // Its transform: a point and two directions, all smart.
                     double x[3] = {0, 1, 0}, y[3] = {-1, 0, 0};
                     tag dx = NULL_TAG, dy = NULL_TAG, xform = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 1, x, &dx), 0);
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 1, y, &dy), 0);
                     tag scale = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_scalar_double(m.part, 1, 1, &scale), 0);
                     EXPECT_EQ(KX_SO_create_xform_pnt_xy_dirs(m.part, 1, Model::point("DATUM_CSYS_AT", 20, 30, 40), dx, dy,
                                                              scale, &xform),
                               0);
                     EXPECT_EQ(KX_MODL_create_datum_csys(m.part, xform, 0, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag csys = NULL_TAG, origin = NULL_TAG, planes[3] = {}, axes[3] = {};
                     o.code("ask", KX_MODL_ask_datum_csys_components(t, &csys, &origin, planes, axes));
                     tag mx = NULL_TAG;
                     double at[3] = {}, rows[9] = {};
                     o.code("csys", KX_CSYS_ask_csys_info(csys, &mx, at))("origin", at, 3);
                     o.code("matrix", KX_CSYS_ask_matrix_values(mx, rows))("rows", rows, 9);
                     o("planes", planes[0] != NULL_TAG && planes[1] != NULL_TAG && planes[2] != NULL_TAG)(
                         "axes", axes[0] != NULL_TAG && axes[1] != NULL_TAG && axes[2] != NULL_TAG);
                 }});
    k.push_back({"DATUM_AXIS",
                 [](Model& m) {
                     double d[3] = {1, 2, 2};
                     tag dir = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 0, d, &dir), 0);
                     EXPECT_EQ(KX_MODL_create_point_dirr_daxis(Model::point("DATUM_AXIS_AT", 3, 4, 5), dir, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag f = NULL_TAG;
                     double p[3] = {}, d[3] = {};
                     KX_MODL_ask_object_feat(t, &f);
                     o.code("ask", KX_MODL_ask_datum_axis_parms(f == NULL_TAG ? t : f, p, d))("point", p, 3)("dir", d, 3);
                 }});
    k.push_back({"DATUM_PLANE",
                 [](Model& m) {
                     double d[3] = {0, 3, 4};
                     tag dir = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 0, d, &dir), 0);
                     EXPECT_EQ(KX_MODL_create_point_dirr_dplane(Model::point("DATUM_PLANE_AT", -3, 2, 8), dir, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag f = NULL_TAG;
                     double p[3] = {}, d[3] = {};
                     KX_MODL_ask_object_feat(t, &f);
                     o.code("ask", KX_MODL_ask_datum_point_and_direction(f == NULL_TAG ? t : f, p, d))("point", p, 3)(
                         "dir", d, 3);
                 }});
    k.push_back({"POINTS_FEATURE",
                 [](Model&) {
                     tag pts[2] = {Model::point("POINTS_FEATURE_A", 60, 1, 2), Model::point("POINTS_FEATURE_B", 61, 3, 5)};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_points_feature(2, pts, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n = 0;
                     tag* pts = nullptr;
                     o.code("ask", KX_MODL_ask_points_parms(t, &n, &pts)).text("points", labels(pts, n));
                     for (int i = 0; i < n; ++i) {
                         double p[3] = {};
                         KX_CURVE_ask_point_data(pts[i], p);
                         o("at", p, 3);
                     }
                     KX_free(pts);
                 }});

    // ---- sheets and solids
    // BOX: a 100 x 50 x 20 box ruled between two rectangles; the features
    // below stand on it.
    k.push_back({"BOX",
                 [](Model& m) {
                     string_list* s = m.strings({Model::rectangle("BOX_LOW", 0, 0, 100, 50, 0),
                                                 Model::rectangle("BOX_HIGH", 0, 0, 100, 50, 20)});
                     int align = 1, end = 0, body = 1;
                     double values[6] = {};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_ruled(s, nullptr, &align, values, &end, &body, 0, tol3, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list sections{}, single{};
                     int align = 0, option = 0;
                     double values[6] = {}, tol[3] = {};
                     o.code("ask", KX_MODL_ask_ruled(t, &sections, &single, &align, values, &option, tol))
                         .text("sections", strings_text(sections))("align", align)("option", option);
                     KX_MODL_free_string_list(&sections);
                     KX_MODL_free_string_list(&single);
                 }});
    // (rows below add the rest)
    add_sheets_and_features(k);
    add_structures(k);
    add_smart_and_curve_features(k);
    add_more(k);
    add_links(k);
    add_sheet_operations(k);
    return k;
}

// ---- sheets, solids and the features on the box ----------------------------------

void add_sheets_and_features(std::vector<Kind>& k) {
    k.push_back({"BPLANE",
                 [](Model& m) {
                     string_list* s = m.strings({Model::rectangle("BPLANE_EDGE", 0, 0, 40, 30, 300),
                                                 {m.arc("BPLANE_HOLE", 20, 15, 300, 5, 0, 2 * kPi)}});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bplane(s, tol3, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list b{};
                     double values[3] = {};
                     o.code("ask", KX_MODL_ask_bplane(t, &b, values)).text("boundaries", strings_text(b));
                     KX_MODL_free_string_list(&b);
                 }});
    k.push_back({"THICKEN",
                 [](Model& m) {
                     string_list* s = m.strings({Model::rectangle("THICKEN_EDGE", 0, 0, 60, 35, -200)});
                     tag sheet = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bplane(s, tol3, &sheet), 0);
                     Model::named(sheet, "THICKEN_SHEET");
                     EXPECT_EQ(KX_MODL_create_thicken_sheet(Model::body_of(sheet), "2", "0", 0, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag sheet = NULL_TAG;
                     char *first = nullptr, *second = nullptr;
                     o.code("ask", KX_MODL_ask_thicken_sheet_parms(t, &sheet, &first, &second))
                         .text("first", take(first))
                         .text("second", take(second));
                     o("sheet", sheet != NULL_TAG);
                 },
                 [](Model& m, tag t) {
                     // 60 x 35 thickened 2, then 3.5.
                     EXPECT_NEAR(volume_of(Model::body_of(t)), 4200, 1e-6);
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "2", "3.5"); }), 60 * 35 * 1.5, 1e-6);
                     (void)m;
                 }});
    k.push_back({"THRU_CURVES",
                 [](Model& m) {
                     string_list* s = m.strings({{m.arc("THRU_CURVES_1", 0, 0, 100, 10, 0, 2 * kPi)},
                                                 {m.arc("THRU_CURVES_2", 0, 0, 110, 10, 0, 2 * kPi)},
                                                 {m.arc("THRU_CURVES_3", 0, 0, 120, 10, 0, 2 * kPi)}});
                     int patch = 1, align = 1, degree = 3, closed = 0, body = 1;
                     double values[6] = {};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_thru_curves(s, nullptr, &patch, &align, values, &degree, &closed, &body, 0,
                                                          tol3, nullptr, nullptr, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list sections{}, single{};
                     int patch = 0, align = 0, degree = 0, closed = 0, option = 0, cont[2] = {};
                     double av[6] = {}, values[3] = {};
                     tag faces[2] = {};
                     o.code("ask", KX_MODL_ask_thru_curves(t, &sections, &single, &patch, &align, av, &degree, &closed,
                                                           &option, values, faces, cont))
                         .text("sections", strings_text(sections))("patch", patch)("align", align)("degree", degree)(
                             "closed", closed);
                     KX_MODL_free_string_list(&sections);
                     KX_MODL_free_string_list(&single);
                 },
                 [](Model& m, tag t) {
                     // The middle circle grows: the body follows (it was 2000 pi).
                     arc_data a{};
                     ASSERT_EQ(KX_CURVE_ask_arc_data(m.find("THRU_CURVES_2"), &a), 0);
                     a.radius = 13;
                     EXPECT_GT(volume_change(t, [&] { ASSERT_EQ(KX_CURVE_edit_arc_data(m.find("THRU_CURVES_2"), &a), 0); }),
                               100);
                 }});
    k.push_back({"SWEEP",
                 [](Model& m) {
                     string_list* guide = m.strings({{Model::line("SWEEP_GUIDE", 500, 0, 0, 500, 0, 30)}});
                     string_list* section = m.strings({{m.arc("SWEEP_RING", 500, 0, 0, 2, 0, 2 * kPi)}});
                     sweep_method orient{1, 0, 0, {0, 0, 0}, nullptr}, scale{1, 0, 0, {1, 0, 0}, nullptr};
                     int align = 1, method = 1, body = 1;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_sweep(guide, section, nullptr, &orient, &scale, &align, &method, &body, tol3,
                                                    nullptr, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list g{}, s{}, single{};
                     sweep_method orient{}, scale{};
                     int align = 0, method = 0, option = 0;
                     double values[3] = {};
                     o.code("ask", KX_MODL_ask_sweep(t, &g, &s, &single, &orient, &scale, &align, &method, &option, values))
                         .text("guides", strings_text(g))
                         .text("sections", strings_text(s))("orientation", orient.method)("scaling", scale.method)(
                             "scale values", scale.values, 3)("align", align)("method", method);
                     KX_MODL_free_string_list(&g);
                     KX_MODL_free_string_list(&s);
                     KX_MODL_free_string_list(&single);
                     for (sweep_method* w : {&orient, &scale})
                         if (w->curves) {
                             KX_MODL_free_string_list(w->curves);
                             KX_free(w->curves);
                         }
                 }});
    k.push_back({"CURVE_MESH",
                 [](Model& m) {
                     string_list* primary = m.strings({{Model::line("CURVE_MESH_P1", 0, 0, 500, 30, 0, 500)},
                                                       {Model::line("CURVE_MESH_P2", 0, 20, 500, 30, 20, 500)}});
                     string_list* cross = m.strings({{Model::line("CURVE_MESH_C1", 0, 0, 500, 0, 20, 500)},
                                                     {Model::line("CURVE_MESH_C2", 30, 0, 500, 30, 20, 500)}});
                     int end = 0, method = 1, body = 0, flag = 0;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_curve_mesh(primary, cross, nullptr, &end, &method, &body, &flag, 0, tol3,
                                                         nullptr, nullptr, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list p{}, c{}, single{};
                     int option = 0, flag = 0, method = 0, cont[4] = {};
                     double values[3] = {};
                     tag faces[4] = {};
                     o.code("ask", KX_MODL_ask_curve_mesh(t, &p, &c, &single, &option, &flag, &method, values, faces, cont))
                         .text("primary", strings_text(p))
                         .text("cross", strings_text(c))("method", method)("flag", flag);
                     KX_MODL_free_string_list(&p);
                     KX_MODL_free_string_list(&c);
                     KX_MODL_free_string_list(&single);
                 }});

    // Features on the box's top face (z = 20): a pad at the back left, holes
    // at the right, a blend along the bottom front edge, a chamfer along the
    // top back edge.
    auto top = [](Model& m) { return Model::face(Model::body_of(m.find("BOX")), 0, 0, 1); };
    k.push_back({"RECT_PAD",
                 [top](Model& m) {
                     double at[3] = {25, 36, 20}, dir[3] = {0, 0, 1}, x[3] = {1, 0, 0};
                     const char* sizes[3] = {"17", "11", "6.5"};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_rect_pad(at, dir, x, sizes, "0", "0", top(m), &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char* sizes[3] = {};
                     char *radius = nullptr, *taper = nullptr;
                     o.code("ask", KX_MODL_ask_rect_pad_parms(t, 0, sizes, &radius, &taper))
                         .text("sizes", take(sizes[0]) + "," + take(sizes[1]) + "," + take(sizes[2]))
                         .text("radius", take(radius))
                         .text("taper", take(taper));
                 },
                 [](Model&, tag t) {
                     // The pad's height drives the box: 17 x 11 x (9.25 - 6.5).
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "6.5", "9.25"); }), 17 * 11 * 2.75, 1e-6);
                 }});
    k.back().needs = {"BOX"};
    struct Hole {
        const char* name;
        double x, y;
        const char *diameter, *depth, *tip;
    };
    for (const Hole h : {Hole{"SIMPLE_HOLE", 62, 14, "6", "8", "0"}, Hole{"SIMPLE_HOLE_TIP", 76, 14, "5", "7", "118"}}) {
        k.push_back({h.name,
                     [top, h](Model& m) {
                         double at[3] = {h.x, h.y, 20}, dir[3] = {0, 0, -1};
                         tag t = NULL_TAG;
                         EXPECT_EQ(KX_MODL_create_simple_hole(at, dir, h.diameter, h.depth, h.tip, top(m), NULL_TAG, &t), 0);
                         return t;
                     },
                     [](Out& o, tag t) {
                         char *diameter = nullptr, *depth = nullptr, *tip = nullptr;
                         int thru = -1;
                         o.code("ask", KX_MODL_ask_simple_hole_parms(t, 0, &diameter, &depth, &tip, &thru))
                             .text("diameter", take(diameter))
                             .text("depth", take(depth))
                             .text("tip", take(tip))("thru", thru);
                     }});
        k.back().needs = {"BOX"};
    }
    k.push_back({"C_BORE_HOLE",
                 [top](Model& m) {
                     double at[3] = {86, 32, 20}, dir[3] = {0, 0, -1};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_c_bore_hole(at, dir, "4", "9", "8", "3", "0", top(m), NULL_TAG, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char *cd = nullptr, *cdepth = nullptr, *d = nullptr, *depth = nullptr, *tip = nullptr;
                     int thru = -1;
                     o.code("ask", KX_MODL_ask_c_bore_hole_parms(t, 0, &cd, &cdepth, &d, &depth, &tip, &thru))
                         .text("cbore", take(cd) + "," + take(cdepth))
                         .text("hole", take(d) + "," + take(depth))
                         .text("tip", take(tip))("thru", thru);
                 }});
    k.back().needs = {"BOX"};
    k.push_back({"BLEND",
                 [](Model& m) {
                     const double a[3] = {0, 0, 0}, b[3] = {100, 0, 0};
                     tag_list* edges = Model::list_of({Model::edge(Model::body_of(m.find("BOX")), a, b)});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_blend("3.5", edges, 0, 0, 0, 0.01, &t), 0);
                     KX_MODL_delete_list(&edges);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char* radius = nullptr;
                     o.code("ask", KX_MODL_ask_blend_parms(t, 0, &radius));
                     const std::string r = take(radius);
                     o.text("radius", r.substr(r.find('=') + 1));
                 },
                 [](Model&, tag t) {
                     // A blend of radius r takes (1 - pi/4) r^2 off each unit of the 100 long edge.
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "3.5", "5.25"); }),
                                 -(1 - kPi / 4) * (5.25 * 5.25 - 3.5 * 3.5) * 100, 0.05);
                 }});
    k.back().needs = {"BOX"};
    k.push_back({"CHAMFER",
                 [](Model& m) {
                     const double a[3] = {0, 50, 20}, b[3] = {100, 50, 20};
                     tag_list* edges = Model::list_of({Model::edge(Model::body_of(m.find("BOX")), a, b)});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_chamfer(1, "1.5", "1.5", "45", edges, &t), 0);
                     KX_MODL_delete_list(&edges);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int type = 0;
                     char *a = nullptr, *b = nullptr, *angle = nullptr;
                     o.code("ask", KX_MODL_ask_chamfer_parms(t, 0, &type, &a, &b, &angle))("type", type)
                         .text("offsets", take(a) + "," + take(b))
                         .text("angle", take(angle));
                 }});
    k.back().needs = {"BOX"};
    k.push_back({"EXPRESSION",
                 [](Model&) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_exp_tag("rt_free=27.5*2", &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char* text = nullptr;
                     double v = 0;
                     o.code("ask", KX_MODL_ask_exp_tag_string(t, &text)).text("exp", take(text));
                     o.code("value", KX_MODL_ask_exp_tag_value(t, &v))("value", v);
                 }});
}

// ---- groups, categories, boundaries, user-defined objects, attributes,
// names and display properties, facets, links -------------------------------------

void udo_answer(Out& o, tag udo) {
    udo_data d{};
    char* cls = nullptr;
    o.code("class", KX_UDOBJ_ask_udo_class_name(udo, &cls)).text("class", take(cls));
    o.code("ask", KX_UDOBJ_ask_udo_data(udo, &d));
    if (d.ints) o("ints", std::vector<double>(d.ints, d.ints + d.num_ints).data(), d.num_ints);
    o("doubles", d.doubles, d.num_doubles)("lengths", d.lengths, d.num_lengths)("areas", d.areas, d.num_areas)(
        "volumes", d.volumes, d.num_volumes);
    for (int i = 0; i < d.num_strings; ++i) o.text("string", d.strings[i]);
    for (int i = 0; i < d.num_links; ++i)
        o("link", d.links[i].link_type).text("to", label(d.links[i].assoc_object))("status", d.links[i].status);
    KX_UDOBJ_free_udo_data(&d);
}

void add_structures(std::vector<Kind>& k) {
    k.push_back({"GROUP",
                 [](Model&) {
                     const tag members[2] = {Model::line("GROUP_A", 0, -50, 0, 5, -50, 0),
                                             Model::point("GROUP_B", 3, -52, 1)};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_GROUP_create_group(members, 2, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag* members = nullptr;
                     int n = 0;
                     o.code("ask", KX_GROUP_ask_group_data(t, &members, &n)).text("members", labels(members, n));
                     KX_free(members);
                 }});
    k.push_back({"CATEGORY",
                 [](Model&) {
                     KX_LAYER_category_info_t info{};
                     std::strcpy(info.name, "RT_PLATES");
                     std::strcpy(info.descr, "plates and brackets");
                     for (int layer : {3, 17, 200}) info.layer_mask[layer - 1] = true;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_LAYER_create_category(&info, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     KX_LAYER_category_info_t info{};
                     o.code("ask", KX_LAYER_ask_category_info(t, &info)).text("category", info.name).text("descr", info.descr);
                     std::string layers;
                     for (int i = 0; i < KX_LAYER_MAX_LAYER; ++i)
                         if (info.layer_mask[i]) layers += std::to_string(i + 1) + " ";
                     o.text("layers", layers);
                     tag by_name = NULL_TAG;
                     o.code("by name", KX_LAYER_ask_category_tag("RT_PLATES", &by_name))("found", by_name == t);
                 }});
    k.push_back({"BOUNDARY",
                 [](Model&) {
                     const boundary_member members[2] = {{Model::line("BOUNDARY_A", 0, -60, 0, 9, -60, 0), 100},
                                                         {Model::line("BOUNDARY_B", 9, -60, 0, 9, -66, 0), 101}};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_BOUND_create_boundary(1, NULL_TAG, boundary_settings{0, 0, 0}, 2, members, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     boundary_data d{};
                     o.code("ask", KX_BOUND_ask_boundary_data(t, &d))("type", d.type).text("view", label(d.view))(
                         "mode", d.settings.mode)("values", &d.settings.first_value, 2);
                     for (int i = 0; i < d.member_count; ++i)
                         o.text("member", label(d.members[i].object))("data", d.members[i].data);
                     KX_free(d.members);
                 }});
    k.push_back({"UDO",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_UDOBJ_create_udo(m.udo_class, &t), 0);
                     const int ints[2] = {3, -7};
                     const double doubles[1] = {2.5}, lengths[1] = {12.75}, areas[1] = {3.5}, volumes[1] = {9.125};
                     char* const strings[2] = {const_cast<char*>("spur"), const_cast<char*>("helical")};
                     EXPECT_EQ(KX_UDOBJ_add_integers(t, 2, ints), 0);
                     EXPECT_EQ(KX_UDOBJ_add_doubles(t, 1, doubles), 0);
                     EXPECT_EQ(KX_UDOBJ_add_lengths(t, 1, lengths), 0);
                     EXPECT_EQ(KX_UDOBJ_add_areas(t, 1, areas), 0);
                     EXPECT_EQ(KX_UDOBJ_add_volumes(t, 1, volumes), 0);
                     EXPECT_EQ(KX_UDOBJ_add_strings(t, 2, strings), 0);
                     const udo_link link{3, Model::line("UDO_LINKED", 0, -70, 0, 4, -71, 0), NULL_TAG, 0};
                     EXPECT_EQ(KX_UDOBJ_add_links(t, 1, &link), 0);
                     return t;
                 },
                 udo_answer});
    k.push_back({"UDO_FEATURE",
                 [](Model& m) {
                     tag udo = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_UDOBJ_create_udo_feature(m.udo_class, &udo, &t), 0);
                     Model::named(udo, "UDO_FEATURE_DATA");
                     const int ints[3] = {11, 22, 33};
                     EXPECT_EQ(KX_UDOBJ_add_integers(udo, 3, ints), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag udo = NULL_TAG;
                     logical is = false;
                     o.code("is", KX_UDOBJ_is_udo_feature(t, &is))("feature", is);
                     o.code("udo", KX_UDOBJ_ask_udo_of_udo_feature(t, &udo)).text("udo", label(udo));
                     if (udo != NULL_TAG) udo_answer(o, udo);
                 }});
    k.push_back({"ATTRIBUTES",
                 [](Model&) {
                     const tag t = Model::point("ATTRIBUTES", 8, 9, 10);
                     attribute_value v{};
                     v.type = KX_ATTR_integer, v.value.integer = -42;
                     EXPECT_EQ(KX_ATTR_assign(t, "COUNT", v), 0);
                     v = {}, v.type = KX_ATTR_real, v.value.real = 0.3125;
                     EXPECT_EQ(KX_ATTR_assign(t, "RATIO", v), 0);
                     v = {}, v.type = KX_ATTR_string, v.value.string = const_cast<char*>("cast iron");
                     EXPECT_EQ(KX_ATTR_assign(t, "MATERIAL", v), 0);
                     v = {}, v.type = KX_ATTR_time, v.value.time[0] = 20000, v.value.time[1] = 43210987;
                     EXPECT_EQ(KX_ATTR_assign(t, "MADE", v), 0);
                     v = {}, v.type = KX_ATTR_null;
                     EXPECT_EQ(KX_ATTR_assign(t, "FLAG", v), 0);
                     v = {}, v.type = KX_ATTR_reference, v.value.reference = const_cast<char*>("DRAWING-7/B");
                     EXPECT_EQ(KX_ATTR_assign(t, "SOURCE", v), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n = -1;
                     o.code("count", KX_ATTR_count_attributes(t, KX_ATTR_any, &n))("attributes", n);
                 }});
    k.push_back({"NAME_ORIGIN",
                 [](Model&) {
                     const tag t = Model::line("NAME_ORIGIN", 1, -80, 0, 6, -80, 2);
                     const double at[3] = {3.5, -79.25, 1.125};
                     EXPECT_EQ(KX_OBJ_set_name_origin(t, at), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     double at[3] = {};
                     o.code("ask", KX_OBJ_ask_name_origin(t, at))("origin", at, 3);
                 }});
    k.push_back({"DISPLAY",
                 [](Model&) {
                     const tag t = Model::line("DISPLAY", 1, -90, 0, 6, -92, 3);
                     EXPECT_EQ(KX_OBJ_set_layer(t, 42), 0);
                     EXPECT_EQ(KX_OBJ_set_color(t, 123), 0);
                     EXPECT_EQ(KX_OBJ_set_font(t, 3), 0);
                     EXPECT_EQ(KX_OBJ_set_line_width(t, 2), 0);
                     EXPECT_EQ(KX_OBJ_set_blank_status(t, 1), 0);
                     return t;
                 },
                 [](Out&, tag) {}});
    k.push_back({"FACET",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_FACET_create_model(m.part, &t), 0);
                     double tri[2][3][3] = {{{0, 0, -300}, {7, 0, -300}, {0, 5, -300}}, {{7, 0, -300}, {7, 5, -301}, {0, 5, -300}}};
                     for (auto& v : tri) {
                         int hints[3] = {0, 0, 0}, facet = -1;
                         EXPECT_EQ(KX_FACET_add_facet_to_model(t, 3, v, nullptr, hints, &facet), 0);
                     }
                     EXPECT_EQ(KX_FACET_model_edits_done(t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n = 0;
                     o.code("ask", KX_FACET_ask_n_facets_in_model(t, &n))("facets", n);
                     int facet = -1;
                     while (KX_FACET_cycle_facets(t, &facet) == 0 && facet != -1) {
                         double v[8][3] = {};
                         int count = 0;
                         o.code("vertices", KX_FACET_ask_vertices_of_facet(t, facet, &count, v))("at", &v[0][0], 3 * count);
                     }
                 }});
}

// ---- smart objects, curve features, trims, geometric expressions ----------------

void point_of(tag t, double p[3]) { EXPECT_EQ(KX_CURVE_ask_point_data(t, p), 0) << label(t); }

void add_smart_and_curve_features(std::vector<Kind>& k) {
    k.push_back({"SO_POINT",
                 [](Model& m) {
                     tag e = NULL_TAG, s[3] = {}, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_exp_tag("rt_x=12.5", &e), 0);
                     EXPECT_EQ(KX_SO_create_scalar_exp(m.part, 0, e, &s[0]), 0);
                     EXPECT_EQ(KX_SO_create_scalar_double(m.part, 0, -4.25, &s[1]), 0);
                     EXPECT_EQ(KX_SO_create_scalar_double(m.part, 0, 6.5, &s[2]), 0);
                     Model::named(s[0], "SO_POINT_X");
                     Model::named(s[1], "SO_POINT_Y");
                     Model::named(s[2], "SO_POINT_Z");
                     EXPECT_EQ(KX_SO_create_point_3_scalars(m.part, 0, s, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     double p[3] = {};
                     tag s[3] = {};
                     o.code("at", KX_CURVE_ask_point_data(t, p))("at", p, 3);
                     o.code("scalars", KX_SO_ask_3_scalars_of_point(t, s)).text("scalars", labels(s, 3));
                     parents_answer(o, t);
                     tag e = NULL_TAG;
                     double v = 0;
                     o.code("exp", KX_SO_ask_exp_of_scalar(s[0], &e));
                     o.code("value", KX_SO_ask_double_of_scalar(s[0], &v))("x", v);
                 },
                 [](Model&, tag t) {
                     // The expression changes: the point follows at the first update.
                     ASSERT_EQ(KX_MODL_edit_exp("rt_x=31.75"), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     double p[3] = {};
                     point_of(t, p);
                     EXPECT_NEAR(p[0], 31.75, 1e-9);
                     EXPECT_NEAR(p[1], -4.25, 1e-9);
                 }});
    k.push_back({"SO_LINE",
                 [](Model& m) {
                     tag pts[2] = {Model::point("SO_LINE_A", 0, -100, 0), Model::point("SO_LINE_B", 8, -96, 3)}, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_line_two_points(m.part, 0, pts, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     line_data l{};
                     o.code("ask", KX_CURVE_ask_line_data(t, &l))("from", l.start_point, 3)("to", l.end_point, 3);
                     parents_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     double moved[3] = {-3, -90, 7};
                     ASSERT_EQ(KX_CURVE_edit_point_data(m.find("SO_LINE_B"), moved), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     line_data l{};
                     ASSERT_EQ(KX_CURVE_ask_line_data(t, &l), 0);
                     EXPECT_NEAR(l.end_point[0], -3, 1e-9);
                     EXPECT_NEAR(l.end_point[1], -90, 1e-9);
                     EXPECT_NEAR(l.end_point[2], 7, 1e-9);
                 }});
    k.push_back({"BRIDGE",
                 [](Model& m) {
                     bridge_data d{};
                     d.method = 1;
                     d.first_curve = m.strings({{m.arc("BRIDGE_LEFT", 200, 0, 0, 5, 0, kPi / 2)}});
                     d.second_curve = m.strings({{m.arc("BRIDGE_RIGHT", 220, 0, 0, 5, kPi / 2, kPi)}});
                     d.first_position = const_cast<char*>("100");
                     d.second_position = const_cast<char*>("0");
                     d.first_shape = const_cast<char*>("100");
                     d.second_shape = const_cast<char*>("100");
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_bridge_feature(&d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     bridge_data d{};
                     o.code("ask", KX_CURVE_ask_bridge_feature(t, &d))("method", d.method)("option", d.method3_option);
                     if (d.first_curve) o.text("first", strings_text(*d.first_curve));
                     if (d.second_curve) o.text("second", strings_text(*d.second_curve));
                     for (char* text : {d.first_position, d.second_position, d.first_shape, d.second_shape})
                         o.text("text", text ? text : "");
                     o("reverse", d.first_reverse)("reverse", d.second_reverse);
                     for (string_list* l : {d.first_curve, d.second_curve, d.reference})
                         if (l) {
                             KX_MODL_free_string_list(l);
                             KX_free(l);
                         }
                     for (char* text : {d.first_position, d.second_position, d.first_shape, d.second_shape}) KX_free(text);
                     curves_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The second arc moves 10 along x: the bridge's end follows it.
                     arc_data a{};
                     ASSERT_EQ(KX_CURVE_ask_arc_data(m.find("BRIDGE_RIGHT"), &a), 0);
                     a.arc_center[0] += 10;
                     ASSERT_EQ(KX_CURVE_edit_arc_data(m.find("BRIDGE_RIGHT"), &a), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = feature_curves(t);
                     ASSERT_GE(e.size(), 6u);
                     EXPECT_NEAR(e[3], 230, 1e-6);
                     EXPECT_NEAR(e[4], 5, 1e-6);
                 }});
    k.push_back({"JOINED",
                 [](Model& m) {
                     string_list* s = m.strings({{Model::line("JOINED_A", 0, 100, 0, 10, 100, 0),
                                                  Model::line("JOINED_B", 10, 100, 0, 10, 110, 0)}});
                     tag t = NULL_TAG, joined = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_joined_feature(s, 2, &t, &joined), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     string_list s{};
                     int method = 0;
                     double tol[3] = {};
                     o.code("ask", KX_CURVE_ask_joined_parms(t, &s, &method, tol)).text("curves", strings_text(s))(
                         "method", method);
                     KX_MODL_free_string_list(&s);
                     curves_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     line_data l{{10, 100, 0}, {10, 113, 0}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("JOINED_B"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = feature_curves(t);
                     ASSERT_GE(e.size(), 7u);
                     EXPECT_NEAR(e[4], 113, 1e-3);
                     EXPECT_NEAR(e[6], 23, 1e-3);
                 }});
    k.push_back({"OFFSET",
                 [](Model& m) {
                     offset_type_data texts{const_cast<char*>("1.5"), nullptr, 0};
                     offset_data d{m.strings({{Model::line("OFFSET_A", 0, 130, 0, 10, 130, 0),
                                               Model::line("OFFSET_B", 10, 130, 0, 10, 140, 0)}}),
                                   0.001, 0, 3, &texts};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_offset_object(&d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     offset_data d{};
                     o.code("ask", KX_CURVE_ask_offset_parms(t, &d))("type", d.offset_type)("tolerance", d.tolerance);
                     if (d.curves) o.text("curves", strings_text(*d.curves));
                     if (d.type_data && d.type_data->first_text) o.text("distance", d.type_data->first_text);
                     KX_CURVE_free_offset_parms(&d);
                     curves_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     const std::vector<double> before = feature_curves(t);
                     line_data l{{10, 130, 0}, {10, 147, 0}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("OFFSET_B"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> after = feature_curves(t);
                     ASSERT_EQ(after.size(), before.size());
                     EXPECT_NEAR(after.back() - before.back(), 7, 1e-3);  // the last piece grows with its input
                 }});
    k.push_back({"PROJECTION",
                 [](Model& m) {
                     tag c = Model::line("PROJECTION_IN", 50, 4, 40, 60, 9, 40);
                     tag target = Model::face(Model::body_of(m.find("BOX")), 0, 0, 1);
                     proj_data d{};
                     d.proj_type = 3;
                     d.proj_vector[2] = -1;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_proj_curves(1, &c, 1, &target, 3, &d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n = 0;
                     tag* curves = nullptr;
                     o.code("ask", KX_CURVE_ask_proj_curves(t, &n, &curves))("count", n);
                     for (int i = 0; i < n; ++i) {
                         tag f = NULL_TAG, in = NULL_TAG, face = NULL_TAG;
                         o.code("parents", KX_CURVE_ask_proj_curve_parents(curves[i], &f, &in, &face)).text("input", label(in));
                     }
                     KX_free(curves);
                     curves_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     line_data l{{50, 4, 45}, {62, 11, 45}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("PROJECTION_IN"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = feature_curves(t);
                     ASSERT_GE(e.size(), 6u);
                     EXPECT_NEAR(e[3], 62, 1e-6);
                     EXPECT_NEAR(e[4], 11, 1e-6);
                     EXPECT_NEAR(e[5], 20, 1e-6);
                 }});
    k.back().needs = {"BOX"};
    k.push_back({"INTERSECTION",
                 [](Model& m) {
                     double d[3] = {0, 0, 1};
                     tag dir = NULL_TAG, plane = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 0, d, &dir), 0);
                     EXPECT_EQ(KX_MODL_create_point_dirr_dplane(Model::point("INTERSECTION_AT", 0, 0, 7), dir, &plane), 0);
                     Model::named(plane, "INTERSECTION_PLANE");
                     tag body = Model::body_of(m.find("BOX"));
                     EXPECT_EQ(KX_CURVE_create_int_object(1, &body, 1, &plane, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n1 = 0, n2 = 0;
                     tag *s1 = nullptr, *s2 = nullptr;
                     o.code("ask", KX_CURVE_ask_int_parms(t, &n1, &s1, &n2, &s2)).text("first", labels(s1, n1)).text(
                         "second", labels(s2, n2));
                     KX_free(s1);
                     KX_free(s2);
                     curves_answer(o, t);
                 }});
    k.back().needs = {"BOX"};
    k.push_back({"SPLINE_FEATURE",
                 [](Model&) {
                     double knots[6] = {0, 0, 0, 1, 1, 1};
                     double poles[3][4] = {{0, 160, 0, 1}, {5, 168, 0, 1}, {10, 160, 2, 1}};
                     spline_data s{3, 3, 0, knots, poles, 0, 1};
                     int n = 0;
                     spline_state* states = nullptr;
                     tag spline = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_spline(&s, &spline, &n, &states), 0);
                     KX_free(states);
                     Model::named(spline, "SPLINE_FEATURE_CURVE");
                     EXPECT_EQ(KX_CURVE_create_spline_feature(spline, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag spline = NULL_TAG;
                     o.code("ask", KX_CURVE_ask_spline_feature(t, &spline)).text("spline", label(spline));
                 }});
    k.push_back({"TRIM",
                 [](Model& m) {
                     trim_data d{};
                     string_list* s = m.strings({{Model::line("TRIM_BASE", 0, 200, 0, 10, 200, 0)}});
                     d.curve = *s;
                     d.trim_type = 6;
                     d.u.length.option = 10;
                     std::strcpy(d.u.length.length_text, "4.25");
                     trim_extension_points pts{};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_trim(&d, &pts, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     trim_data d{};
                     o.code("ask", KX_CURVE_ask_trim(t, &d))("type", d.trim_type).text("curve", strings_text(d.curve))(
                         "option", d.u.length.option).text("length", d.u.length.length_text);
                     KX_CURVE_free_trim(&d);
                     curves_answer(o, t);
                     int n = 0;
                     tag* made = nullptr;
                     o.code("objects", KX_MODL_ask_feat_object(t, &n, &made))("objects", n);
                     for (int i = 0; i < n; ++i) {
                         const std::vector<double> e = ends_and_length(made[i]);
                         o("trimmed", e.data(), static_cast<int>(e.size()));
                     }
                     KX_free(made);
                 },
                 [](Model&, tag t) {
                     // The length expression drives the trimmed line.
                     edit_feature_exp(t, "4.25", "6.5");
                     ASSERT_EQ(KX_MODL_update(), 0);
                     int n = 0;
                     tag* made = nullptr;
                     ASSERT_EQ(KX_MODL_ask_feat_object(t, &n, &made), 0);
                     ASSERT_EQ(n, 1);
                     const std::vector<double> e = ends_and_length(made[0]);
                     KX_free(made);
                     ASSERT_EQ(e.size(), 7u);
                     EXPECT_NEAR(e[3], 6.5, 1e-6);
                     EXPECT_NEAR(e[6], 6.5, 1e-6);
                 }});
    add_smart_of_faces_and_curves(k);
    // Geometric expressions measure faces and edges of a box 37 x 23 x 11.
    auto gexp_box = [](Model& m, double nx, double ny, double nz) {
        if (m.find("GEXP_BOX") == NULL_TAG) ruled_box(m, "GEXP_BOX", 1600, 0, 0, 1637, 23, 11);
        return Model::face(Model::body_of(m.find("GEXP_BOX")), nx, ny, nz);
    };
    auto gexp_value = [](Out& o, tag feature) {
        int n = 0;
        tag* exps = nullptr;
        double v = 0;
        o.code("exps", KX_MODL_ask_exps_of_feature(feature, &n, &exps));
        if (n > 0) o.code("value", KX_MODL_ask_exp_tag_value(exps[0], &v))("value", v);
        KX_free(exps);
    };
    k.push_back({"GEXP_DISTANCE",
                 [gexp_box](Model& m) {
                     tag f = NULL_TAG, e = NULL_TAG;
                     EXPECT_EQ(KX_GEXP_create_distance(gexp_box(m, 0, -1, 0), gexp_box(m, 0, 1, 0), NULL_TAG, NULL_TAG, &f, &e),
                               0);
                     return f;
                 },
                 [gexp_value](Out& o, tag t) {
                     tag a = NULL_TAG, b = NULL_TAG, c1 = NULL_TAG, c2 = NULL_TAG;
                     o.code("ask", KX_GEXP_ask_distance_parms(t, &a, &b, &c1, &c2)).text("objects", label(a) + "," + label(b));
                     gexp_value(o, t);
                 }});
    k.push_back({"GEXP_LENGTH",
                 [](Model& m) {
                     const double a[3] = {1600, 0, 0}, b[3] = {1600, 0, 11};
                     if (m.find("GEXP_BOX") == NULL_TAG) ruled_box(m, "GEXP_BOX", 1600, 0, 0, 1637, 23, 11);
                     tag f = NULL_TAG, e = NULL_TAG;
                     EXPECT_EQ(KX_GEXP_create_length(Model::edge(Model::body_of(m.find("GEXP_BOX")), a, b), NULL_TAG, &f, &e), 0);
                     return f;
                 },
                 [gexp_value](Out& o, tag t) {
                     tag a = NULL_TAG, c = NULL_TAG;
                     o.code("ask", KX_GEXP_ask_length_parms(t, &a, &c)).text("object", label(a));
                     gexp_value(o, t);
                 }});
    k.push_back({"GEXP_ANGLE",
                 [gexp_box](Model& m) {
                     tag f = NULL_TAG, e = NULL_TAG;
                     EXPECT_EQ(KX_GEXP_create_angle(gexp_box(m, 0, -1, 0), gexp_box(m, 1, 0, 0), NULL_TAG, NULL_TAG, NULL_TAG,
                                                    NULL_TAG, &f, &e),
                               0);
                     return f;
                 },
                 [gexp_value](Out& o, tag t) {
                     tag a = NULL_TAG, b = NULL_TAG, c = NULL_TAG, c1 = NULL_TAG, c2 = NULL_TAG, c3 = NULL_TAG;
                     o.code("ask", KX_GEXP_ask_angle_parms(t, &a, &b, &c, &c1, &c2, &c3))
                         .text("objects", label(a) + "," + label(b) + "," + label(c));
                     gexp_value(o, t);
                 }});
}

// ---- smart objects of faces, edges and curves ----------------------------------
//
// Each method of a face, an edge or a curve, one object each: read back it
// answers the same parents (faces and edges of the reopened bodies), is
// neither dumb nor out of date, and follows its parents at the update.

// A smart object's parents and states.
void smart_answer(Out& o, tag t) {
    parents_answer(o, t);
    logical old = 1, dumb = 1;
    o.code("out of date", KX_SO_is_out_of_date(t, &old))("out of date", old);
    o.code("dumb", KX_SO_has_become_dumb(t, &dumb))("dumb", dumb);
}

V3 point_at(tag t) {
    V3 p{};
    EXPECT_EQ(KX_CURVE_ask_point_data(t, p.data()), 0) << label(t);
    return p;
}

V3 direction_of(tag t) {
    V3 d{};
    EXPECT_EQ(KX_SO_ask_direction_of_dirr(t, d.data()), 0) << label(t);
    return d;
}

V3 offset_of(tag t) {
    V3 d{};
    EXPECT_EQ(KX_SO_ask_offset_of_offset(t, d.data()), 0) << label(t);
    return d;
}

double length_of(const V3& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

tag scalar_named(Model& m, const std::string& name, double v) {
    tag t = NULL_TAG;
    EXPECT_EQ(KX_SO_create_scalar_double(m.part, 0, v, &t), 0) << name;
    return Model::named(t, name);
}

// The first face of the body of a kernel surface type.
tag face_of_type(tag body, int wanted) {
    tag_list* faces = nullptr;
    if (KX_MODL_ask_body_faces(body, &faces) != 0) return NULL_TAG;
    int n = 0;
    KX_MODL_ask_list_count(faces, &n);
    tag found = NULL_TAG;
    for (int i = 0; i < n && found == NULL_TAG; ++i) {
        tag f = NULL_TAG;
        KX_MODL_ask_list_item(faces, i, &f);
        int type = 0, sense = 0;
        double p[3], d[3], box[6], r1 = 0, r2 = 0;
        if (KX_MODL_ask_face_data(f, &type, p, d, box, &r1, &r2, &sense) == 0 && type == wanted) found = f;
    }
    KX_MODL_delete_list(&faces);
    return found;
}

// An edge of the body that closes on itself (a circle of a cylinder).
tag closed_edge(tag body) {
    tag_list* edges = nullptr;
    if (KX_MODL_ask_body_edges(body, &edges) != 0) return NULL_TAG;
    int n = 0;
    KX_MODL_ask_list_count(edges, &n);
    tag found = NULL_TAG;
    for (int i = 0; i < n && found == NULL_TAG; ++i) {
        tag e = NULL_TAG;
        KX_MODL_ask_list_item(edges, i, &e);
        double p0[3], p1[3];
        int count = 0;
        if (KX_MODL_ask_edge_verts(e, p0, p1, &count) == 0 && count < 2) found = e;
    }
    KX_MODL_delete_list(&edges);
    return found;
}

// The cylinder of SO_CYLINDER: diameter 16 about z through (2100, 0, 0),
// 30 high; its diameter grows to 22 once (the kinds on it ask it in turn).
tag so_cylinder_body(Model& m) { return Model::body_of(m.find("SO_CYLINDER")); }
void grow_so_cylinder(Model& m) {
    const tag feature = m.find("SO_CYLINDER");
    int n = 0;
    tag* exps = nullptr;
    ASSERT_EQ(KX_MODL_ask_exps_of_feature(feature, &n, &exps), 0);
    bool grown = true;
    for (int i = 0; i < n; ++i) {
        char* text = nullptr;
        KX_MODL_ask_exp_tag_string(exps[i], &text);
        const std::string s = take(text);
        grown = grown && s.substr(s.find('=') + 1) != "16";
    }
    KX_free(exps);
    if (!grown) edit_feature_exp(feature, "16", "22");
    ASSERT_EQ(KX_MODL_update(), 0);
}

void add_smart_of_faces_and_curves(std::vector<Kind>& k) {
    // A block 40 x 30 x 20 from (2000, 0, 0) sized by expressions.
    k.push_back({"SO_BLOCK",
                 [](Model&) {
                     double corner[3] = {2000, 0, 0};
                     const char* edges[3] = {"40", "30", "20"};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_block1(0, corner, edges, &t), 0);
                     return t;
                 },
                 [](Out&, tag) {}});
    k.push_back({"SO_CYLINDER",
                 [](Model&) {
                     double origin[3] = {2100, 0, 0}, z[3] = {0, 0, 1};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_cyl1(0, origin, "30", "16", z, &t), 0);
                     return t;
                 },
                 [](Out&, tag) {}});
    k.push_back({"SO_ON_FACE",
                 [](Model& m) {
                     const tag top = Model::face(Model::body_of(m.find("SO_BLOCK")), 0, 0, 1);
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_point_on_surface(m.part, 0, top, scalar_named(m, "SO_ON_FACE_U", 0.25),
                                                             scalar_named(m, "SO_ON_FACE_V", 0.75), &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("at", point_at(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The block grows to 26 high: the point rises with its top face.
                     const V3 before = point_at(t);
                     EXPECT_NEAR(before[2], 20, 1e-9);
                     edit_feature_exp(m.find("SO_BLOCK"), "20", "26");
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const V3 after = point_at(t);
                     EXPECT_NEAR(after[0], before[0], 1e-9);
                     EXPECT_NEAR(after[1], before[1], 1e-9);
                     EXPECT_NEAR(after[2], 26, 1e-9);
                 }});
    k.back().needs = {"SO_BLOCK"};
    k.push_back({"SO_PLANE_NORMAL",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_plane(m.part, 0,
                                                       Model::face(Model::body_of(m.find("SO_BLOCK")), 1, 0, 0), 1, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("dir", direction_of(t).data(), 3);
                     smart_answer(o, t);
                 }});
    k.back().needs = {"SO_BLOCK"};
    k.push_back({"SO_SURFACE_AXIS",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_surface_axis(
                                   m.part, 0, face_of_type(so_cylinder_body(m), KX_MODL_FACE_CYLINDER), 0, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("dir", direction_of(t).data(), 3);
                     smart_answer(o, t);
                 }});
    k.back().needs = {"SO_CYLINDER"};
    k.push_back({"SO_FACE_NORMAL",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_normal_to_surface_point(
                                   m.part, 0, face_of_type(so_cylinder_body(m), KX_MODL_FACE_CYLINDER),
                                   Model::point("SO_FACE_NORMAL_AT", 2120, 0, 15), 0, &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("dir", direction_of(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The point goes round to +y: the normal turns with it.
                     double moved[3] = {2100, 20, 12};
                     ASSERT_EQ(KX_CURVE_edit_point_data(m.find("SO_FACE_NORMAL_AT"), moved), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const V3 d = direction_of(t);
                     EXPECT_NEAR(d[0], 0, 1e-9);
                     EXPECT_NEAR(d[1], 1, 1e-9);
                     EXPECT_NEAR(d[2], 0, 1e-9);
                 }});
    k.back().needs = {"SO_CYLINDER"};
    k.push_back({"SO_ON_SURF",
                 [](Model& m) {
                     surface_dirr_data d{face_of_type(so_cylinder_body(m), KX_MODL_FACE_CYLINDER),
                                         scalar_named(m, "SO_ON_SURF_U", 0.125),
                                         scalar_named(m, "SO_ON_SURF_V", 0.5),
                                         0,
                                         NULL_TAG,
                                         0};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_on_surf(m.part, 0, &d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     surface_dirr_data d{};
                     o.code("ask", KX_SO_ask_dirr_on_surf(t, &d))
                         .text("record", label(d.surface) + "," + label(d.first) + "," + label(d.second))(
                             "kind", d.kind)("flag", d.flag);
                     o("dir", direction_of(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // A quarter further round the face: the normal turns a quarter.
                     const V3 before = direction_of(t);
                     ASSERT_EQ(KX_SO_set_double_of_scalar(m.find("SO_ON_SURF_U"), 0.375), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const V3 after = direction_of(t);
                     EXPECT_NEAR(before[0] * after[0] + before[1] * after[1], 0, 1e-9);
                     EXPECT_NEAR(after[2], 0, 1e-9);
                     EXPECT_NEAR(length_of(after), 1, 1e-9);
                 }});
    k.back().needs = {"SO_CYLINDER"};
    k.push_back({"SO_SURF_CVTR",
                 [](Model& m) {
                     surf_cvtr_data d{face_of_type(so_cylinder_body(m), KX_MODL_FACE_CYLINDER),
                                      scalar_named(m, "SO_SURF_CVTR_U", 0.3), scalar_named(m, "SO_SURF_CVTR_V", 0.6), 0,
                                      NULL_TAG};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_offset_surf_cvtr(m.part, 0, &d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     surf_cvtr_data d{};
                     o.code("ask", KX_SO_ask_offset_surf_cvtr(t, &d))
                         .text("record", label(d.surface) + "," + label(d.first) + "," + label(d.second))("kind",
                                                                                                          d.kind);
                     o("offset", offset_of(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The face grows with the cylinder (from 1 / 8).
                     grow_so_cylinder(m);
                     EXPECT_NEAR(length_of(offset_of(t)), 1.0 / 11, 1e-9);
                 }});
    k.back().needs = {"SO_CYLINDER"};
    k.push_back({"SO_CURVE_CVTR",
                 [](Model& m) {
                     curve_cvtr_data d{closed_edge(so_cylinder_body(m)), scalar_named(m, "SO_CURVE_CVTR_AT", 0.2)};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_offset_curve_cvtr(m.part, 0, &d, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     curve_cvtr_data d{};
                     o.code("ask", KX_SO_ask_offset_curve_cvtr(t, &d))
                         .text("record", label(d.curve) + "," + label(d.parameter));
                     o("offset", offset_of(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The circle of the edge grows with the cylinder (from 1 / 8).
                     grow_so_cylinder(m);
                     EXPECT_NEAR(length_of(offset_of(t)), 1.0 / 11, 1e-9);
                 }});
    k.back().needs = {"SO_CYLINDER"};
    k.push_back({"SO_MEET",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(
                         KX_SO_create_point_two_curves(m.part, 0, Model::line("SO_MEET_A", 2200, 0, 0, 2210, 10, 0),
                                                       Model::line("SO_MEET_B", 2200, 10, 0, 2210, 0, 0),
                                                       Model::point("SO_MEET_HELP", 2204, 4, 0), NULL_TAG, &t),
                         0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("at", point_at(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // y = t meets y = 10 - 10 t / 12 at t = 60 / 11.
                     line_data l{{2200, 10, 0}, {2212, 0, 0}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("SO_MEET_B"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const V3 p = point_at(t);
                     EXPECT_NEAR(p[0], 2200 + 60.0 / 11, 1e-9);
                     EXPECT_NEAR(p[1], 60.0 / 11, 1e-9);
                 }});
    k.push_back({"SO_ALONG",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(
                         KX_SO_create_point_along_curve(m.part, 0, Model::line("SO_ALONG_LINE", 2300, 0, 0, 2320, 0, 0),
                                                        Model::point("SO_ALONG_FROM", 2302, 3, 0),
                                                        scalar_named(m, "SO_ALONG_PERCENT", 25), 1, 0, &t),
                         0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     o("at", point_at(t).data(), 3);
                     smart_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // From x = 2302 a quarter of the line: 5 of 20, 10 of 40.
                     EXPECT_NEAR(point_at(t)[0], 2307, 1e-9);
                     line_data l{{2300, 0, 0}, {2340, 0, 0}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("SO_ALONG_LINE"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     EXPECT_NEAR(point_at(t)[0], 2312, 1e-9);
                 }});
}

// ---- more curves, smart objects, form features and body operations --------------

// Texts a query hands out, as one answer (each freed).
void texts(Out& o, const char* label, std::initializer_list<char*> of) {
    std::string s;
    for (char* t : of) s += take(t) + ";";
    o.text(label, s);
}

// A box ruled between two rectangles (their lines named name_LOW_i and
// name_HIGH_i); answers the ruled feature.
tag ruled_box(Model& m, const std::string& name, double x0, double y0, double z0, double x1, double y1, double z1) {
    string_list* s = m.strings({Model::rectangle(name + "_LOW", x0, y0, x1, y1, z0),
                                Model::rectangle(name + "_HIGH", x0, y0, x1, y1, z1)});
    int align = 1, end = 0, body = 1;
    double values[6] = {};
    tag t = NULL_TAG;
    EXPECT_EQ(KX_MODL_create_ruled(s, nullptr, &align, values, &end, &body, 0, tol3, &t), 0) << name;
    return Model::named(t, name);
}

void add_more(std::vector<Kind>& k) {
    k.push_back({"ARC_3PTS",
                 [](Model&) {
                     double a[3] = {0, 300, 0}, b[3] = {4, 303, 0}, c[3] = {9, 300, 1};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_arc_thru_3pts(1, a, b, c, &t), 0);
                     return t;
                 },
                 shape_answer});
    k.push_back({"MODL_SPLINE",
                 [](Model&) {
                     double knots[7] = {0, 0, 0, 0.4, 1, 1, 1};
                     double poles[16] = {0, 310, 0, 1, 2, 316, 0, 1, 6, 308, 1, 1, 9, 314, 0, 1};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_spline(4, 3, knots, poles, &t, 0, 0), 0);
                     return t;
                 },
                 spline_answer});
    k.push_back({"CURVE_FROM_EDGE",
                 [](Model& m) {
                     const double a[3] = {0, 50, 0}, b[3] = {100, 50, 0};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_curve_from_edge(Model::edge(Model::body_of(m.find("BOX")), a, b), &t), 0);
                     return t;
                 },
                 shape_answer});
    k.back().needs = {"BOX"};
    k.push_back({"SO_XFORM",
                 [](Model& m) {
                     double origin[3] = {5, 6, 7}, x[3] = {0, 0, 1}, y[3] = {1, 0, 0};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_xform_doubles(m.part, 0, origin, x, y, 1.5, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     double p[3] = {}, x[3] = {}, y[3] = {}, scale = 0;
                     o.code("point", KX_SO_ask_point_of_xform(t, p))("origin", p, 3);
                     o.code("x", KX_SO_ask_x_direction_of_xform(t, x))("x", x, 3);
                     o.code("y", KX_SO_ask_y_direction_of_xform(t, y))("y", y, 3);
                     o.code("scale", KX_SO_ask_scale_of_xform(t, &scale))("scale", scale);
                 }});
    k.push_back({"SO_AXIS",
                 [](Model& m) {
                     tag pts[2] = {Model::point("SO_AXIS_A", 0, -120, 0), Model::point("SO_AXIS_B", 3, -116, 0)};
                     tag dir = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_two_points(m.part, 0, pts, &dir), 0);
                     Model::named(dir, "SO_AXIS_DIR");
                     EXPECT_EQ(KX_SO_create_axis_point_dir(m.part, 0, pts[0], dir, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     double p[3] = {}, d[3] = {};
                     o.code("point", KX_SO_ask_point_of_axis(t, p))("point", p, 3);
                     o.code("dir", KX_SO_ask_direction_of_axis(t, d))("dir", d, 3);
                     parents_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     double moved[3] = {0, -112, 0};  // the direction turns to +y
                     ASSERT_EQ(KX_CURVE_edit_point_data(m.find("SO_AXIS_B"), moved), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     double d[3] = {};
                     ASSERT_EQ(KX_SO_ask_direction_of_axis(t, d), 0);
                     EXPECT_NEAR(d[0], 0, 1e-9);
                     EXPECT_NEAR(d[1], 1, 1e-9);
                 }});
    k.push_back({"SO_SPLINE",
                 [](Model& m) {
                     tag pts[4] = {Model::point("SO_SPLINE_1", 0, -140, 0), Model::point("SO_SPLINE_2", 4, -137, 0),
                                   Model::point("SO_SPLINE_3", 9, -139, 1), Model::point("SO_SPLINE_4", 13, -135, 0)};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_bcurve_thru_points(m.part, 0, pts, 4, 3, 0, nullptr, NULL_TAG, NULL_TAG, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     shape_answer(o, t);
                     parents_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     double moved[3] = {15, -131, 2};
                     ASSERT_EQ(KX_CURVE_edit_point_data(m.find("SO_SPLINE_4"), moved), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = ends_and_length(t);
                     ASSERT_EQ(e.size(), 7u);
                     EXPECT_NEAR(e[3], 15, 1e-6);
                     EXPECT_NEAR(e[4], -131, 1e-6);
                     EXPECT_NEAR(e[5], 2, 1e-6);
                 }});

    k.push_back({"FITTED_SPLINE",
                 [](Model&) {
                     // Seven points of y = x^2 / 4 near x = 0 .. 6, fitted by a cubic.
                     double pts[21] = {0, 350, 0, 1, 350.25, 0, 2, 351, 0, 3, 352.25, 0, 4, 354, 0, 5, 356.25, 0, 6, 359, 0};
                     fit_data f{};
                     f.points = pts;
                     f.point_count = 7;
                     f.degree = 3;
                     f.tolerance = 1e-3;
                     double error = 0;
                     int at = 0;
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_fitted_spline(&f, &error, &at, &t), 0);
                     return t;
                 },
                 spline_answer});
    k.push_back({"SO_ARC",
                 [](Model& m) {
                     tag pts[3] = {Model::point("SO_ARC_1", 0, -160, 0), Model::point("SO_ARC_2", 5, -155, 0),
                                   Model::point("SO_ARC_3", 10, -160, 0)};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_arc_three_points(m.part, 0, pts, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     arc_data a{};
                     o.code("ask", KX_CURVE_ask_arc_data(t, &a))("angles", &a.start_angle, 2)("centre", a.arc_center, 3)(
                         "radius", a.radius);
                     parents_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The middle point rises to the top of a circle of radius 6.5 through the ends:
                     // its centre at (5, -160 + sqrt(6.5^2 - 25)).
                     const double c = std::sqrt(6.5 * 6.5 - 25);
                     double moved[3] = {5, -160 + c + 6.5, 0};
                     ASSERT_EQ(KX_CURVE_edit_point_data(m.find("SO_ARC_2"), moved), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     arc_data a{};
                     ASSERT_EQ(KX_CURVE_ask_arc_data(t, &a), 0);
                     EXPECT_NEAR(a.radius, 6.5, 1e-9);
                 }});

    // Form features on a plate 120 x 80 x 30 (x from 1000), top face z = 30.
    auto top = [](Model& m) {
        if (m.find("PLATE") == NULL_TAG) ruled_box(m, "PLATE", 1000, 0, 0, 1120, 80, 30);
        return Model::face(Model::body_of(m.find("PLATE")), 0, 0, 1);
    };
    // Each form feature at (x, y) on the top face, pointing down into the
    // plate, its X direction along X.
    struct Form {
        const char* name;
        double x, y;
        std::function<int(double* at, double* dir, double* xd, tag face, tag* t)> make;
        std::function<void(Out&, tag)> answers;
    };
    const Form forms[] = {
        {"C_SUNK_HOLE", 1010, 10,
         [](double* at, double* dir, double*, tag face, tag* t) {
             return KX_MODL_create_c_sunk_hole(at, dir, "5", "12", "10", "90", "0", face, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, *e = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_c_sunk_hole_parms(t, 0, &a, &b, &c, &d, &e, &thru))("thru", thru);
             texts(o, "parms", {a, b, c, d, e});
         }},
        {"RECT_POCKET", 1030, 15,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             const char* sizes[3] = {"14", "9", "5"};
             return KX_MODL_create_rect_pocket(at, dir, xd, sizes, "0", "0", "0", face, t);
         },
         [](Out& o, tag t) {
             char* s[3] = {};
             char *r = nullptr, *f = nullptr, *a = nullptr;
             o.code("ask", KX_MODL_ask_rect_pocket_parms(t, 0, s, &r, &f, &a));
             texts(o, "parms", {s[0], s[1], s[2], r, f, a});
         }},
        {"BOSS", 1060, 15,
         [](double* at, double* dir, double*, tag face, tag* t) {
             dir[2] = 1;
             return KX_MODL_create_boss(at, dir, "8", "6", "0", face, t);
         },
         [](Out& o, tag t) {
             char *d = nullptr, *h = nullptr, *a = nullptr;
             o.code("ask", KX_MODL_ask_boss_parms(t, 0, &d, &h, &a));
             texts(o, "parms", {d, h, a});
         }},
        {"CYL_POCKET", 1090, 12,
         [](double* at, double* dir, double*, tag face, tag* t) {
             return KX_MODL_create_cyl_pocket(at, dir, "9", "4", "0", "0", face, t);
         },
         [](Out& o, tag t) {
             char *d = nullptr, *h = nullptr, *r = nullptr, *f = nullptr;
             o.code("ask", KX_MODL_ask_cyl_pocket_parms(t, 0, &d, &h, &r, &f));
             texts(o, "parms", {d, h, r, f});
         }},
        {"RECT_SLOT", 1030, 45,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             return KX_MODL_create_rect_slot(at, dir, xd, "4", "3", "20", face, NULL_TAG, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *w = nullptr, *d = nullptr, *l = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_rect_slot_parms(t, 0, &w, &d, &l, &thru))("thru", thru);
             texts(o, "parms", {w, d, l});
         }},
        {"U_SLOT", 1030, 57,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             return KX_MODL_create_u_slot(at, dir, xd, "4", "3", "1", "20", face, NULL_TAG, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *w = nullptr, *d = nullptr, *r = nullptr, *l = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_u_slot_parms(t, 0, &w, &d, &r, &l, &thru))("thru", thru);
             texts(o, "parms", {w, d, r, l});
         }},
        {"T_SLOT", 1030, 70,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             return KX_MODL_create_t_slot(at, dir, xd, "3", "2", "6", "3", "20", face, NULL_TAG, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, *l = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_t_slot_parms(t, 0, &a, &b, &c, &d, &l, &thru))("thru", thru);
             texts(o, "parms", {a, b, c, d, l});
         }},
        {"DOVE_TAIL_SLOT", 1080, 48,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             return KX_MODL_create_dove_tail_slot(at, dir, xd, "5", "3", "20", "16", face, NULL_TAG, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *w = nullptr, *d = nullptr, *a = nullptr, *l = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_dovetail_slot_parms(t, 0, &w, &d, &a, &l, &thru))("thru", thru);
             texts(o, "parms", {w, d, a, l});
         }},
        {"BALL_SLOT", 1080, 64,
         [](double* at, double* dir, double* xd, tag face, tag* t) {
             return KX_MODL_create_ball_slot(at, dir, xd, "4", "3", "16", face, NULL_TAG, NULL_TAG, t);
         },
         [](Out& o, tag t) {
             char *b = nullptr, *d = nullptr, *l = nullptr;
             int thru = -1;
             o.code("ask", KX_MODL_ask_ball_slot_parms(t, 0, &b, &d, &l, &thru))("thru", thru);
             texts(o, "parms", {b, d, l});
         }},
    };
    for (const Form& f : forms)
        k.push_back({f.name,
                     [f, top](Model& m) {
                         double at[3] = {f.x, f.y, 30}, dir[3] = {0, 0, -1}, xd[3] = {1, 0, 0};
                         tag t = NULL_TAG;
                         EXPECT_EQ(f.make(at, dir, xd, top(m), &t), 0) << f.name;
                         return t;
                     },
                     f.answers});
    k.push_back({"LINEAR_ISET",
                 [](Model& m) {
                     EXPECT_EQ(KX_MODL_active_part(Model::body_of(m.find("PLATE")), 0), 0);
                     tag_list* of = Model::list_of({m.find("BOSS")});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_linear_iset(0, "1", "10", "2", "12", of, &t), 0);
                     KX_MODL_delete_list(&of);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
                     o.code("ask", KX_MODL_ask_linear_iset_parms(t, 0, &a, &b, &c, &d));
                     texts(o, "parms", {a, b, c, d});
                     tag_list* inst = nullptr;
                     int n = -1;
                     o.code("instances", KX_MODL_ask_instance(t, &inst));
                     KX_MODL_ask_list_count(inst, &n);
                     KX_MODL_delete_list(&inst);
                     o("instances", n);
                 }});
    k.back().needs = {"BOSS"};
    k.push_back({"SET_OF_FEATURE",
                 [](Model& m) {
                     tag members[2] = {m.find("RECT_SLOT"), m.find("U_SLOT")}, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_set_of_feature("SET_OF_FEATURE", members, 2, 0, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag s = NULL_TAG;
                     o.code("by name", KX_MODL_ask_set_from_name("SET_OF_FEATURE", &s))("found", s == t);
                 }});
    k.back().needs = {"RECT_SLOT", "U_SLOT"};

    // Body operations, each on a box of its own.
    k.push_back({"HOLLOW",
                 [](Model& m) {
                     const tag box = ruled_box(m, "HOLLOW_BOX", 1200, 0, 0, 1240, 30, 20);
                     tag_list* open = Model::list_of({Model::face(Model::body_of(box), 0, 0, 1)});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_hollow("2", open, &t), 0);
                     KX_MODL_delete_list(&open);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char* th = nullptr;
                     o.code("ask", KX_MODL_ask_hollow_parms(t, 0, &th));
                     texts(o, "thickness", {th});
                 },
                 [](Model&, tag t) {
                     // Open at the top: 40 x 30 x 20 less (40 - 2t)(30 - 2t)(20 - t), t from 2 to 3.
                     auto wall = [](double w) { return 24000 - (40 - 2 * w) * (30 - 2 * w) * (20 - w); };
                     EXPECT_NEAR(volume_of(Model::body_of(t)), wall(2), 1e-6);
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "2", "3"); }), wall(3) - wall(2), 1e-6);
                 }});
    k.push_back({"SCALE",
                 [](Model& m) {
                     const tag box = ruled_box(m, "SCALE_BOX", 1300, 0, 0, 1310, 12, 7);
                     tag b = Model::body_of(box), t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_uniform_scale(b, NULL_TAG, "1.5", &t), 0);
                     return t;
                 },
                 [](Out&, tag) {},
                 [](Model&, tag t) {
                     EXPECT_NEAR(volume_of(Model::body_of(t)), 840 * 3.375, 1e-6);
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "1.5", "2"); }), 840 * (8 - 3.375), 1e-6);
                 }});
    k.push_back({"MIRROR_BODY",
                 [](Model& m) {
                     const tag box = ruled_box(m, "MIRROR_BOX", 1400, 0, 0, 1410, 10, 10);
                     double d[3] = {1, 0, 0};
                     tag dir = NULL_TAG, plane = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 0, d, &dir), 0);
                     EXPECT_EQ(KX_MODL_create_point_dirr_dplane(Model::point("MIRROR_AT", 1420, 0, 0), dir, &plane), 0);
                     Model::named(plane, "MIRROR_PLANE");
                     EXPECT_EQ(KX_MODL_create_mirror_body(Model::body_of(box), plane, &t), 0);
                     return t;
                 },
                 [](Out&, tag) {}});
    k.push_back({"FACE_OFFSET",
                 [](Model& m) {
                     const tag box = ruled_box(m, "FACE_OFFSET_BOX", 1500, 0, 0, 1520, 20, 20);
                     EXPECT_EQ(KX_MODL_active_part(Model::body_of(box), 0), 0);
                     tag_list* faces = Model::list_of({Model::face(Model::body_of(box), 0, 0, 1)});
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_face_offset("2.5", faces, &t), 0);
                     KX_MODL_delete_list(&faces);
                     return t;
                 },
                 [](Out& o, tag t) {
                     char* d = nullptr;
                     o.code("ask", KX_MODL_ask_offset_parms(t, 0, &d));
                     texts(o, "distance", {d});
                 },
                 [](Model&, tag t) {
                     EXPECT_NEAR(volume_change(t, [&] { edit_feature_exp(t, "2.5", "4.75"); }), 400 * 2.25, 1e-6);
                 }});
}

// ---- links to the objects of another part ------------------------------------------

// Linked objects of the source part's box and line, moved 300 along -y.
constexpr double kLinkShift[12] = {1, 0, 0, 0, 0, 1, 0, -300, 0, 0, 1, 0};

void link_answer(Out& o, tag t) {
    tag source = NULL_TAG, part = NULL_TAG;
    double xform[12] = {};
    o.code("source", KX_LOOM_ask_link_source(t, &source, &part)).text("source", label(source))("part", part != NULL_TAG);
    o.code("xform", KX_LOOM_ask_link_xform(t, xform))("xform", xform, 12);
    int time = -1, stamp = -1;
    o.code("time", KX_LOOM_ask_link_update_time(t, &time, &stamp))("time", time);
}

void add_links(std::vector<Kind>& k) {
    k.push_back({"LINKED_BODY",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_LOOM_create_linked_body(m.source_body, kLinkShift, 1, KX_LOOM_update_with_source, &t), 0);
                     return t;
                 },
                 link_answer});
    k.push_back({"LINKED_CURVE",
                 [](Model& m) {
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_LOOM_create_linked_curve(m.source_part, 1, &m.source_line, 1, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     int n = 0;
                     tag *from = nullptr, *to = nullptr;
                     o.code("map", KX_LOOM_ask_linked_feature_map(t, &n, &from, &to, 0))("count", n);
                     for (int i = 0; i < n; ++i) {
                         o.text("from", label(from[i]));
                         const std::vector<double> e = ends_and_length(to[i]);
                         o("copy", e.data(), static_cast<int>(e.size()));
                     }
                     KX_free(from);
                     KX_free(to);
                 },
                 [](Model&, tag t) {
                     // The source line in the other part grows: the copy follows.
                     int n = 0;
                     tag *from = nullptr, *to = nullptr;
                     ASSERT_EQ(KX_LOOM_ask_linked_feature_map(t, &n, &from, &to, 0), 0);
                     ASSERT_EQ(n, 1);
                     line_data l{{0, 0, 0}, {0, 27, 0}};
                     EXPECT_EQ(KX_CURVE_edit_line_data(from[0], &l), 0);
                     EXPECT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = ends_and_length(to[0]);
                     KX_free(from);
                     KX_free(to);
                     ASSERT_EQ(e.size(), 7u);
                     EXPECT_NEAR(e[4], 27, 1e-9);
                 }});
}

// ---- sheets made from sheets, sets of features, part attributes ------------------

void add_sheet_operations(std::vector<Kind>& k) {
    k.push_back({"COMBINE",
                 [](Model&) {
                     // Where the plane y = 5 (a line swept along z) meets the plane z = 3 + x / 2
                     // (a line swept along y): the line (0, 5, 3) - (10, 5, 8).
                     combine_direction along_z{1, {0, 0, 1}}, along_y{1, {0, 1, 0}};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_CURVE_create_combine_curves(Model::line("COMBINE_A", 0, 5, -400, 10, 5, -400), &along_z,
                                                              Model::line("COMBINE_B", 0, -20, 3, 10, -20, 8), &along_y,
                                                              const_cast<char*>("0.001"), &t),
                               0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag a = NULL_TAG, b = NULL_TAG;
                     combine_direction da{}, db{};
                     char* tol = nullptr;
                     tag_list* curves = nullptr;
                     o.code("ask", KX_CURVE_ask_combine_curves(t, &a, &da, &b, &db, &tol, &curves))
                         .text("curves", label(a) + "," + label(b))("first", da.vector, 3)("second", db.vector, 3)
                         .text("tolerance", take(tol));
                     KX_MODL_delete_list(&curves);
                     curves_answer(o, t);
                 },
                 [](Model& m, tag t) {
                     // The second line tilts: z = 3 + x.
                     line_data l{{0, -20, 3}, {10, -20, 13}};
                     ASSERT_EQ(KX_CURVE_edit_line_data(m.find("COMBINE_B"), &l), 0);
                     ASSERT_EQ(KX_MODL_update(), 0);
                     const std::vector<double> e = feature_curves(t);
                     ASSERT_GE(e.size(), 7u);
                     EXPECT_NEAR(e[6], std::sqrt(200.0), 1e-3);
                 }});
    k.push_back({"REVERSE_NORMAL",
                 [](Model& m) {
                     string_list* s = m.strings({Model::rectangle("REVERSE_NORMAL_EDGE", 0, 0, 15, 12, -500)});
                     tag sheet = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bplane(s, tol3, &sheet), 0);
                     Model::named(sheet, "REVERSE_NORMAL_SHEET");
                     EXPECT_EQ(KX_MODL_create_reverse_normal(Model::body_of(sheet), 0, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag face = Model::face(Model::body_of(t), 0, 0, -1);
                     o("turned", face != NULL_TAG);
                 }});
    k.push_back({"ENLARGE",
                 [](Model& m) {
                     string_list* s = m.strings({Model::rectangle("ENLARGE_EDGE", 0, 0, 20, 10, -600)});
                     tag sheet = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bplane(s, tol3, &sheet), 0);
                     Model::named(sheet, "ENLARGE_SHEET");
                     char* percent[4] = {const_cast<char*>("10"), const_cast<char*>("20"), const_cast<char*>("30"),
                                         const_cast<char*>("40")};
                     EXPECT_EQ(KX_MODL_create_enlarge(Model::face(Model::body_of(sheet), 0, 0, 1), 1, percent, 0.01, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag face = NULL_TAG;
                     int type = -1;
                     char* percent[4] = {};
                     double tol = 0;
                     o.code("ask", KX_MODL_ask_enlarge(t, &face, &type, percent, &tol))("type", type)("tolerance", tol);
                     texts(o, "percent", {percent[0], percent[1], percent[2], percent[3]});
                 }});
    k.push_back({"BSURF_THRU_PTS",
                 [](Model&) {
                     double r0[9] = {0, 0, -700, 10, 0, -698, 20, 0, -700};
                     double r1[9] = {0, 10, -699, 10, 10, -695, 20, 10, -699};
                     double r2[9] = {0, 20, -700, 10, 20, -697, 20, 20, -701};
                     bsurf_row rows[3] = {{3, r0, nullptr}, {3, r1, nullptr}, {3, r2, nullptr}};
                     tag t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bsurf_thru_pts(1, 0, 0, 2, 2, 3, rows, &t), 0);
                     return t;
                 },
                 [](Out&, tag) {}});
    k.push_back({"SEW",
                 [](Model& m) {
                     tag a = NULL_TAG, b = NULL_TAG, t = NULL_TAG;
                     EXPECT_EQ(KX_MODL_create_bplane(m.strings({Model::rectangle("SEW_A_EDGE", 0, 0, 10, 10, -800),
                                                                {m.arc("SEW_A_HOLE", 4, 5, -800, 2, 0, 2 * kPi)}}),
                                                     tol3, &a),
                               0);
                     EXPECT_EQ(KX_MODL_create_bplane(m.strings({Model::rectangle("SEW_B_EDGE", 10, 0, 17, 10, -800)}), tol3, &b),
                               0);
                     Model::named(a, "SEW_A");
                     Model::named(b, "SEW_B");
                     tag targets[1] = {Model::body_of(a)}, tools[1] = {Model::body_of(b)};
                     tag_list* made = nullptr;
                     EXPECT_EQ(KX_MODL_create_sew(0, 1, targets, 1, tools, 0.001, 0, &made, &t), 0);
                     KX_MODL_delete_list(&made);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag target = NULL_TAG;
                     int n = 0;
                     tag* tools = nullptr;
                     double tol = 0;
                     o.code("ask", KX_MODL_ask_sew_sheet_body(t, &target, &n, &tools, &tol))("tools", n)("tolerance", tol);
                     KX_free(tools);
                 },
                 [](Model& m, tag t) {
                     // Sheets of 10 x 10 with a hole of radius 2 and 7 x 10; the
                     // hole grows to 3.5: the sewn sheet loses pi (3.5^2 - 2^2).
                     const tag body = Model::body_of(t);
                     EXPECT_NEAR(area_of(body), 170 - 4 * kPi, 1e-6);
                     arc_data a{};
                     ASSERT_EQ(KX_CURVE_ask_arc_data(m.find("SEW_A_HOLE"), &a), 0);
                     a.radius = 3.5;
                     ASSERT_EQ(KX_CURVE_edit_arc_data(m.find("SEW_A_HOLE"), &a), 0);
                     EXPECT_EQ(KX_MODL_update(), 0);
                     EXPECT_NEAR(area_of(Model::body_of(t)), 170 - 12.25 * kPi, 1e-6);
                 }});
    k.push_back({"MIRROR_SET",
                 [](Model& m) {
                     tag features[1] = {m.find("CYL_POCKET")}, t = NULL_TAG;
                     double d[3] = {1, 0, 0};
                     tag dir = NULL_TAG, plane = NULL_TAG;
                     EXPECT_EQ(KX_SO_create_dirr_doubles(m.part, 0, d, &dir), 0);
                     EXPECT_EQ(KX_MODL_create_point_dirr_dplane(Model::point("MIRROR_SET_AT", 1100, 0, 0), dir, &plane), 0);
                     Model::named(plane, "MIRROR_SET_PLANE");
                     EXPECT_EQ(KX_MODL_create_mirror_set(features, 1, plane, &t), 0);
                     return t;
                 },
                 [](Out& o, tag t) {
                     tag plane = NULL_TAG;
                     tag* features = nullptr;
                     int n = 0;
                     o.code("plane", KX_MODL_ask_plane_of_mirror_set(t, &plane)).text("plane", label(plane));
                     o.code("features", KX_MODL_ask_features_of_mirror_set(t, &features, &n)).text("features", labels(features, n));
                     KX_free(features);
                 }});
    k.back().needs = {"CYL_POCKET"};
    k.push_back({"PART_ATTRIBUTES",
                 [](Model& m) {
                     attribute_value v{};
                     v.type = KX_ATTR_string, v.value.string = const_cast<char*>("bracket, left hand");
                     EXPECT_EQ(KX_ATTR_assign(m.part, "DESCRIPTION", v), 0);
                     v = {}, v.type = KX_ATTR_real, v.value.real = 7.85;
                     EXPECT_EQ(KX_ATTR_assign(m.part, "DENSITY", v), 0);
                     return Model::point("PART_ATTRIBUTES", 0, 0, -900);
                 },
                 [](Out& o, tag) {
                     // The part's own attributes, read from the work part.
                     o.text("part", common_answers(KX_ASSEM_ask_work_part()));
                 }});
}

class RoundTrip : public PartApiTest {
protected:
    // What the user program does when it starts: it defines its class of
    // user-defined objects.
    static udo_class_id start_program() {
        udo_class_id id = 0;
        EXPECT_EQ(KX_UDOBJ_create_class("rt_gear", "Gear wheel", &id), 0);
        return id;
    }
    // The part's objects counted by type and subtype.
    static std::map<std::pair<int, int>, int> census(tag part) {
        std::map<std::pair<int, int>, int> out;
        for (tag t = KX_OBJ_cycle_all(part, NULL_TAG); t != NULL_TAG; t = KX_OBJ_cycle_all(part, t)) {
            int type = -1, subtype = -1;
            KX_OBJ_ask_type_and_subtype(t, &type, &subtype);
            ++out[{type, subtype}];
        }
        return out;
    }
    // Makes the kinds (and the kinds they are made on) in a new part of
    // the file, after the part that links read from; answers them by name.
    std::map<std::string, std::string> make(Model& m, const std::string& file, const std::vector<const Kind*>& rows) {
        m.udo_class = start_program();
        EXPECT_EQ(KX_PART_new(path("source_" + file).c_str(), KX_PART_METRIC, &m.source_part), 0);
        m.part = m.source_part;
        m.source_body = Model::body_of(ruled_box(m, "SOURCE_BOX", 0, 0, 0, 30, 20, 10));
        m.source_line = Model::line("SOURCE_LINE", 0, 0, 0, 0, 15, 0);
        EXPECT_EQ(KX_PART_save(), 0);
        EXPECT_EQ(KX_PART_new(path(file).c_str(), KX_PART_METRIC, &m.part), 0);
        for (const Kind* kind : rows) {
            SCOPED_TRACE(kind->name);
            const tag t = kind->make(m);
            if (t != NULL_TAG && name_of(t) != kind->name) Model::named(t, kind->name);
            EXPECT_NE(t, NULL_TAG) << kind->name << " was not made";
        }
        EXPECT_EQ(KX_MODL_update(), 0);
        std::map<std::string, std::string> made;
        for (const Kind* kind : rows) {
            const tag t = m.find(kind->name);
            if (t == NULL_TAG) continue;
            Out o;
            kind->answers(o, t);
            made[kind->name] = common_answers(t) + "| " + o.str();
        }
        return made;
    }
    // Saves the part, starts the program afresh, opens the part (and the
    // part its links read from) and compares the census and the answers of
    // the kinds made.
    void save_and_compare(Model& m, const std::string& file, const std::map<std::string, std::string>& made) {
        const auto counts = census(m.part);
        m.release();
        ASSERT_EQ(KX_PART_save(), 0);
        restart();
        m.udo_class = start_program();
        m.part = open(path(file));
        ASSERT_NE(m.part, NULL_TAG) << file;
        ASSERT_EQ(KX_ASSEM_ask_work_part(), m.part);
        int failures = -1;
        char** names = nullptr;
        int* statuses = nullptr;
        EXPECT_EQ(KX_LOOM_load_parents(m.part, 0, &failures, &names, &statuses), 0);
        EXPECT_EQ(failures, 0);
        KX_free_string_array(failures > 0 ? failures : 0, names);
        KX_free(statuses);

        const auto again = census(m.part);
        for (const auto& [kind, n] : counts) {
            const auto at = again.find(kind);
            EXPECT_EQ(at == again.end() ? 0 : at->second, n) << "objects of type " << kind.first << ", subtype " << kind.second;
        }
        for (const auto& [kind, n] : again)
            EXPECT_TRUE(counts.count(kind)) << n << " new objects of type " << kind.first << ", subtype " << kind.second;
        for (const auto& [name, answers] : made) {
            const tag t = m.find(name);
            EXPECT_NE(t, NULL_TAG) << name << " is not found by its name";
            if (t == NULL_TAG) continue;
            const Kind* kind = nullptr;
            for (const Kind& k : table_)
                if (name == k.name) kind = &k;
            Out o;
            kind->answers(o, t);
            EXPECT_EQ(common_answers(t) + "| " + o.str(), answers) << name;
        }
        // The part read back updates as the part made did.
        EXPECT_EQ(KX_MODL_update(), 0) << "the update of the part read back";
    }
    const Kind* row(const std::string& name) const {
        for (const Kind& k : table_)
            if (name == k.name) return &k;
        ADD_FAILURE() << "no kind " << name;
        return nullptr;
    }

    const std::vector<Kind> table_ = kinds();
};

// One part holding every kind: read back, then each associative kind
// follows an edit of its parent.
TEST_F(RoundTrip, EveryKindReadBackAnswersAsMadeAndFollowsItsParents) {
    std::vector<const Kind*> rows;
    for (const Kind& k : table_) rows.push_back(&k);
    Model m;
    const auto made = make(m, "every_kind.prt", rows);
    save_and_compare(m, "every_kind.prt", made);
    if (HasFatalFailure()) return;
    for (const Kind& kind : table_) {
        if (!kind.follow) continue;
        SCOPED_TRACE(kind.name);
        const tag t = m.find(kind.name);
        if (t != NULL_TAG) kind.follow(m, t);
    }
    m.release();
}

// Each kind alone in its part (with the kinds it is made on), so that a
// kind that spoils the file or loses its data is named by its own failure.
TEST_F(RoundTrip, EachKindAloneIsReadBackAsMade) {
    for (const Kind& kind : table_) {
        SCOPED_TRACE(kind.name);
        restart();
        std::vector<const Kind*> rows;
        for (const std::string& n : kind.needs) rows.push_back(row(n));
        rows.push_back(&kind);
        Model m;
        const std::string file = std::string(kind.name) + ".prt";
        const auto made = make(m, file, rows);
        save_and_compare(m, file, made);
        m.release();
    }
}

}  // namespace
