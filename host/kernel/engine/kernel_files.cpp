// Kernel data files: bodies written in the kernel's own text form behind a
// header line of ours, and read back as new bodies with their objects; the
// kernel's partitions and tag counts (host/kernel/io/kernel_io.h).
#include <BRepCheck_Analyzer.hxx>
#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <TopoDS_Compound.hxx>
#include <TopoDS_Iterator.hxx>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/store/entities/host_lists.h"
#include "host/kernel/engine/brep.h"
#include "host/kernel/io/kernel_io.h"
#include "host/base/model.h"
#include "host/base/services/error.h"

namespace hd = host::kernel::detail;

namespace {

struct PartitionState {
    int current = 0;
    std::vector<int> starts;  // the first kernel tag of each partition, in order
};
PartitionState& partition_state() { return host::model_state<PartitionState>("kernel partition starts"); }
const bool registered = (partition_state(), true);

std::string name_of(const host::Call& call, const PX_file_name_t* name) {
    call.need(name, "the file name");
    if (name->length < 0 || name->length >= PX_FILE_NAME_SIZE)
        call.fail(HOST_ERR_BAD_ARGUMENT, "a file name of %d characters", name->length);
    return std::string(name->text, strnlen(name->text, static_cast<std::size_t>(name->length)));
}

// The first line of the file, without its line break ("" when unreadable).
std::string first_line(std::istream& in) {
    std::string line;
    std::getline(in, line);
    return line;
}

// Writes the bodies of the objects (only those of body type `filter` when
// it is not 0) to the file behind our header line; answers 0 or the failure
// code, and nothing is written on failure.
int write_file(const host::Call& call, const std::vector<unsigned int>& objects, const std::string& file, int filter,
               int* written = nullptr) {
    hd::ensure_started();
    BRep_Builder builder;
    TopoDS_Compound all;
    builder.MakeCompound(all);
    int n = 0;
    for (unsigned int object : objects) {
        const int body = PX_ask_ptag_of_jq_eid(object);
        const hd::Body b = body > 0 ? hd::find_body(body) : nullptr;
        if (!b) return KERNEL_ERR_WRONG_ENTITY;
        if (filter != 0 && hd::body_type(b->shape) != filter) continue;
        builder.Add(all, b->shape);
        ++n;
    }
    std::ostringstream data;
    data << PX_KERNEL_FILE_HEADER << '\n';
    hd::guarded(call, KERNEL_ERR_EXCEPTION, [&] { BRepTools::Write(all, data); });
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << data.str();
    out.close();
    if (!out) return HOST_ERR_BAD_ARGUMENT;
    if (written) *written = n;
    return 0;
}

}  // namespace

namespace host::kernel::detail {

void partition_made(int partition) {
    PartitionState& s = partition_state();
    s.starts.resize(static_cast<std::size_t>(std::max(partition, 0)), 0);
    if (partition > 0) s.starts.back() = new_tag();
    s.current = partition;
}

}  // namespace host::kernel::detail

