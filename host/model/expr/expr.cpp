// The expression service: rows of expressions, formulas read and evaluated
// by muparser, dependencies, renames, files of assignments.
#include "host/model/expr/expr.h"
#include "host/model/expr/rows.h"

#include <muParser.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <sstream>
#include <unordered_map>

#include "host/store/parts/parts.h"
#include "host/base/services/host_messages.h"
#include "host/base/hook.h"
#include "host/kernel/engine/kernel.h"
#include "host/base/model.h"
#include "host/base/services/error.h"
#include "host/base/services/handout.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"

namespace host::expr {
namespace {

constexpr int kExpressionType = 65536;

TagTable<Expression> rows("expressions");

// The next number of a system expression's name, per part.
struct SystemNumbers {
    std::map<tag_t, int> next;
};
SystemNumbers& system_numbers() { return model_state<SystemNumbers>("system expression numbers"); }
const bool registered = (system_numbers(), true);

// ---- the formula language ---------------------------------------------------

constexpr double kDeg = std::numbers::pi / 180;
double dsin(double x) { return std::sin(x * kDeg); }
double dcos(double x) { return std::cos(x * kDeg); }
double dtan(double x) { return std::tan(x * kDeg); }
double dasin(double x) { return std::asin(x) / kDeg; }
double dacos(double x) { return std::acos(x) / kDeg; }
double datan(double x) { return std::atan(x) / kDeg; }
double datan2(double y, double x) { return std::atan2(y, x) / kDeg; }

// One parser per unit of length; the values of the names a formula uses
// are put into slots that the parser's variable factory hands out.
struct Engine {
    mu::Parser parser;
    std::unordered_map<std::string, double> slots;  // nodes never move
    std::set<std::string> reserved;
};

double* slot_of(const char* name, void* data) {
    return &(*static_cast<std::unordered_map<std::string, double>*>(data))[name];
}

Engine& engine(int units) {
    static std::unique_ptr<Engine> engines[2];
    std::unique_ptr<Engine>& e = engines[units == PART_UNITS_INCH ? 1 : 0];
    if (!e) {
        e = std::make_unique<Engine>();
        mu::Parser& p = e->parser;
        p.DefineFun("sin", dsin);
        p.DefineFun("cos", dcos);
        p.DefineFun("tan", dtan);
        p.DefineFun("asin", dasin);
        p.DefineFun("acos", dacos);
        p.DefineFun("atan", datan);
        p.DefineFun("atan2", datan2);
        const double mm = units == PART_UNITS_INCH ? 1 / 25.4 : 1;
        p.DefineConst("pi", std::numbers::pi);
        p.DefineConst("mm", mm);
        p.DefineConst("cm", 10 * mm);
        p.DefineConst("m", 1000 * mm);
        p.DefineConst("inch", 25.4 * mm);
        p.DefineConst("ft", 304.8 * mm);
        p.DefineConst("deg", 1);
        p.DefineConst("rad", 1 / kDeg);
        p.SetVarFactory(slot_of, &e->slots);
        for (const auto& [name, f] : p.GetFunDef()) e->reserved.insert(name);
        for (const auto& [name, v] : p.GetConst()) e->reserved.insert(name);
    }
    return *e;
}

int units_of(tag_t part) {
    const parts::PartState* s = parts::state(part);
    return s ? s->units : PART_UNITS_MM;
}

// The formula's used names, or a code.
int read_formula(int units, const std::string& formula, std::vector<std::string>& names) {
    names.clear();
    if (formula.size() > EXP_MAX_FORMULA_CHARS) return EXP_ERR_TOO_LONG;
    if (formula.find_first_not_of(" \t") == std::string::npos) return EXP_ERR_SYNTAX;
    // No assignments and one result only: '=' alone and ',' outside brackets.
    int depth = 0;
    for (std::size_t i = 0; i < formula.size(); ++i) {
        const char c = formula[i];
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return EXP_ERR_SYNTAX;
        if (c == '(') ++depth;
        if (c == ')') --depth;
        if (c == ',' && depth <= 0) return EXP_ERR_SYNTAX;
        if (c == '"') return EXP_ERR_SYNTAX;
        if (c == '=') {
            const char before = i > 0 ? formula[i - 1] : 0, after = i + 1 < formula.size() ? formula[i + 1] : 0;
            if (after == '=') {
                ++i;
                continue;
            }
            if (before != '<' && before != '>' && before != '!') return EXP_ERR_SYNTAX;
        }
    }
    Engine& e = engine(units);
    try {
        e.parser.SetExpr(formula);
        for (const auto& [name, ptr] : e.parser.GetUsedVar()) names.push_back(name);
    } catch (const mu::Parser::exception_type&) {
        return EXP_ERR_SYNTAX;
    }
    return 0;
}

int evaluate(int units, const std::string& formula, const std::vector<std::pair<std::string, double>>& values,
             double& out) {
    Engine& e = engine(units);
    for (const auto& [name, v] : values) e.slots[name] = v;
    try {
        e.parser.SetExpr(formula);
        out = e.parser.Eval();
        if (e.parser.GetNumResults() != 1) return EXP_ERR_SYNTAX;
    } catch (const mu::Parser::exception_type&) {
        return EXP_ERR_SYNTAX;
    }
    return std::isfinite(out) ? 0 : EXP_ERR_NOT_FINITE;
}

bool is_identifier_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_identifier_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int check_name(int units, const std::string& name) {
    if (name.size() > EXP_MAX_NAME_CHARS) return EXP_ERR_TOO_LONG;
    if (name.empty() || !is_identifier_start(name[0])) return EXP_ERR_BAD_NAME;
    for (char c : name)
        if (!is_identifier_char(c)) return EXP_ERR_BAD_NAME;
    if (engine(units).reserved.count(name)) return EXP_ERR_RESERVED_NAME;
    return 0;
}

// ---- rows -------------------------------------------------------------------

bool is_expression(tag_t t) {
    const objects::Object* o = objects::find(t);
    return o && o->cls == OM_CLASS_EXPRESSION;
}

const Expression& require(const Call& call, tag_t exp) {
    const Expression* e = is_expression(exp) ? rows.find(exp) : nullptr;
    if (!e) call.fail(EXP_ERR_NOT_FOUND, "tag %u is no expression", exp);
    return *e;
}

tag_t require_part(const Call& call, tag_t part) {
    const objects::Object* o = objects::find(part);
    if (!o || o->cls != OM_CLASS_PART) call.fail(FEAT_ERR_NOT_A_PART, "tag %u is no part", part);
    return part;
}

tag_t part_of(tag_t exp) { return objects::require(exp).part; }

// Resolves names to expressions of the part; a name of `self` is a cycle.
int resolve(tag_t part, const std::vector<std::string>& names, tag_t self, const std::string& self_name,
            std::vector<tag_t>& uses) {
    uses.clear();
    for (const std::string& n : names) {
        if (!self_name.empty() && n == self_name) return EXP_ERR_CYCLE;
        const tag_t t = lookup(part, n);
        if (t == 0) return EXP_ERR_UNKNOWN_NAME;
        if (t == self) return EXP_ERR_CYCLE;
        uses.push_back(t);
    }
    return 0;
}

// True when `target` can be reached from `from` along the uses.
bool reaches(const std::vector<tag_t>& from, tag_t target) {
    std::vector<tag_t> stack(from);
    std::set<tag_t> seen;
    while (!stack.empty()) {
        const tag_t t = stack.back();
        stack.pop_back();
        if (t == target) return true;
        if (!seen.insert(t).second) continue;
        if (const Expression* e = rows.find(t)) stack.insert(stack.end(), e->uses.begin(), e->uses.end());
    }
    return false;
}

int compute(tag_t exp, double& out) {
    const Expression& e = *rows.find(exp);
    if (e.measure) {
        out = e.value;
        return 0;
    }
    std::vector<std::pair<std::string, double>> values;
    values.reserve(e.uses.size());
    for (tag_t u : e.uses) {
        const Expression* x = rows.find(u);
        values.emplace_back(x->name, x->value);
    }
    return evaluate(units_of(part_of(exp)), e.formula, values, out);
}

// The expressions that depend on `roots` (not the roots), in an order in
// which each comes after everything it uses.
std::vector<tag_t> dependents(tag_t part, const std::vector<tag_t>& roots) {
    std::unordered_map<tag_t, std::vector<tag_t>> users;
    for (tag_t t : of_part(part))
        for (tag_t u : rows.find(t)->uses) users[u].push_back(t);
    std::set<tag_t> reached;
    std::vector<tag_t> stack(roots);
    while (!stack.empty()) {
        const tag_t t = stack.back();
        stack.pop_back();
        for (tag_t u : users[t])
            if (reached.insert(u).second) stack.push_back(u);
    }
    std::unordered_map<tag_t, int> waiting;
    for (tag_t t : reached)
        for (tag_t u : rows.find(t)->uses)
            if (reached.count(u)) ++waiting[t];
    std::vector<tag_t> order, ready;
    for (tag_t t : reached)
        if (waiting[t] == 0) ready.push_back(t);
    while (!ready.empty()) {
        const tag_t t = ready.back();
        ready.pop_back();
        order.push_back(t);
        for (tag_t u : users[t])
            if (reached.count(u) && --waiting[u] == 0) ready.push_back(u);
    }
    return order;
}

// Evaluates the roots' dependents again; a code when one fails.
int propagate(tag_t part, const std::vector<tag_t>& roots) {
    for (tag_t t : dependents(part, roots)) {
        double v = 0;
        if (int code = compute(t, v)) return code;
        if (rows.find(t)->value != v) rows.edit(t)->value = v;
    }
    return 0;
}

// Runs a change of the expressions; on a code everything goes back.
template <class F>
int all_or_nothing(F&& change) {
    const ModelSnapshot before = snapshot_model();
    int code = 0;
    try {
        code = change();
    } catch (...) {
        restore_model(before);
        throw;
    }
    if (code != 0) restore_model(before);
    return code;
}

int make(tag_t part, std::string name, const std::string& formula, bool system, bool constant, tag_t* out) {
    const int units = units_of(part);
    if (system) {
        int& n = system_numbers().next[part];
        do name = "p" + std::to_string(n++);
        while (lookup(part, name) != 0);
    } else {
        if (int code = check_name(units, name)) return code;
        if (lookup(part, name) != 0) return EXP_ERR_DUPLICATE;
    }
    std::vector<std::string> names;
    if (int code = read_formula(units, formula, names)) return code;
    std::vector<tag_t> uses;
    if (int code = resolve(part, names, 0, name, uses)) return code;
    // A new expression is used by none: it closes no cycle.
    std::vector<std::pair<std::string, double>> values;
    for (tag_t u : uses) values.emplace_back(rows.find(u)->name, rows.find(u)->value);
    double v = 0;
    if (int code = evaluate(units, formula, values, v)) return code;
    const tag_t t = objects::create({OM_CLASS_EXPRESSION, kExpressionType, 0, part, name});
    Expression& e = rows[t];
    e.name = std::move(name);
    e.formula = formula;
    e.value = v;
    e.system = system;
    e.constant = constant;
    e.uses = std::move(uses);
    if (out) *out = t;
    return 0;
}

int change_formula(tag_t exp, const std::string& formula) {
    const Expression& e = *rows.find(exp);
    if (e.measure) return EXP_ERR_NOT_EDITABLE;
    const tag_t part = part_of(exp);
    std::vector<std::string> names;
    if (int code = read_formula(units_of(part), formula, names)) return code;
    std::vector<tag_t> uses;
    if (int code = resolve(part, names, exp, e.name, uses)) return code;
    if (reaches(uses, exp)) return EXP_ERR_CYCLE;
    return all_or_nothing([&] {
        Expression& w = *rows.edit(exp);
        w.formula = formula;
        w.uses = uses;
        double v = 0;
        if (int code = compute(exp, v)) return code;
        rows.edit(exp)->value = v;
        return propagate(part, {exp});
    });
}

bool used(tag_t exp) {
    const tag_t part = part_of(exp);
    for (tag_t t : of_part(part)) {
        const Expression* e = rows.find(t);
        if (std::find(e->uses.begin(), e->uses.end(), exp) != e->uses.end()) return true;
    }
    return !users_of({exp}).empty();
}

int remove(tag_t exp) {
    if (used(exp)) return EXP_ERR_IN_USE;
    objects::destroy(exp);
    return 0;
}

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    const std::size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

// Splits an assignment; has_name false when there is no name part.
void dissect(const std::string& text, bool& has_name, std::string& name, std::string& formula) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') continue;
        const char before = i > 0 ? text[i - 1] : 0, after = i + 1 < text.size() ? text[i + 1] : 0;
        if (after == '=') {
            ++i;
            continue;
        }
        if (before == '<' || before == '>' || before == '!') continue;
        has_name = true;
        name = trim(text.substr(0, i));
        formula = trim(text.substr(i + 1));
        return;
    }
    has_name = false;
    name.clear();
    formula = trim(text);
}

