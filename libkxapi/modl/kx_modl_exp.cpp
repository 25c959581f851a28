// Expressions by name in the work part and by tag: create, edit, evaluate,
// rename, delete, files of expressions, splitting an assignment, and an
// expression shown as a dimension.
#include <cstring>
#include <string>

#include "kx_codes.h"
#include "kx_modl_exp.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"
#include "libkxapi/core/kx_util.h"

#include "host/store/entities/entity_store.h"
#include "host/store/parts/parts.h"
#include "host/model/expr/display.h"
#include "host/model/expr/expr.h"
#include "host/base/services/memory.h"

namespace {

constexpr const char* kDimensionMark = "Create dimension from expressions";

// Characters of an assignment that the caller's buffer takes.
constexpr std::size_t kAssignmentChars = KX_MODL_EXP_TEXT - 1;

// The two parts of an assignment as the host splits it, each null when
// absent, freed on every way out.
struct Dissected {
    kx::host_ptr<char> name, formula;
    explicit Dissected(const char* assignment) {
        char* n = nullptr;
        char* f = nullptr;
        EXP_dissect_assignment(assignment, &n, &f);
        name.reset(n);
        formula.reset(f);
    }
    // The formula part; the empty text when there is none, so that the host
    // judges it as a formula.
    const char* formula_text() const { return formula ? formula.get() : ""; }
};

// The work part's expression of the name, 0 for none.
tag exp_of_name(const char* name) { return EXP_ask_exp_of_var(CONTEXT_ask_work_part(), name); }

// The expression of the name in the work part, or 1050007.
int find_by_name(const char* name, tag* exp) {
    *exp = exp_of_name(name);
    return *exp == NULL_TAG ? KX_MODL_ERR_EXP_NOT_FOUND : 0;
}

// The codes of the host's dimension display that the interface answers
// with its own.
int dimension_code(int code) {
    if (code == EXP_DISP_ERR_NO_EXPRESSION) return KX_MODL_ERR_EXPRESSION;
    if (code == EXP_DISP_ERR_NOT_DISPLAYED) return KX_MODL_ERR_EXP_NOT_USED;
    return code;
}

}  // namespace

// ---- By name in the work part --------------------------------------------------

KXAPI int KX_MODL_create_exp(const char* assignment) {
    return kx::frame(
        kx::no_check, [&] { return assignment ? 0 : KX_MODL_ERR_EXPRESSION; },
        [&] {
            unsigned int made = 0;
            return EXP_create_exp(CONTEXT_ask_work_part(), assignment, &made);
        });
}

KXAPI int KX_MODL_delete_exp(const char* name) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{name, 1}});
        },
        [&] {
            tag exp = NULL_TAG;
            if (int st = find_by_name(name, &exp)) return st;
            return EXP_delete_exp(exp);
        });
}

KXAPI int KX_MODL_edit_exp(const char* assignment) {
    return kx::frame(
        kx::no_check, [&] { return assignment ? 0 : KX_MODL_ERR_EXPRESSION; },
        [&] {
            // The split parts are freed after the edit: under a mark, so that
            // a failure there takes the edit back.
            return kx::edit_with_tail([&] {
                const Dissected parts(assignment);
                if (!parts.name) return static_cast<int>(KX_MODL_ERR_EXP_NO_NAME);
                tag exp = NULL_TAG;
                if (int st = find_by_name(parts.name.get(), &exp)) return st;
                return EXP_edit_exp(CONTEXT_ask_work_part(), exp, parts.formula_text());
            });
        });
}

KXAPI int KX_MODL_eval_exp(const char* name, double* value) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{name, 1}, {value, 2}});
        },
        [&] {
            tag exp = NULL_TAG;
            if (int st = find_by_name(name, &exp)) return st;
            return EXP_ask_value_of_exp(exp, value);
        });
}

KXAPI int KX_MODL_ask_exp(const char* name, char assignment[KX_MODL_EXP_TEXT]) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{name, 1}, {assignment, 2}});
        },
        [&] {
            tag exp = NULL_TAG;
            if (int st = find_by_name(name, &exp)) return st;
            char* raw = nullptr;
            if (int st = EXP_ask_assignment_of_exp(exp, &raw)) return st;
            const kx::host_ptr<char> text(raw);
            kx::copy_cut(assignment, text.get(), kAssignmentChars);
            // The buffer holds the interface's assignment text: a longer one
            // is cut there, and the caller is told.
            return std::strlen(text.get()) > kAssignmentChars ? kx::param(2) : 0;
        });
}

KXAPI int KX_MODL_rename_exp(const char* old_name, const char* new_name) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{old_name, 1}, {new_name, 2}});
        },
        [&] {
            tag exp = NULL_TAG;
            if (int st = find_by_name(old_name, &exp)) return st;
            return EXP_rename_exp(exp, new_name);
        });
}