extern "C" {

int CFI_is_brankel_file(const char* name) {
    HOST_ENTRY_TEXT(name);
    if (!name) return 0;
    std::ifstream in(name, std::ios::binary);
    return in && first_line(in) == PX_KERNEL_FILE_HEADER ? 1 : 0;
}

void pxexpo_(const int* list, const int* count, const PX_file_name_t* name, const int* option, int* ifail) {
    auto call = HOST_ENTRY(list ? *list : 0, count ? *count : 0, option ? *option : 0);
    call.need(list, "the list");
    call.need(ifail, "the failure output");
    *ifail = 0;
    int scripted;
    if (call.status(scripted)) {
        *ifail = scripted;
        return;
    }
    const std::string file = name_of(call, name);
    const std::vector<unsigned int> objects = host::lists::objects(*list);
    *ifail = host::lists::kind(*list) == 0 || objects.empty() ? HOST_ERR_BAD_ARGUMENT
                                                                     : write_file(call, objects, file, 0);
}

int PX_export_filtered(int n, const unsigned int objects[], const char* file, int with_attributes, int with_links,
                       int filter, int option, int* written, int* ifail) {
    auto call = HOST_ENTRY_TEXT(file, n, with_attributes, with_links, filter);
    (void)option;
    call.need(written, "the count output");
    call.need(ifail, "the failure output");
    *written = 0;
    *ifail = 0;
    int scripted;
    if (call.status(scripted)) return *ifail = scripted;
    if (!file || std::strlen(file) >= PX_FILE_NAME_SIZE || n < 1 || !objects) return *ifail = HOST_ERR_BAD_ARGUMENT;
    *ifail = write_file(call, std::vector<unsigned int>(objects, objects + n), file, filter, written);
    return *ifail;
}

void pximpo_(const PX_file_name_t* name, int* list, int* ifail) {
    auto call = HOST_ENTRY(name, list);
    call.need(list, "the list output");
    call.need(ifail, "the failure output");
    *list = 0;
    *ifail = 0;
    int scripted;
    if (call.status(scripted)) {
        *ifail = scripted;
        return;
    }
    const std::string file = name_of(call, name);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        *ifail = HOST_ERR_BAD_ARGUMENT;
        return;
    }
    if (first_line(in) != PX_KERNEL_FILE_HEADER) {
        *ifail = KERNEL_ERR_BAD_DATA;
        return;
    }
    hd::ensure_started();
    TopoDS_Shape all;
    try {
        BRep_Builder builder;
        BRepTools::Read(all, in, builder);
    } catch (...) {
        all.Nullify();
    }
    if (all.IsNull() || all.ShapeType() != TopAbs_COMPOUND) {
        *ifail = KERNEL_ERR_BAD_DATA;
        return;
    }
    std::vector<hd::BodyState> made;
    for (TopoDS_Iterator it(all); it.More(); it.Next()) {
        const TopoDS_Shape& shape = it.Value();
        if (shape.IsNull() || !BRepCheck_Analyzer(shape).IsValid() || hd::body_type(shape) == 0) {
            *ifail = KERNEL_ERR_BAD_DATA;
            return;
        }
        made.push_back(hd::imported_body(call, shape));
    }
    // The list is made before the bodies, so that nothing fails once they
    // are in the model.
    if (const int st = KI_crlist(KI_LIST_FEATURES, list); st != 0) {
        *ifail = st;
        return;
    }
    std::vector<int> tags;
    for (const hd::BodyState& b : made) tags.push_back(b.tag);
    hd::commit(std::move(made), {}, true);
    std::vector<unsigned int> objects;
    for (int t : tags) objects.push_back(hd::find_body(t)->object);
    host::lists::replace(call, *list, std::move(objects));
}

void UNDO_ZR_ask_current_partition(int* partition) {
    auto call = HOST_ENTRY(partition);
    call.need(partition, "the partition output");
    *partition = const_cast<const PartitionState&>(partition_state()).current;
}

void UNDO_ZR_set_current_partition(int partition) {
    auto call = HOST_ENTRY(partition);
    const PartitionState& s = partition_state();
    if (partition < 0 || partition > static_cast<int>(s.starts.size()))
        call.fail(HOST_ERR_BAD_ARGUMENT, "no partition %d", partition);
    partition_state().current = partition;
}

int ZQ_ENTITY_ask_partition(int entity, int* partition) {
    auto call = HOST_ENTRY(entity, partition);
    call.need(partition, "the partition output");
    *partition = 0;
    if (!hd::find_body(entity) && !hd::locate(entity)) return KERNEL_ERR_NO_ENTITY;
    const PartitionState& s = partition_state();
    for (std::size_t i = 0; i < s.starts.size(); ++i)
        if (s.starts[i] <= entity) *partition = static_cast<int>(i) + 1;
    return 0;
}

int ZQ_SESSION_ask_tag_highest(int* tag) {
    auto call = HOST_ENTRY(tag);
    call.need(tag, "the tag output");
    *tag = hd::new_tag() - 1;
    return 0;
}

int ZQ_SESSION_ask_tags_remaining(int* count) {
    auto call = HOST_ENTRY(count);
    call.need(count, "the count output");
    *count = INT_MAX - hd::new_tag();
    return 0;
}

}  // extern "C"