double measure(const Call& call, int kind, const std::vector<tag_t>& objs) {
    std::vector<int> k;
    for (tag_t o : objs) {
        const int e = kernel::entity_of(o);
        if (e == 0) call.fail(EXP_ERR_NO_MEASURE, "object %u is no face or edge of a body", o);
        k.push_back(e);
    }
    const auto direction = [&](int entity, double d[3]) {
        int cls = 0, type = 0;
        double p[3], r = 0, r2 = 0;
        ZQ_ENTITY_ask_class(entity, &cls);
        if (cls == ZQ_CLASS_FACE) {
            int sense = 1;
            ZQ_FACE_ask_data(entity, &type, p, d, &r, &r2, &sense);
            if (type != ZQ_SURF_PLANE) call.fail(EXP_ERR_NO_MEASURE, "face %d is not planar", entity);
            for (int i = 0; i < 3; ++i) d[i] *= sense;
        } else {
            ZQ_EDGE_ask_curve_data(entity, &type, p, d, &r);
            if (type != ZQ_CURVE_LINE) call.fail(EXP_ERR_NO_MEASURE, "edge %d is not straight", entity);
        }
    };
    switch (kind) {
        case EXP_MEASURE_DISTANCE: {
            double d = 0, a[3], b[3];
            ZQ_ENTITY_ask_min_distance(k[0], k[1], &d, a, b);
            return d;
        }
        case EXP_MEASURE_LENGTH: {
            double l = 0;
            ZQ_EDGE_ask_length(k[0], &l);
            return l;
        }
        default: {
            double a[3], b[3];
            direction(k[0], a);
            direction(k[1], b);
            const double na = std::hypot(a[0], a[1], a[2]), nb = std::hypot(b[0], b[1], b[2]);
            const double c = std::clamp((a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / (na * nb), -1.0, 1.0);
            return std::acos(c) / kDeg;
        }
    }
}

std::string format_value(double v) {
    char text[EXP_VALUE_CHARS];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

char** string_array(const std::vector<std::string>& v) {
    if (v.empty()) return nullptr;
    auto** out = static_cast<char**>(SM_alloc(v.size() * sizeof(char*)));
    for (std::size_t i = 0; i < v.size(); ++i) out[i] = SM_string_copy(v[i].c_str());
    return out;
}

void tag_array(const std::vector<tag_t>& v, int* count, tag_t** out) {
    *count = static_cast<int>(v.size());
    *out = nullptr;
    if (v.empty()) return;
    *out = static_cast<tag_t*>(SM_alloc(v.size() * sizeof(tag_t)));
    std::copy(v.begin(), v.end(), *out);
}

}  // namespace

const Expression* find(tag_t exp) { return is_expression(exp) ? rows.find(exp) : nullptr; }

double value(tag_t exp) {
    const Expression* e = find(exp);
    return e ? e->value : 0;
}

std::string assignment(tag_t exp) {
    const Expression* e = find(exp);
    return e ? e->name + "=" + e->formula : std::string();
}

std::vector<tag_t> of_part(tag_t part) {
    std::vector<tag_t> out;
    for (tag_t t =
             objects::next_of_part(part, 0, [](const objects::Object& o) { return o.cls == OM_CLASS_EXPRESSION; });
         t != 0;
         t = objects::next_of_part(part, t, [](const objects::Object& o) { return o.cls == OM_CLASS_EXPRESSION; }))
        if (rows.find(t)) out.push_back(t);
    return out;
}

tag_t lookup(tag_t part, const std::string& name) {
    if (name.empty()) return 0;
    const auto exact = [&](const objects::Object& o) {
        const Expression* e = o.cls == OM_CLASS_EXPRESSION ? rows.find(o.tag) : nullptr;
        return e && e->name == name;
    };
    return objects::next_named(part, name, 0, exact);
}

int create_system(tag_t part, const std::string& formula, tag_t* exp, bool constant) {
    return make(part, {}, formula, true, constant, exp);
}

int create(tag_t part, const std::string& name, const std::string& formula, tag_t* exp) {
    return make(part, name, formula, false, false, exp);
}

int edit(tag_t exp, const std::string& formula) {
    if (!find(exp)) return EXP_ERR_NOT_FOUND;
    return change_formula(exp, formula);
}

void remeasure(tag_t part) {
    const Call call("EXP_remeasure", nullptr);
    std::vector<tag_t> changed;
    for (tag_t t : of_part(part)) {
        const Expression* e = rows.find(t);
        if (!e->measure) continue;
        const double v = measure(call, e->measure, e->measured);
        if (v == e->value) continue;
        Expression& w = *rows.edit(t);
        w.value = v;
        w.formula = format_value(v);
        changed.push_back(t);
    }
    if (changed.empty()) return;
    if (int code = propagate(part, changed)) call.fail(code, "an expression using a measured value fails");
}

int set_measured(tag_t exp, const std::vector<tag_t>& objects) {
    const Call call("EXP_set_measured", nullptr);
    const Expression* e = find(exp);
    if (!e || !e->measure) return EXP_ERR_NOT_FOUND;
    if (objects.size() != e->measured.size()) return HOST_ERR_BAD_ARGUMENT;
    for (tag_t o : objects)
        if (kernel::entity_of(o) == 0) return EXP_ERR_NO_MEASURE;
    const int kind = e->measure;
    const tag_t part = objects::require(exp).part;
    return all_or_nothing([&] {
        // The measure runs under a frame of its own: an error of the kernel
        // (or a refusal of the objects) becomes "cannot be measured" here
        // and leaves the caller's frame armed.
        double v = 0;
        if (caught([&] { v = measure(call, kind, objects); }) != 0) return static_cast<int>(EXP_ERR_NO_MEASURE);
        Expression& w = *rows.edit(exp);
        w.measured = objects;
        w.value = v;
        w.formula = format_value(v);
        return propagate(part, {exp});
    });
}

std::string rename_in(const std::string& formula, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t i = 0;
    while (i < formula.size()) {
        if (is_identifier_start(formula[i]) &&
            (i == 0 || !(is_identifier_char(formula[i - 1]) || formula[i - 1] == '.'))) {
            std::size_t j = i;
            while (j < formula.size() && is_identifier_char(formula[j])) ++j;
            const std::string word = formula.substr(i, j - i);
            out += word == from ? to : word;
            i = j;
        } else {
            out += formula[i++];
        }
    }
    return out;
}

namespace detail {

int check_name(tag_t part, const std::string& name) { return expr::check_name(units_of(part), name); }

int read(tag_t part, const std::string& formula, std::vector<std::string>& names) {
    return read_formula(units_of(part), formula, names);
}

int value_of(tag_t part, const std::string& formula, const std::vector<std::pair<std::string, double>>& values,
             double& out) {
    return evaluate(units_of(part), formula, values, out);
}

void store(tag_t exp, Expression row) { rows[exp] = std::move(row); }

void renumber_system(tag_t part) {
    int next = 0;
    for (tag_t t : of_part(part)) {
        const std::string& n = rows.find(t)->name;
        if (n.size() > 1 && n.size() < 10 && n[0] == 'p' && n.find_first_not_of("0123456789", 1) == std::string::npos)
            next = std::max(next, std::stoi(n.substr(1)) + 1);
    }
    system_numbers().next[part] = next;
}

}  // namespace detail

namespace {
UsersQuery g_users = nullptr;
}  // namespace

void set_users_query(UsersQuery query) { g_users = query; }

std::vector<tag_t> users_of(const std::vector<tag_t>& exps) {
    return g_users != nullptr ? g_users(exps) : std::vector<tag_t>{};
}

}  // namespace host::expr

