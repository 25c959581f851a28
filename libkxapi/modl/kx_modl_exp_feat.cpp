// Expressions and features: the expressions a feature offers with its
// descriptors, its positioning expressions and system expressions, the
// expressions of a part, the features of an expression, the feature that
// owns one and the descriptor it gives it.
#include <string>
#include <utility>
#include <vector>

#include "kx_codes.h"
#include "kx_modl_exp.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_util.h"
#include "libkxapi/modl/kx_modl_feature_ask.h"

#include "host/store/entities/entity_store.h"
#include "host/model/expr/expr.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/positioning.h"
#include "host/base/services/memory.h"
#include "host/base/services/objects.h"
#include "host/base/services/sets.h"

namespace {

using kx::modl::not_a_feature;

// An array of host texts (SM_alloc'd texts in an SM_alloc'd array) owned
// for the length of a call.
struct HostTexts {
    char** texts = nullptr;
    int count = 0;
    HostTexts() = default;
    HostTexts(const HostTexts&) = delete;
    HostTexts& operator=(const HostTexts&) = delete;
    ~HostTexts() {
        if (!texts) return;
        kx::release([this] {
            for (int i = 0; i < count; ++i)
                if (texts[i]) SM_free(texts[i]);
            SM_free(texts);
        });
    }
};

// A set of the host: deleted by close() as a step of the work (its error
// is the caller's), and on the way out of a failure before that.
struct HostSet {
    int id = OM_create_set();
    bool open = true;
    HostSet() = default;
    HostSet(const HostSet&) = delete;
    HostSet& operator=(const HostSet&) = delete;
    void close() {
        open = false;
        OM_delete_set(id);
    }
    ~HostSet() {
        if (open) kx::release([id = id] { OM_delete_set(id); });
    }
};

// The first system expression that a positioning constraint holds, or
// NULL_TAG: a constraint that refers to nothing holds none for the user.
tag system_exp_of_constraint(tag constraint) {
    if (RPO_ask_constraint_target(constraint) == NULL_TAG) return NULL_TAG;
    HostSet set;
    extract_system_exp_from_parm_constraint(constraint, set.id);
    int n = 0;
    unsigned int* raw = nullptr;
    OM_flatten_set(set.id, &n, &raw);
    const kx::host_ptr<unsigned int> objects(raw);
    tag found = NULL_TAG;
    for (int i = 0; i < n && found == NULL_TAG; ++i)
        if (EXP_is_a_system_exp(objects.get()[i])) found = objects.get()[i];
    set.close();
    return found;
}

// The expression the feature offers for one of its objects, or NULL_TAG
// when it offers none there: an expression unless it is a constant, the
// system expression of a positioning constraint, nothing for the rest.
tag offered(tag object) {
    const OM_class_t cls = OM_ask_class(object);
    if (OM_is_subclass(cls, OM_CLASS_EXPRESSION)) return EXP_is_const_exp(object) ? NULL_TAG : object;
    const OM_class_t constraint = OM_ask_class_of_name(RPO_CONSTRAINT_CLASS_NAME);
    if (constraint != 0 && OM_is_subclass(cls, constraint)) return system_exp_of_constraint(object);
    return NULL_TAG;
}

// The feature whose expressions are asked: an instance at (0, 0) of an
// instance set stands for the set's initial master.
tag record_of(tag feature) {
    int row = 0, column = 0;
    if (ISET_ask_instance_position(feature, &row, &column) && row == 0 && column == 0) {
        const tag master = ISET_ask_initial_master_of_ins(feature);
        if (master != NULL_TAG) return master;
    }
    return feature;
}

struct Described {
    std::vector<tag> exps;
    std::vector<std::string> descriptors;
};

// The expressions the feature offers, in order, with their descriptors;
// the host's answer is the status.
int offered_of_feature(tag feature, Described& out) {
    unsigned int* raw = nullptr;
    HostTexts texts;
    const int st = FMI_invoke_ask_exps(record_of(feature), &raw, &texts.texts, &texts.count);
    const kx::host_ptr<unsigned int> objects(raw);
    for (int i = 0; objects && i < texts.count; ++i) {
        const tag exp = offered(objects.get()[i]);
        if (exp == NULL_TAG) continue;
        out.exps.push_back(exp);
        out.descriptors.emplace_back(texts.texts && texts.texts[i] ? texts.texts[i] : "");
    }
    return st;
}

// The one feature that refers to the expression, NULL_TAG for none or
// several.
tag owning_feature(tag exp) {
    int n = 0;
    unsigned int* raw = nullptr;
    EXP_ask_refs_of_exp(exp, OM_CLASS_FEATURE, &n, &raw);
    const kx::host_ptr<unsigned int> refs(raw);
    return n == 1 ? refs.get()[0] : NULL_TAG;
}

// Clears the three outputs of a descriptor query, then refuses a tag that
// is no feature and null outputs.
int described_prologue(tag feature, int* count, char*** descriptors, tag** exps) {
    kx::clear(count, descriptors, exps);
    if (int st = not_a_feature(feature)) return st;
    return kx::check({{count, 2}, {descriptors, 3}, {exps, 4}});
}

int exp_desc_of_feat(tag feature, int* count, char*** descriptors, tag** exps) {
    return kx::frame(
        kx::no_check, [&] { return described_prologue(feature, count, descriptors, exps); },
        [&] {
            Described found;
            const int st = offered_of_feature(feature, found);
            if (!found.exps.empty()) {
                kx::host_ptr<tag> tags(kx::copy_array<tag>(found.exps));
                *descriptors = kx::string_array(found.descriptors);
                *exps = tags.release();
                *count = static_cast<int>(found.exps.size());
            }
            return st;
        });
}

int rpo_desc_of_feat(tag feature, int* count, char*** descriptors, tag** exps) {
    return kx::frame(
        kx::no_check, [&] { return described_prologue(feature, count, descriptors, exps); },
        [&] {
            int n = 0;
            void** raw = nullptr;
            HostTexts texts;
            RPO_ask_exp_desc_of_frec(feature, &n, &texts.texts, &raw);
            texts.count = n;
            const kx::host_ptr<void*> objects(raw);
            if (n <= 0) return 0;
            kx::host_ptr<tag> tags(kx::alloc_array<tag>(static_cast<std::size_t>(n)));
            for (int i = 0; i < n; ++i) tags.get()[i] = OM_ask_tag(objects.get()[i]);
            *descriptors = std::exchange(texts.texts, nullptr);
            *exps = tags.release();
            *count = n;
            return 0;
        });
}

}  // namespace

