// Queries for the fault simulation (see faultsim.h).
#include "host/control/faultsim.h"

#include <sstream>

#include "host/store/entities/edit_log.h"
#include "host/store/entities/wcs.h"
#include "host/store/parts/part_file.h"
#include "host/store/parts/parts.h"
#include "host/model/feature/undo.h"
#include "host/base/services/objects.h"

namespace host::control {

std::size_t journal_size() { return hook_detail::j_size; }

const JournalRecord& journal_at(std::size_t i) { return hook_detail::j_data[i]; }

namespace {
// Restores the journal's switch on every way out.
struct JournalOff {
    bool was = hook_detail::j_on;
    JournalOff() { hook_detail::j_on = false; }
    ~JournalOff() { hook_detail::j_on = was; }
};
}  // namespace

std::string model_fingerprint() {
    JournalOff quiet;
    std::ostringstream out;
    out << "objects\n";
    for (unsigned int t : objects::live_objects()) {
        const objects::Object& o = objects::require(t);
        out << t << ' ' << o.cls << ' ' << o.type << ' ' << o.subtype << ' ' << o.part << ' ' << o.eid << " \""
            << o.name.str() << "\"\n";
    }
    out << "parts display " << parts::display_part() << " work " << parts::work_part() << '\n';
    for (unsigned int p : parts::loaded_parts()) {
        const parts::PartState* s = parts::state(p);
        if (!s) continue;
        out << p << " units " << s->units << " modified " << s->modified << " load " << s->load_state << " components";
        for (const std::string& c : s->components) out << " \"" << c << '"';
        // The part file's sections, one a line in hexadecimal, so that a
        // difference names its section.
        out << '\n';
        part_file::Image image;
        if (part_file::unkept_object(p, nullptr) || part_file::decode(part_file::encode(p, nullptr, true), image) != 0) {
            out << "  (not encodable)\n";
            continue;
        }
        static const char digits[] = "0123456789abcdef";
        for (const auto& [id, payload] : image.sections) {
            out << "  " << id << ' ';
            for (char ch : payload) {
                const auto b = static_cast<unsigned char>(ch);
                out << digits[b >> 4] << digits[b & 15];
            }
            out << '\n';
        }
    }
    out << "wcs " << WCS_ask_tag() << (WCS_is_temporary() ? " temporary" : "") << '\n';
    out << "marks\n";
    for (const undo::MarkInfo& m : undo::marks()) out << m.id << ' ' << m.visibility << " \"" << m.name << "\"\n";
    out << "update log\n";
    for (const edit_log::LogEntry& e : edit_log::update_log())
        out << e.object << ' ' << e.app_data << ' ' << e.kind << ' ' << e.value << '\n';
    return out.str();
}

}  // namespace host::control