namespace he = host::expr;

// The texts of the expression service's codes.
HOST_CODE_TEXTS(HOST_EXPR_CODES);

namespace {

int create_named(const host::Call& call, unsigned int part, const char* assignment, unsigned int* exp,
                 bool system_when_unnamed) {
    call.need(assignment, "the assignment");
    if (exp) *exp = 0;
    he::require_part(call, part);
    if (std::strlen(assignment) > EXP_MAX_FORMULA_CHARS + EXP_MAX_NAME_CHARS + 1) return EXP_ERR_TOO_LONG;
    bool has_name = false;
    std::string name, formula;
    he::dissect(assignment, has_name, name, formula);
    if (!has_name) return system_when_unnamed ? he::create_system(part, formula, exp) : EXP_ERR_NO_NAME;
    return he::create(part, name, formula, exp);
}

}  // namespace

extern "C" {

int EXP_create_exp(unsigned int part, const char* assignment, unsigned int* exp) {
    auto call = HOST_ENTRY_TEXT(assignment, part, exp);
    int status;
    if (call.status(status)) return status;
    return create_named(call, part, assignment, exp, false);
}

int EXP_create_exp_tag(unsigned int part, const char* assignment, unsigned int* exp) {
    auto call = HOST_ENTRY_TEXT(assignment, part, exp);
    int status;
    if (call.status(status)) return status;
    return create_named(call, part, assignment, exp, false);
}

int EXP_create_system_exp(unsigned int part, const char* formula, unsigned int* exp) {
    auto call = HOST_ENTRY_TEXT(formula, part, exp);
    int status;
    if (call.status(status)) return status;
    call.need(formula, "the formula");
    if (exp) *exp = 0;
    he::require_part(call, part);
    return he::create_system(part, formula, exp);
}

int EXP_create_system_exp_tag(unsigned int part, const char* formula, unsigned int* exp) {
    auto call = HOST_ENTRY_TEXT(formula, part, exp);
    int status;
    if (call.status(status)) return status;
    call.need(formula, "the formula");
    if (exp) *exp = 0;
    he::require_part(call, part);
    return he::create_system(part, formula, exp);
}

int EXP_create_geometric_exp(unsigned int part, const char* name, int measure, int count, const unsigned int* objects,
                             unsigned int* exp) {
    auto call = HOST_ENTRY_TEXT(name, part, measure, count, objects);
    call.need(exp, "the expression output");
    *exp = 0;
    he::require_part(call, part);
    const int needed = measure == EXP_MEASURE_LENGTH ? 1 : 2;
    if (measure < EXP_MEASURE_DISTANCE || measure > EXP_MEASURE_ANGLE || count != needed)
        call.fail(HOST_ERR_BAD_ARGUMENT, "measure %d of %d objects", measure, count);
    call.need(objects, "the objects");
    std::vector<unsigned int> measured(objects, objects + count);
    for (unsigned int o : measured)
        if (host::kernel::entity_of(o) == 0) return EXP_ERR_NO_MEASURE;
    return he::all_or_nothing([&] {
        // Under a frame of its own, as in set_measured.
        double v = 0;
        if (host::caught([&] { v = he::measure(call, measure, measured); }) != 0)
            return static_cast<int>(EXP_ERR_NO_MEASURE);
        const std::string value = he::format_value(v);
        int code = name ? he::create(part, name, value, exp) : he::create_system(part, value, exp);
        if (code != 0) return code;
        he::Expression& w = *he::rows.edit(*exp);
        w.measure = measure;
        w.measured = measured;
        w.value = v;
        return 0;
    });
}

int EXP_delete_exp(unsigned int exp) {
    auto call = HOST_ENTRY(exp);
    int status;
    if (call.status(status)) return status;
    if (!he::find(exp)) return EXP_ERR_NOT_FOUND;
    return he::remove(exp);
}

void EXP_delete_exp_tag(unsigned int exp) {
    auto call = HOST_ENTRY(exp);
    he::require(call, exp);
    if (int code = he::remove(exp)) call.fail(code, "expression %u is in use", exp);
}

int EXP_edit_exp(unsigned int part, unsigned int exp, const char* formula) {
    auto call = HOST_ENTRY_TEXT(formula, part, exp);
    int status;
    if (call.status(status)) return status;
    call.need(formula, "the formula");
    if (!he::find(exp)) return EXP_ERR_NOT_FOUND;
    if (part != 0 && he::part_of(exp) != part) return EXP_ERR_NOT_FOUND;
    return he::change_formula(exp, he::trim(formula));
}

int EXP_rename_exp(unsigned int exp, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, exp);
    int status;
    if (call.status(status)) return status;
    call.need(name, "the new name");
    const he::Expression* e = he::find(exp);
    if (!e) return EXP_ERR_NOT_FOUND;
    const unsigned int part = he::part_of(exp);
    const std::string old = e->name, now = name;
    if (now == old) return 0;
    if (int code = he::check_name(he::units_of(part), now)) return code;
    if (he::lookup(part, now) != 0) return EXP_ERR_DUPLICATE;
    for (unsigned int t : he::of_part(part)) {
        const he::Expression* x = he::rows.find(t);
        if (std::find(x->uses.begin(), x->uses.end(), exp) == x->uses.end()) continue;
        he::Expression& w = *he::rows.edit(t);
        w.formula = he::rename_in(w.formula, old, now);
    }
    he::rows.edit(exp)->name = now;
    host::objects::set_name(exp, now);
    return 0;
}

