// What a saved part brings back beyond its object table: entity ids that
// stay unique after the host starts afresh, and the entity store's rows.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/entities/curve_entities.h"
#include "host/store/entities/entity_store.h"
#include "host/store/entities/views.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/base/services/error.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "curve_fixture.h"
#include "part_test_util.h"

namespace {

namespace obj = host::objects;
namespace pf = host::part_file;

int save(unsigned int part) {
    int components = 0, mode = 2, result = -1;
    base_save_part(&part, &components, &mode, &result);
    return result;
}

unsigned int open(const std::string& file, int* code) {
    PART_load_status_t s{};
    unsigned int part = 0;
    *code = BASE_open_part(file.c_str(), &part, &s);
    for (int i = 0; i < s.n_parts; ++i) SM_free(s.file_names[i]);
    SM_free(s.file_names);
    SM_free(s.statuses);
    return part;
}

std::string handle_of(unsigned int object) {
    char* h = TAG_ask_handle_of_tag(object);
    std::string out = h;
    SM_free(h);
    return out;
}

// The code that fn raised under a library frame, 0 when it ran through.
int raised_code(const std::function<void()>& fn) { return host::control::raised_code(fn).value_or(0); }

class PersistTest : public PartDirTest {};

// ---- Entity ids ---------------------------------------------------------------

TEST_F(PersistTest, KeptEntityIdsAreCheckedAsAWholeAndMoveTheCounter) {
    const unsigned part = obj::create_part("a.prt");
    const std::uint32_t part_eid = obj::find(part)->eid;
    const unsigned first = obj::create_with_eid({OM_CLASS_RM_ENTITY, 3, 0, part}, 500);
    EXPECT_EQ(obj::find(first)->eid, 500u);
    EXPECT_EQ(obj::find(first)->part, part);

    struct Case {
        const char* what;
        std::vector<std::uint32_t> eids;
    };
    const std::vector<Case> refused = {
        {"an id of a live object of the part", {700, 500}},
        {"the part's own id", {part_eid}},
        {"one id twice in the batch", {800, 801, 800}},
        {"id 0", {0}},
        {"the last id, which the counter cannot pass", {0xFFFFFFFFu}},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        std::vector<obj::KeptObject> batch;
        for (std::uint32_t e : c.eids) batch.push_back({{OM_CLASS_RM_ENTITY, 3, 0, part}, e});
        const std::size_t live = obj::live_objects().size();
        EXPECT_EQ(raised_code([&] { obj::create_with_eids(batch); }), HOST_ERR_BAD_ARGUMENT);
        EXPECT_EQ(obj::live_objects().size(), live);  // nothing of the batch was made
    }

    // The same id in another part is no clash; a dead object's id is free.
    const unsigned other = obj::create_part("b.prt");
    EXPECT_NE(obj::create_with_eid({OM_CLASS_RM_ENTITY, 3, 0, other}, 500), 0u);
    obj::destroy(first);
    EXPECT_NE(obj::create_with_eid({OM_CLASS_RM_ENTITY, 3, 0, part}, 500), 0u);

    // New objects take ids above every kept one.
    const unsigned fresh = obj::create({OM_CLASS_RM_ENTITY, 3, 0, part});
    EXPECT_GT(obj::find(fresh)->eid, 500u);
}

// After the host starts afresh, a reopened part keeps its objects' ids and
// handles, and neither the part nor a new object takes one of them.
TEST_F(PersistTest, ReopenedPartAfterResetKeepsIdsAndNewObjectsNeverReuseThem) {
    const std::string file = path("ids.prt");
    const unsigned part = host::parts::create(file);
    std::vector<unsigned> made;
    for (int i = 0; i < 6; ++i)
        made.push_back(test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 3, 0, part})));
    obj::destroy(made[1]);  // leaves a gap in the saved ids
    obj::destroy(made[4]);
    std::set<std::string> saved_handles;
    for (unsigned t : obj::objects_of_part(part)) saved_handles.insert(handle_of(t));
    ASSERT_EQ(save(part), 0);

    host::control::reset();
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    ASSERT_NE(again, 0u);
    std::set<std::string> reopened_handles;
    for (unsigned t : obj::objects_of_part(again)) reopened_handles.insert(handle_of(t));
    EXPECT_EQ(reopened_handles, saved_handles);

    std::vector<unsigned> added;
    for (int i = 0; i < 4; ++i)
        added.push_back(test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 5, 0, again})));
    std::vector<unsigned> all = obj::objects_of_part(again);
    all.push_back(again);
    std::set<std::uint32_t> eids;
    for (unsigned t : all) eids.insert(obj::find(t)->eid);
    EXPECT_EQ(eids.size(), all.size());
    for (unsigned t : all) {
        SCOPED_TRACE(t);
        EXPECT_EQ(TAG_ask_tag_of_handle_tol(handle_of(t).c_str()), t);
    }

    // Saved again and reopened once more, the new objects keep theirs too.
    ASSERT_EQ(save(again), 0);
    std::set<std::string> second;
    for (unsigned t : obj::objects_of_part(again)) second.insert(handle_of(t));
    host::control::reset();
    const unsigned third = open(file, &code);
    ASSERT_EQ(code, 0);
    std::set<std::string> third_handles;
    for (unsigned t : obj::objects_of_part(third)) third_handles.insert(handle_of(t));
    EXPECT_EQ(third_handles, second);
}

