// The kinds of object a part file keeps: one list, shared by the writer and
// the reader. Every kind of the list is written and read; a part holding an
// object of any other kind is not saved at all, and the file on disk stays
// as it was.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/entities/entity_types.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/part_rules.h"
#include "host/store/parts/parts.h"
#include "host/base/services/objects.h"
#include "part_test_util.h"

namespace {

namespace obj = host::objects;
namespace pf = host::part_file;
namespace rules = host::part_rules;

int save(unsigned int part) {
    int components = 0, mode = 2, result = -1;
    base_save_part(&part, &components, &mode, &result);
    return result;
}

class PartKindsTest : public PartDirTest {
protected:
    // The files of the directory that are no part file of `names`.
    std::vector<std::string> strays(const std::vector<std::string>& names) const {
        std::vector<std::string> out;
        for (const std::string& f : files())
            if (std::find(names.begin(), names.end(), f) == names.end()) out.push_back(f);
        return out;
    }
};

// Each kind names sections that are there to keep its data, a class that
// the reader finds again by its name, and is one the writer takes and the
// reader knows at both ends of its subtypes.
TEST_F(PartKindsTest, EveryKindOfTheListIsKeptByRegisteredSectionsAndKnownToTheReader) {
    const std::vector<rules::Kind> kinds = rules::kinds();
    ASSERT_FALSE(kinds.empty());
    const unsigned int part = host::parts::create(path("all.prt"));
    std::vector<unsigned int> made;
    for (const rules::Kind& k : kinds) {
        SCOPED_TRACE(std::to_string(k.cls) + "/" + std::to_string(k.type));
        std::istringstream ids(k.kept_by);
        for (std::string id; ids >> id;) {
            EXPECT_EQ(id.size(), 4u) << id;
            EXPECT_TRUE(pf::section_registered(id)) << id;
        }
        const char* name = OM_ask_class_name(k.cls);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(static_cast<int>(OM_ask_class_of_name(name)), k.cls) << name;
        for (int subtype : {k.first_subtype, k.last_subtype}) {
            EXPECT_TRUE(rules::known_kind(k.cls, k.type, subtype));
            EXPECT_EQ(rules::unkept(k.cls, k.type, subtype, "A_NAME_OF_THIRTY_CHARACTERS_01"), nullptr);
            made.push_back(obj::create({static_cast<OM_class_t>(k.cls), k.type, subtype, part, "KIND"}));
        }
    }
    EXPECT_EQ(pf::unkept_object(part, nullptr), nullptr);
    EXPECT_EQ(pf::unkept_object(part, &made), nullptr);
}

// Objects the list does not hold, next to kinds that it holds: a part that
// holds one is refused before anything is written (the save, an export, a
// save under another name), the earlier file stays as it was, no
// temporary file is left, and the part stays modified.
TEST_F(PartKindsTest, APartHoldingAnObjectOfAnotherKindIsNotSavedAndItsFileStays) {
    struct Row {
        const char* what;
        OM_class_t cls;
        int type, subtype;
        const char* name;
    };
    const Row rows[] = {
        {"a dimension of a subtype", OM_CLASS_RM_ENTITY, HOST_TYPE_DIMENSION, 1, ""},
        {"bounds of another subtype than the model's", OM_CLASS_RM_ENTITY, HOST_TYPE_BOUNDS,
         HOST_SUBTYPE_MODEL_BOUNDS + 1, ""},
        {"a layout", OM_CLASS_OBJECT, 0, 0, ""},
        {"a solid's subtype between body and face", OM_CLASS_RM_ENTITY, HOST_TYPE_SOLID, HOST_SUBTYPE_BODY + 1, ""},
        {"a conic beyond the hyperbola", OM_CLASS_RM_ENTITY, HOST_TYPE_CONIC, HOST_CONIC_HYPERBOLA + 1, ""},
        {"a group of a name the reader refuses", OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, "TAB\tNAME"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        host::control::reset();
        const std::string file = path("kept.prt");
        const unsigned int part = host::parts::create(file);
        obj::create({OM_CLASS_RM_ENTITY, HOST_TYPE_GROUP, 0, part, "FIRST"});
        ASSERT_EQ(save(part), 0);
        const std::string before = read(file);
        const unsigned int odd = obj::create({row.cls, row.type, row.subtype, part});
        obj::set_name(odd, row.name);
        host::parts::note_change(odd);
        EXPECT_EQ(save(part), PART_ERR_UNKEPT_OBJECT);
        EXPECT_EQ(read(file), before);
        EXPECT_EQ(strays({"kept.prt"}), std::vector<std::string>());
        EXPECT_TRUE(PART_ask_modified(part));
        EXPECT_EQ(pf::write_part(path("other.prt"), part, nullptr, true), PART_ERR_UNKEPT_OBJECT);
        const unsigned int list[] = {odd};
        PART_export_options_t options{1, 0, 0};
        EXPECT_EQ(PART_export_part(path("export.prt").c_str(), 1, list, &options), PART_ERR_UNKEPT_OBJECT);
        EXPECT_EQ(strays({"kept.prt"}), std::vector<std::string>());
        EXPECT_THROW(pf::encode(part, nullptr, true), pf::UnkeptObject);
        // Without it the part saves again, and reads back.
        obj::destroy(odd);
        EXPECT_EQ(save(part), 0);
        pf::Image image;
        EXPECT_EQ(pf::load(file, image), 0);
    }
}

}  // namespace