unsigned int EXP_ask_exp_of_var(unsigned int part, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, part);
    call.need(name, "the name");
    return he::lookup(part, name);
}

unsigned int EXP_ask_exp_tag_of_var(unsigned int part, const char* name) {
    auto call = HOST_ENTRY_TEXT(name, part);
    call.need(name, "the name");
    return he::lookup(part, name);
}

int EXP_ask_value_of_exp(unsigned int exp, double* value) {
    auto call = HOST_ENTRY(exp, value);
    call.need(value, "the value output");
    *value = he::require(call, exp).value;
    return 0;
}

int EXP_ask_value_of_exp_tag(unsigned int exp, double* value) {
    auto call = HOST_ENTRY(exp, value);
    call.need(value, "the value output");
    *value = he::require(call, exp).value;
    return 0;
}

int EXP_ask_assignment_of_exp(unsigned int exp, char** assignment) {
    auto call = HOST_ENTRY(exp, assignment);
    call.need(assignment, "the assignment output");
    he::require(call, exp);
    *assignment = SM_string_copy(he::assignment(exp).c_str());
    return 0;
}

int EXP_ask_assignment_of_exp_tag(unsigned int exp, char** assignment) {
    auto call = HOST_ENTRY(exp, assignment);
    call.need(assignment, "the assignment output");
    he::require(call, exp);
    *assignment = SM_string_copy(he::assignment(exp).c_str());
    return 0;
}