KXAPI int KX_MODL_ask_exp_desc_of_feat(tag feature, int* count, char*** descriptors, tag** expressions) {
    return exp_desc_of_feat(feature, count, descriptors, expressions);
}

KXAPI int KX_MODL_ask_exp_desc_of_frec(tag feature, int* count, char*** descriptors, tag** expressions) {
    return exp_desc_of_feat(feature, count, descriptors, expressions);
}

KXAPI int KX_MODL_ask_rpo_desc_of_feat(tag feature, int* count, char*** descriptors, tag** expressions) {
    return rpo_desc_of_feat(feature, count, descriptors, expressions);
}

KXAPI int KX_MODL_ask_rpo_desc_of_frec(tag feature, int* count, char*** descriptors, tag** expressions) {
    return rpo_desc_of_feat(feature, count, descriptors, expressions);
}

KXAPI int KX_MODL_ask_exps_of_feature(tag feature, int* count, tag** expressions) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(count, expressions);
            if (int st = not_a_feature(feature)) return st;
            return kx::check({{count, 2}, {expressions, 3}});
        },
        [&] {
            int n = 0;
            unsigned int* raw = nullptr;
            const int st = FREC_ask_system_exps_of_frec(feature, &n, &raw);
            kx::host_ptr<unsigned int> exps(raw);
            if (n > 0) {
                *expressions = exps.release();
                *count = n;
            }
            return st;
        });
}

KXAPI int KX_MODL_ask_exps_of_part(tag part_or_object, int* count, tag** expressions) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(count, expressions);
            return kx::check({{part_or_object != NULL_TAG, 1}, {count, 2}, {expressions, 3}});
        },
        [&] {
            int n = 0;
            unsigned int* raw = nullptr;
            EXP_ask_exps(PART_ask_part_of_object(part_or_object), &n, &raw);
            kx::host_ptr<unsigned int> exps(raw);
            if (n > 0) {
                *expressions = exps.release();
                *count = n;
            }
            return 0;
        });
}

KXAPI int KX_MODL_ask_features_of_exp(tag expression, int* count, tag** features) {
    return kx::frame(
        kx::no_check,
        [&] {
            kx::clear(count, features);
            if (expression == NULL_TAG) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{count, 2}, {features, 3}});
        },
        [&] { return EXP_ask_features_of_exp(expression, count, features); });
}

KXAPI int KX_MODL_ask_owning_feat_of_exp(tag expression, tag* feature) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(feature);
            if (expression == NULL_TAG) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{feature, 2}});
        },
        [&] {
            *feature = owning_feature(expression);
            return 0;
        });
}

KXAPI int KX_MODL_ask_descriptor_of_exp(tag expression, char** descriptor) {
    return kx::frame(
        kx::arm_first,
        [&] {
            kx::clear(descriptor);
            if (expression == NULL_TAG) return static_cast<int>(KX_MODL_ERR_EXPRESSION);
            return kx::check({{descriptor, 2}});
        },
        [&] {
            const tag feature = owning_feature(expression);
            if (feature == NULL_TAG) return 0;
            Described found;
            if (offered_of_feature(feature, found) != 0) return 0;
            for (std::size_t i = 0; i < found.exps.size(); ++i)
                if (found.exps[i] == expression) {
                    *descriptor = kx::dup_string(found.descriptors[i]);
                    break;
                }
            return 0;
        });
}