KXAPI int KX_MODL_import_exp(const char* file_name, int mode) {
    return kx::frame(
        kx::no_check,
        [&] {
            if (mode < KX_MODL_EXP_IMPORT_REPLACE || mode > KX_MODL_EXP_IMPORT_DELETE) return kx::param(2);
            return kx::check({{file_name, 1}});
        },
        [&] {
            int made = 0, changed = 0, lines = 0;
            const int answer =
                EXP_import_expressions(CONTEXT_ask_work_part(), mode, file_name, &made, &changed, &lines);
            return answer < 0 ? KX_MODL_ERR_EXP_FILE : answer;
        });
}

KXAPI int KX_MODL_export_exp(const char* file_name) {
    return kx::frame(
        kx::no_check,
        [&] {
            return kx::check({{file_name, 1}});
        },
        [&] {
            const int answer = EXP_export_expressions(CONTEXT_ask_work_part(), 0, file_name, 1);
            if (answer < 0) return static_cast<int>(KX_MODL_ERR_EXP_FILE);
            if (answer > 0) return static_cast<int>(KX_MODL_ERR_EXP_FILE_EXISTS);
            return 0;
        });
}

KXAPI int KX_MODL_is_exp_in_part(tag part_or_object, const char* name, logical* found) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(found);
            return kx::check({{part_or_object != NULL_TAG, 1}, {name, 2}, {found, 3}});
        },
        [&] {
            *found = EXP_ask_exp_of_var(PART_ask_part_of_object(part_or_object), name) != 0;
            return 0;
        });
}

// ---- By tag --------------------------------------------------------------------

KXAPI int KX_MODL_create_exp_tag(const char* assignment, tag* expression) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(expression);
            if (!assignment) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{expression, 2}});
        },
        [&] {
            return kx::create_bracketed(0, expression, [&] {
                const Dissected parts(assignment);
                const unsigned int work = CONTEXT_ask_work_part();
                if (!parts.name) return EXP_create_system_exp_tag(work, parts.formula_text(), expression);
                return EXP_create_exp_tag(work, assignment, expression);
            });
        });
}

KXAPI int KX_MODL_delete_exp_tag(tag expression) {
    return kx::frame(
        kx::no_check, [&] { return expression != NULL_TAG ? 0 : KX_MODL_ERR_EXPRESSION; },
        [&] {
            EXP_delete_exp_tag(expression);
            return 0;
        });
}

KXAPI int KX_MODL_ask_exp_tag_value(tag expression, double* value) {
    return kx::frame(
        kx::no_check,
        [&] {
            if (expression == NULL_TAG) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{value, 2}});
        },
        [&] { return EXP_ask_value_of_exp_tag(expression, value); });
}

KXAPI int KX_MODL_ask_exp_tag_string(tag expression, char** assignment) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(assignment);
            if (expression == NULL_TAG) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{assignment, 2}});
        },
        [&] { return EXP_ask_assignment_of_exp_tag(expression, assignment); });
}

KXAPI int KX_MODL_dissect_exp_string(const char* assignment, char** name, char** formula, tag* expression) {
    unsigned int work = 0;
    return kx::frame(
        kx::standard, kx::before_check([&] {
            work = CONTEXT_ask_work_part();
            return 0;
        }),
        [&] {
            kx::clear(name, formula, expression);
            return kx::check({{name, 2}, {formula, 3}, {expression, 4}});
        },
        [&] {
            // Each text is made before it is handed out, so that a failure
            // leaves the caller with nothing to free.
            if (!assignment) {
                kx::host_ptr<char> n(kx::dup_string(""));
                *formula = kx::dup_string("");
                *name = n.release();
                return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            }
            const Dissected parts(assignment);
            kx::host_ptr<char> n(kx::dup_string(parts.name ? parts.name.get() : ""));
            kx::host_ptr<char> f(kx::dup_string(parts.formula ? parts.formula.get() : ""));
            const tag exp = parts.name ? EXP_ask_exp_tag_of_var(work, parts.name.get()) : NULL_TAG;
            *name = n.release();
            *formula = f.release();
            *expression = exp;
            return 0;
        });
}

KXAPI int KX_MODL_is_geometric_expression(tag expression, logical* geometric) {
    return kx::frame(
        [&] {
            kx::clear(geometric);
            return kx::check({{expression != NULL_TAG, 1}, {geometric, 2}});
        },
        [&] {
            *geometric = EXP_is_geom_exp(expression) != 0;
            return 0;
        });
}

KXAPI int KX_MODL_get_dimension_data(tag expression, int* count, tag** dimensions) {
    const int st = kx::frame(
        kx::acknowledging,
        [&] {
            kx::clear(count, dimensions);
            return kx::check({{expression != NULL_TAG, 1}, {count, 2}, {dimensions, 3}});
        },
        [&] {
            // The dimensions stay as one undo step of the user.
            return kx::undo_bracket(
                1, kDimensionMark,
                [&] { return dimension_code(EXP_DISP_display_expression(expression, count, dimensions)); }, true);
        });
    return dimension_code(st);
}