int EXP_ask_exp_str_of_exp(unsigned int exp, char** formula) {
    auto call = HOST_ENTRY(exp, formula);
    call.need(formula, "the formula output");
    *formula = SM_string_copy(he::require(call, exp).formula.c_str());
    return 0;
}

int EXP_ask_value_of_exp_str(unsigned int part, const char* formula, double* value) {
    auto call = HOST_ENTRY_TEXT(formula, part, value);
    call.need(formula, "the formula");
    call.need(value, "the value output");
    *value = 0;
    he::require_part(call, part);
    std::vector<std::string> names;
    if (int code = he::read_formula(he::units_of(part), formula, names)) return code;
    std::vector<unsigned int> uses;
    if (int code = he::resolve(part, names, 0, {}, uses)) return code;
    std::vector<std::pair<std::string, double>> values;
    for (unsigned int u : uses) values.emplace_back(he::rows.find(u)->name, he::rows.find(u)->value);
    double v = 0;
    if (int code = he::evaluate(he::units_of(part), formula, values, v)) return code;
    *value = v;
    return 0;
}

int EXP_ask_vars_of_exp_str(unsigned int part, const char* formula, int* count, char*** names) {
    auto call = HOST_ENTRY_TEXT(formula, part, count, names);
    call.need(formula, "the formula");
    call.need(count, "the count output");
    call.need(names, "the names output");
    *count = 0;
    *names = nullptr;
    std::vector<std::string> found;
    if (int code = he::read_formula(he::units_of(part), formula, found)) return code;
    *count = static_cast<int>(found.size());
    *names = he::string_array(found);
    return 0;
}