// A file whose object table gives two objects one id cannot be opened, and
// nothing of it stays in the session.
TEST_F(PersistTest, FileWithOneIdTwiceIsDamaged) {
    auto table = [](std::vector<std::uint32_t> eids) {
        pf::Writer w;
        w.u32(static_cast<std::uint32_t>(eids.size()));
        for (std::uint32_t e : eids) {
            w.str("RM_entity_c");
            w.i32(HOST_TYPE_GROUP);
            w.i32(0);
            w.str("");
            w.u32(e);
        }
        pf::Image image;
        image.version = pf::kFormatVersion;
        image.sections.emplace_back("OBJS", w.bytes());
        return image;
    };
    const std::size_t live = obj::live_objects().size();
    int code = -1;
    EXPECT_EQ(pf::apply(table({4, 9, 4}), path("twice.prt"), &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    EXPECT_EQ(pf::apply(table({0}), path("zero.prt"), &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
    EXPECT_EQ(obj::live_objects().size(), live);

    const unsigned ok = pf::apply(table({4, 9}), path("fine.prt"), &code);
    ASSERT_NE(ok, 0u);
    EXPECT_EQ(code, 0);
    EXPECT_GT(obj::find(ok)->eid, 9u);  // the part's id is above its objects'
}

// ---- Entity store ---------------------------------------------------------------

namespace he = host::entity;

// Everything of an entity row, with references written as positions among
// the part's objects (so that rows of two sessions compare).
std::string row_text(unsigned int object, const std::vector<unsigned>& order) {
    auto pos = [&](unsigned t) {
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == t) return static_cast<long>(i);
        return t == 0 ? -1L : -2L;
    };
    const he::Attrs* a = he::find(object);
    if (!a) return "no row";
    static const he::Rare none;
    const he::Rare* r = he::find_rare(object);
    if (!r) r = &none;
    std::ostringstream out;
    out << a->layer << ' ' << a->color << ' ' << a->font << ' ' << a->width << " b" << a->blanked << " h"
        << a->highlighted << " l" << a->located << ' ' << r->location[0] << ',' << r->location[1] << ','
        << r->location[2] << " s" << a->state << " p" << a->promoted << a->smart << a->fcf << a->occurrence << a->in_use
        << " vd" << a->view_dependent << " an" << a->srfanl << " sh" << a->shaded << " v" << a->cre_version << '/'
        << a->mod_version << " sk" << a->sketch_state << " o" << pos(a->owner) << " views";
    for (unsigned v : r->views) out << ' ' << pos(v);
    out << " members";
    for (unsigned m : r->members) out << ' ' << pos(m);
    return out.str();
}

std::vector<std::string> rows_of(unsigned int part) {
    std::vector<unsigned> order = obj::objects_of_part(part);
    order.insert(order.begin(), part);
    std::vector<std::string> out;
    for (unsigned t : order) out.push_back(row_text(t, order));
    return out;
}

class EntitySectionTest : public PersistTest {
protected:
    // A part whose objects carry every kind of entity-store data, saved.
    unsigned int make_saved_part(const std::string& file) {
        part_ = host::parts::create(file);
        line_ = test_fixture::with_curve_data(he::create({OM_CLASS_RM_ENTITY, 3, 0, part_}));
        arc_ = test_fixture::with_curve_data(he::create({OM_CLASS_RM_ENTITY, 5, 0, part_}));
        const unsigned bare =
            test_fixture::with_curve_data(obj::create({OM_CLASS_RM_ENTITY, 3, 0, part_}));  // never given a row
        (void)bare;
        const unsigned drawing = host::views::make_drawing(part_, true);
        view_ = host::views::make_view(drawing, 1);
        body_ = host::views::make_body(part_, 2);
        group_ = host::views::make_group(part_, {line_, arc_});
        sketch_ = host::views::make_sketch(part_, {arc_}, 4);

        const ES_cfw_change_t cfw{42, 3, 2, 1, 1, 1};
        ES_change_color_font_width(line_, &cfw);
        ES_layer_move_entity(line_, 201);
        ES_write_blank_status(arc_, 1);
        int result = -1;
        ES_add_entity_name(line_, "EDGE", 4, &result);
        at020_(&line_);
        const double where[3] = {1.5, -2.25, 1e-9};
        ES_edit_att_display_location(line_, where);
        ES_set_view_dependent(arc_, 1);
        ES_VDG_make_dependent(arc_, view_);
        ES_write_srfanl(body_.body, 1);
        ES_write_shaded(body_.faces[1], 1);
        he::Attrs& a = he::attrs(arc_);
        a.promoted = a.smart = a.in_use = true;
        a.state = 2;
        a.cre_version = 3;
        a.mod_version = 9;
        he::attrs(line_).highlighted = true;
        he::attrs(part_).layer = 7;  // the part's own row goes too
        before_ = rows_of(part_);
        EXPECT_EQ(save(part_), 0);
        return part_;
    }
    unsigned part_ = 0, line_ = 0, arc_ = 0, view_ = 0, group_ = 0, sketch_ = 0;
    host::views::Body body_;
    std::vector<std::string> before_;
};

TEST_F(EntitySectionTest, ReopenedPartGetsEveryRowBackButHighlighting) {
    const std::string file = path("rows.prt");
    make_saved_part(file);
    host::control::reset();
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    // Saved highlighted, the line comes back plain; all else is as saved.
    std::vector<std::string> expected = before_;
    int highlighted = 0;
    for (std::string& r : expected)
        if (const auto at = r.find(" h1 "); at != std::string::npos) {
            r.replace(at, 4, " h0 ");
            ++highlighted;
        }
    EXPECT_EQ(highlighted, 1);
    EXPECT_EQ(rows_of(again), expected);

    // The host's own queries answer what was set.
    const std::vector<unsigned> objs = obj::objects_of_part(again);
    const unsigned line = objs[0], arc = objs[1];
    EXPECT_EQ(ES_ask_entity_color(line), 42);
    EXPECT_EQ(ES_ask_entity_layer(line), 201);
    EXPECT_EQ(ES_is_highlit(line), 0);
    EXPECT_EQ(ES_is_blanked(arc), 1);
    double location[3] = {};
    int found = 0;
    ES_read_att_display_location(line, location, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(location[1], -2.25);
    EXPECT_EQ(location[2], 1e-9);
    int n = 0;
    unsigned* views = nullptr;
    ES_VDG_ask_all_views(arc, &n, &views);
    ASSERT_EQ(n, 1);
    EXPECT_EQ(obj::find(views[0])->type, HOST_TYPE_VIEW);
    EXPECT_EQ(obj::find(views[0])->part, again);
    SM_free(views);
}

// An export takes rows along, but references only to objects it wrote.
TEST_F(EntitySectionTest, ExportDropsReferencesToObjectsLeftBehind) {
    make_saved_part(path("whole.prt"));
    const std::string file = path("subset.prt");
    const unsigned chosen[] = {line_, group_, arc_};  // the view and the sketch stay behind
    const PART_export_options_t options{1, 0, 0};
    ASSERT_EQ(PART_export_part(file.c_str(), 3, chosen, &options), 0);
    host::control::reset();
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    const std::vector<unsigned> objs = obj::objects_of_part(again);
    ASSERT_EQ(objs.size(), 3u);
    EXPECT_EQ(ES_ask_entity_color(objs[0]), 42);
    EXPECT_EQ(he::members_of(objs[1]), (std::vector<unsigned>{objs[0], objs[2]}));
    EXPECT_TRUE(he::views_of(objs[2]).empty());
    EXPECT_TRUE(he::attrs(objs[2]).view_dependent);
}

// Rows that name objects the file does not hold, or one object twice, make
// the file unusable and leave nothing behind.
TEST_F(EntitySectionTest, DamagedRowsAreRefusedWhole) {
    auto image = [](const std::vector<std::pair<std::uint32_t, std::string>>& rows) {
        // A group and a body.
        pf::Writer objs;
        objs.u32(2);
        for (std::uint32_t e : {5u, 6u}) {
            objs.str("RM_entity_c");
            objs.i32(e == 5 ? HOST_TYPE_GROUP : HOST_TYPE_SOLID);
            objs.i32(0);
            objs.str("");
            objs.u32(e);
        }
        pf::Writer ents;
        ents.u32(static_cast<std::uint32_t>(rows.size()));
        for (const auto& [index, bytes] : rows) {
            ents.u32(index);
            ents.str(bytes);
        }
        pf::Image im;
        im.version = pf::kFormatVersion;
        im.sections.emplace_back("OBJS", objs.bytes());
        im.sections.emplace_back("ENTS", ents.bytes());
        return im;
    };
    // A sound row: layer 9, no references; `extra` is appended.
    auto row = [](std::uint32_t owner, std::vector<std::uint32_t> members, const std::string& extra = "") {
        pf::Writer w;
        for (int v : {9, 5, 1, 0}) w.i32(v);
        w.u32(0);
        for (int i = 0; i < 3; ++i) w.f64(0);
        for (int v : {3, 0, 0, 1, 1, 0}) w.i32(v);
        w.u32(owner);
        w.u32(0);
        w.u32(static_cast<std::uint32_t>(members.size()));
        for (std::uint32_t m : members) w.u32(m);
        return w.bytes() + extra;
    };
    const std::string good = row(0xFFFFFFFFu, {2});
    struct Case {
        const char* what;
        pf::Image image;
    };
    const std::vector<Case> bad = {
        {"row of object 3 of 2", image({{3, good}})},
        {"one object twice", image({{1, good}, {1, good}})},
        {"member out of range", image({{1, row(0xFFFFFFFFu, {7})}})},
        {"owner out of range", image({{1, row(3, {})}})},
        {"row cut short", image({{1, good.substr(0, 20)}})},
        {"member count beyond the row", image({{1, good.substr(0, good.size() - 4)}})},
    };
    const std::size_t live = obj::live_objects().size();
    for (const Case& c : bad) {
        SCOPED_TRACE(c.what);
        int code = -1;
        EXPECT_EQ(pf::apply(c.image, path("bad.prt"), &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(obj::live_objects().size(), live);
    }
    // Fields a later version appends are skipped.
    int code = -1;
    const unsigned part = pf::apply(image({{1, row(2, {2}, "later fields")}}), path("later.prt"), &code);
    ASSERT_NE(part, 0u);
    const std::vector<unsigned> objs = obj::objects_of_part(part);
    EXPECT_EQ(he::attrs(objs[0]).layer, 9);
    EXPECT_EQ(he::attrs(objs[0]).owner, objs[1]);
    EXPECT_EQ(he::members_of(objs[0]), (std::vector<unsigned>{objs[1]}));
}

// The row framing that row sections share: rows come back with their
// objects; a count the payload cannot hold, an object number out of range or
// given twice, and a row for the part where the section has none, refuse the
// payload.
TEST_F(PersistTest, RowFramingHandsBackRowsAndRefusesBadNumbers) {
    pf::LoadContext ctx;
    ctx.part = 100;
    ctx.objects = {101, 102};
    auto payload = [](std::uint32_t count, const std::vector<std::uint32_t>& numbers) {
        pf::Writer w;
        w.u32(count);
        for (std::uint32_t n : numbers) {
            w.u32(n);
            w.str("row" + std::to_string(n));
        }
        return w.bytes();
    };
    auto read = [&](const std::string& bytes, bool part_row) {
        std::vector<std::pair<unsigned, std::string>> rows;
        pf::Reader in(bytes);
        pf::read_rows(in, ctx, {"test row", 8, part_row},
                      [&](unsigned t, pf::Reader& row) { rows.emplace_back(t, std::string(row.raw(row.left()))); });
        EXPECT_TRUE(in.done());
        return rows;
    };
    EXPECT_EQ(read(payload(3, {2, 0, 1}), true),
              (std::vector<std::pair<unsigned, std::string>>{{102, "row2"}, {100, "row0"}, {101, "row1"}}));
    struct Case {
        const char* what;
        std::string bytes;
        bool part_row;
    };
    for (const Case& c :
         {Case{"count beyond the payload", payload(3, {1, 2}), true},
          Case{"number out of range", payload(1, {3}), true}, Case{"number twice", payload(2, {1, 1}), true},
          Case{"row for the part", payload(1, {0}), false}}) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW(read(c.bytes, c.part_row), pf::FormatError);
    }

    // Objects for which nothing is written have no row; no row at all
    // leaves the section out.
    pf::SaveContext save;
    save.part = 100;
    save.objects = {101, 102};
    pf::Writer out;
    pf::write_rows(out, save, {100, 101, 102}, [](pf::Writer& row, unsigned t) {
        if (t != 101) row.u32(t);
    });
    pf::Reader in(out.bytes());
    EXPECT_EQ(in.u32(), 2u);
    EXPECT_EQ(in.u32(), 0u);
    EXPECT_EQ(in.str().size(), 4u);
    EXPECT_EQ(in.u32(), 2u);
    EXPECT_EQ(in.str().size(), 4u);
    EXPECT_TRUE(in.done());
    pf::Writer none;
    pf::write_rows(none, save, {101}, [](pf::Writer&, unsigned) {});
    EXPECT_TRUE(none.bytes().empty());
}

// ---- Coordinate systems and matrices ------------------------------------------

TEST_F(PersistTest, CoordinateSystemsAndMatricesKeepTheirValues) {
    const std::string file = path("csys.prt");
    const unsigned part = host::parts::create(file);
    const double origin[3] = {5, -6, 7.25};
    const double axes[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    host::wcs::make_csys(part, origin, axes, false);
    const double tilted[9] = {0.6, 0.8, 0, -0.8, 0.6, 0, 0, 0, 1};
    unsigned loose = 0;
    ES_create_matrix_in_part(part, tilted, 3, &loose);
    ASSERT_EQ(save(part), 0);

    host::control::reset();
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    const std::vector<unsigned> objs = obj::objects_of_part(again);
    ASSERT_EQ(objs.size(), 3u);  // the csys's matrix, the csys, the loose matrix
    const unsigned csys = objs[1];
    double at[3] = {};
    ES_ask_csys_origin(csys, at);
    EXPECT_EQ(std::vector<double>(at, at + 3), std::vector<double>(origin, origin + 3));
    unsigned matrix = 0;
    ES_ask_matrix_tag_of_entity(csys, &matrix);
    EXPECT_EQ(matrix, objs[0]);
    double values[9] = {};
    ES_ask_elements_of_matrix(matrix, values);
    EXPECT_EQ(std::vector<double>(values, values + 9), std::vector<double>(axes, axes + 9));
    ES_ask_elements_of_matrix(objs[2], values);
    EXPECT_EQ(std::vector<double>(values, values + 9), std::vector<double>(tilted, tilted + 9));

    // A file whose coordinate system names something else as its matrix is damaged.
    pf::Writer objs_w;
    objs_w.u32(2);
    for (int type : {HOST_TYPE_CSYS, 3}) {
        objs_w.str("RM_entity_c");
        objs_w.i32(type);
        objs_w.i32(0);
        objs_w.str("");
        objs_w.u32(static_cast<std::uint32_t>(type));
    }
    pf::Writer csys_w;
    csys_w.u32(0);
    csys_w.u32(1);
    csys_w.u32(1);
    for (int i = 0; i < 3; ++i) csys_w.f64(0);
    csys_w.u32(2);  // a line, not a matrix
    pf::Image image;
    image.version = pf::kFormatVersion;
    image.sections = {{"OBJS", objs_w.bytes()}, {"CSYS", csys_w.bytes()}};
    EXPECT_EQ(pf::apply(image, path("bad.prt"), &code), 0u);
    EXPECT_EQ(code, PART_ERR_CORRUPT);
}

// ---- Curve entities ---------------------------------------------------------------

namespace hc = host::curves;

// The bytes of an entity's data, with its matrix as a position among the
// part's objects, so that entities of two sessions compare.
std::string curve_text(unsigned int object, const std::vector<unsigned>& order) {
    const hc::Entity* e = hc::find(object);
    if (!e) return "none";
    std::ostringstream out;
    out.precision(17);
    out << static_cast<int>(e->kind) << ' ';
    for (double v : e->point) out << v << ' ';
    for (double v : e->start()) out << v << ' ';
    for (double v : e->end()) out << v << ' ';
    long m = -1;
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == e->matrix) m = static_cast<long>(i);
    out << "m" << m << ' ';
    for (double v : e->arc()) out << v << ' ';
    out << e->conic_type << ' ';
    for (double v : e->conic()) out << v << ' ';
    if (e->other()) {
        const curve_struct& r = e->other()->record();
        out << "other " << r.type << ' ' << r.start << ' ' << r.span << ' ' << r.periodic;
        for (double t : {0.0, 0.3, 0.77, 1.0}) {
            double p[3];
            hostnum::curve_evaluate(r, 0, r.start + t * r.span, p, nullptr);
            out << ' ' << p[0] << ',' << p[1] << ',' << p[2];
        }
    }
    return out.str();
}

TEST_F(PersistTest, CurveEntitiesKeepTheirDefiningData) {
    const std::string file = path("curves.prt");
    const unsigned part = host::parts::create(file);
    host::parts::set_work_part(part);
    const double p[3] = {1, 2, 3};
    unsigned point = 0;
    ES_create_point(p, &point);
    const double ends[6] = {0, 0, 0, 4, 5, 6};
    unsigned line = 0;
    ES_create_line_in_part(part, ends, &line);
    const double rows[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
    unsigned matrix = 0;
    ES_create_matrix_in_part(part, rows, 3, &matrix);
    const double arc_data[6] = {0.25, 2.5, 1, -1, 0.5, 3};
    unsigned arc = 0;
    ES_create_arc(arc_data, matrix, &arc);
    double values[CONIC_VALUE_COUNT] = {0.25, 1.5, 0.5, 0, 0, 0, 0, 2, 3, 4, 2, 0.6, 0.8};
    unsigned conics[3] = {};
    for (int type : {HOST_CONIC_ELLIPSE, HOST_CONIC_PARABOLA, HOST_CONIC_HYPERBOLA})
        es0600_(&type, values, &matrix, &conics[type - HOST_CONIC_ELLIPSE]);
    // An edge that carries a line, and an object with a spline of its own.
    const unsigned edge = obj::create({OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, 3, part});
    hc::attach_line(edge, p, ends + 3);
    const unsigned holder = obj::create({OM_CLASS_RM_ENTITY, 9, 0, part});
    const double poles[16] = {0, 0, 0, 1, 1, 2, 0, 1, 3, 2, 1, 2, 4, 0, 0, 1};
    const double knots[8] = {0, 0, 0, 0, 1, 1, 1, 1};
    auto spline = hostnum::Curve::spline(4, 4, poles, knots);
    ASSERT_TRUE(spline.has_value());
    hc::attach_curve(holder, *spline);

    std::vector<unsigned> order = obj::objects_of_part(part);
    std::vector<std::string> before;
    for (unsigned t : order) before.push_back(curve_text(t, order));
    ASSERT_EQ(std::count(before.begin(), before.end(), "none"), 1);  // only the matrix has no curve
    ASSERT_EQ(save(part), 0);

    host::control::reset();
    int code = -1;
    const unsigned again = open(file, &code);
    ASSERT_EQ(code, 0);
    order = obj::objects_of_part(again);
    std::vector<std::string> after;
    for (unsigned t : order) after.push_back(curve_text(t, order));
    EXPECT_EQ(after, before);

    // The host's own queries answer from the data read back.
    double q[3] = {};
    ES_ask_coordinates_of_point(order[0], q);
    EXPECT_EQ(std::vector<double>(q, q + 3), std::vector<double>(p, p + 3));
    double a[6] = {};
    ES_ask_data_of_arc(order[3], a);
    EXPECT_EQ(std::vector<double>(a, a + 6), std::vector<double>(arc_data, arc_data + 6));
    EXPECT_EQ(CURVE_ask_matrix_of_entity(order[3]), order[2]);
    EXPECT_EQ(PX_curve_ask_type(order[7]), PX_CURVE_LINE);
}

TEST_F(PersistTest, DamagedCurveRowsAreRefusedWhole) {
    auto image = [](int type, const std::string& row, int subtype = 0) {
        pf::Writer objs;
        objs.u32(2);
        for (int t : {HOST_TYPE_MATRIX, type}) {
            objs.str("RM_entity_c");
            objs.i32(t);
            objs.i32(t == type ? subtype : 0);
            objs.str("");
            objs.u32(static_cast<std::uint32_t>(t));
        }
        pf::Writer crvs;
        crvs.u32(1);
        crvs.u32(2);
        crvs.str(row);
        pf::Image im;
        im.version = pf::kFormatVersion;
        im.sections = {{"OBJS", objs.bytes()}, {"CRVS", crvs.bytes()}};
        return im;
    };
    auto conic = [](std::uint32_t matrix, int conic_type) {
        pf::Writer w;
        w.u8(3);
        w.u32(matrix);
        w.i32(conic_type);
        // From -1 to 1, k1 2 and k2 1, not turned.
        const double values[CONIC_VALUE_COUNT] = {-1, 1, 0, 0, 0, 0, 0, 0, 0, 2, 1, 0, 1};
        for (double v : values) w.f64(v);
        return w.bytes();
    };
    auto other = [](int type) {
        pf::Writer w;
        w.u8(4);
        w.i32(type);
        w.f64(0);
        w.f64(1);
        w.u8(0);
        w.i32(4);  // a spline's pole count ...
        w.i32(4);  // ... and order, with no poles after them
        return w.bytes();
    };
    struct Case {
        const char* what;
        pf::Image image;
    };
    const std::vector<Case> bad = {
        {"unknown kind", image(3, std::string(1, '\x09'))},
        {"matrix out of range", image(6, conic(5, HOST_CONIC_ELLIPSE))},
        {"matrix that is no matrix", image(6, conic(2, HOST_CONIC_ELLIPSE))},
        {"unknown conic type", image(6, conic(1, 7))},
        {"row cut short", image(6, conic(1, HOST_CONIC_ELLIPSE).substr(0, 30))},
        {"unknown curve type", image(9, other(77))},
        {"spline without poles", image(9, other(CURVE_SPLINE))},
    };
    const std::size_t live = obj::live_objects().size();
    for (const Case& c : bad) {
        SCOPED_TRACE(c.what);
        int code = -1;
        EXPECT_EQ(pf::apply(c.image, path("bad.prt"), &code), 0u);
        EXPECT_EQ(code, PART_ERR_CORRUPT);
        EXPECT_EQ(obj::live_objects().size(), live);
    }
    int code = -1;
    const unsigned part =
        pf::apply(image(6, conic(1, HOST_CONIC_PARABOLA) + "later", HOST_CONIC_PARABOLA), path("ok.prt"), &code);
    ASSERT_NE(part, 0u);
    const hc::Entity* e = hc::find(obj::objects_of_part(part)[1]);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->conic_type, HOST_CONIC_PARABOLA);
    EXPECT_EQ(e->matrix, obj::objects_of_part(part)[0]);
}

}  // namespace