int EXP_is_valid_syntax(const char* formula) {
    auto call = HOST_ENTRY_TEXT(formula);
    call.need(formula, "the formula");
    std::vector<std::string> names;
    return he::read_formula(PART_UNITS_MM, formula, names) == 0;
}

void EXP_format_value(double value, char text[EXP_VALUE_CHARS]) {
    auto call = HOST_ENTRY(value, text);
    call.need(text, "the text output");
    std::snprintf(text, EXP_VALUE_CHARS, "%.15g", value);
}

void EXP_dissect_assignment(const char* assignment, char** name, char** formula) {
    auto call = HOST_ENTRY_TEXT(assignment, name, formula);
    call.need(assignment, "the assignment");
    call.need(name, "the name output");
    call.need(formula, "the formula output");
    bool has_name = false;
    std::string n, f;
    he::dissect(assignment, has_name, n, f);
    host::memory::Handout out;
    char* const name_part = has_name ? out.text(n) : nullptr;
    char* const formula_part = f.empty() ? nullptr : out.text(f);
    out.done();
    *name = name_part;
    *formula = formula_part;
}

int EXP_is_a_system_exp(unsigned int exp) {
    auto call = HOST_ENTRY(exp);
    return he::require(call, exp).system ? 1 : 0;
}

int EXP_is_const_exp(unsigned int exp) {
    auto call = HOST_ENTRY(exp);
    return he::require(call, exp).constant ? 1 : 0;
}

int EXP_is_geom_exp(unsigned int exp) {
    auto call = HOST_ENTRY(exp);
    return he::require(call, exp).measure != 0 ? 1 : 0;
}

void EXP_ask_exps(unsigned int part, int* count, unsigned int** exps) {
    auto call = HOST_ENTRY(part, count, exps);
    call.need(count, "the count output");
    call.need(exps, "the expressions output");
    he::require_part(call, part);
    he::tag_array(he::of_part(part), count, exps);
}

int EXP_ask_features_of_exp(unsigned int exp, int* count, unsigned int** features) {
    auto call = HOST_ENTRY(exp, count, features);
    call.need(count, "the count output");
    call.need(features, "the features output");
    he::require(call, exp);
    he::tag_array(he::users_of({exp}), count, features);
    return 0;
}

void EXP_ask_refs_of_exp(unsigned int exp, int cls, int* count, unsigned int** refs) {
    auto call = HOST_ENTRY(exp, cls, count, refs);
    call.need(count, "the count output");
    call.need(refs, "the references output");
    he::require(call, exp);
    std::vector<unsigned int> out;
    if (host::objects::is_subclass(OM_CLASS_EXPRESSION, cls))
        for (unsigned int t : he::of_part(he::part_of(exp))) {
            const he::Expression* x = he::rows.find(t);
            if (std::find(x->uses.begin(), x->uses.end(), exp) != x->uses.end()) out.push_back(t);
        }
    if (host::objects::is_subclass(OM_CLASS_FEATURE, cls))
        for (unsigned int f : he::users_of({exp})) out.push_back(f);
    he::tag_array(out, count, refs);
}

int EXP_import_expressions(unsigned int part, int mode, const char* file, int* made, int* changed, int* lines) {
    auto call = HOST_ENTRY_TEXT(file, part, mode, made, changed);
    int status;
    if (call.status(status)) return status;
    call.need(file, "the file name");
    call.need(made, "the made output");
    call.need(changed, "the changed output");
    call.need(lines, "the lines output");
    *made = *changed = *lines = 0;
    he::require_part(call, part);
    if (mode < EXP_IMPORT_REPLACE || mode > EXP_IMPORT_DELETE)
        call.fail(HOST_ERR_BAD_ARGUMENT, "import mode %d is none of 0 to 2", mode);
    std::ifstream in(file);
    if (!in) return -1;
    std::vector<std::pair<std::string, std::string>> assignments;
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = he::trim(line);
        if (text.empty() || text.rfind("//", 0) == 0) continue;
        bool has_name = false;
        std::string name, formula;
        he::dissect(text, has_name, name, formula);
        if (!has_name) return EXP_ERR_BAD_FILE_LINE;
        assignments.emplace_back(name, formula);
    }
    if (in.bad()) return -1;
    int n_made = 0, n_changed = 0;
    const int code = he::all_or_nothing([&] {
        if (mode == EXP_IMPORT_DELETE) {
            for (const auto& [name, formula] : assignments)
                if (unsigned int t = he::lookup(part, name)) {
                    if (int c = he::remove(t)) return c;
                    ++n_changed;
                }
            return 0;
        }
        // Every new name first, so that the formulas may name each other in
        // any order; then the formulas, in the file's order.
        std::vector<std::pair<unsigned int, std::string>> todo;
        for (const auto& [name, formula] : assignments) {
            unsigned int t = he::lookup(part, name);
            if (t != 0 && mode == EXP_IMPORT_KEEP) continue;
            if (t == 0) {
                if (int c = he::create(part, name, "0", &t)) return c;
                ++n_made;
            } else {
                ++n_changed;
            }
            todo.emplace_back(t, formula);
        }
        for (const auto& [t, formula] : todo)
            if (int c = he::change_formula(t, formula)) return c;
        return 0;
    });
    if (code != 0) return code;
    *made = n_made;
    *changed = n_changed;
    *lines = static_cast<int>(assignments.size());
    return 0;
}

int EXP_export_expressions(unsigned int part, int kind, const char* file, int overwrite) {
    auto call = HOST_ENTRY_TEXT(file, part, kind, overwrite);
    int status;
    if (call.status(status)) return status;
    call.need(file, "the file name");
    he::require_part(call, part);
    if (!overwrite && std::ifstream(file)) return 1;
    std::ostringstream out;
    const char* filename = PART_ask_filename_of_part(part);
    out << "// expressions of " << (filename ? filename : "") << "\n";
    SM_free(const_cast<char*>(filename));
    for (unsigned int t : he::of_part(part)) {
        const he::Expression* e = he::rows.find(t);
        if ((e->system && kind != 1) || e->measure) continue;
        out << e->name << '=' << e->formula << '\n';
    }
    std::ofstream f(file, std::ios::trunc);
    if (!f || !(f << out.str()) || !f.flush()) return -1;
    return 0;
}

}  // extern "C"
