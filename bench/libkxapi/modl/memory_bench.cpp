// Heap held per face by a large body.
//
// BytesPerFace/Loft: a solid ruled through 2,501 square sections (10,002 faces,
// four a span and the two caps), made by the host's loft in a library
// session as topology_bench.cpp makes it (the library's own ruled and
// through-curves creators give no such body: the one takes two sections,
// the other lofts smoothly, a face a side), against the same solid made by
// Open CASCADE alone (BRepOffsetAPI_ThruSections, ruled, through the same
// squares) in the same process. A side's figure is the heap in use after
// the body is made less the heap in use before, over the faces: for the
// host all that the body leaves behind (the kernel's shapes, the host's
// kernel tags and their index, the step kept for regeneration and its
// naming keys, the objects of the body, its faces and edges with their
// entity rows and attributes), for Open CASCADE the shape alone (the
// algorithm freed). The sections exist on both sides before the count
// starts. The host's call journal is off, as in a user's process. The sides
// alternate (bench/paired_rounds.h); each side's median over the rounds
// (the argument) counts, although the figures hardly change from round to
// round.
//
// BytesPerFace/Prism: the same for a prism over a polygon of 9,998 sides
// (10,000 faces, ZQ_BODY_make_prism against BRepPrimAPI_MakePrism of the
// polygon's face), whose kernel shape is lighter per face, so that the
// host's own share weighs more.
//
// Counters: host_bytes_per_face, occ_bytes_per_face, "ratio" (goal: within
// 1.5), faces, rounds, load.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepOffsetAPI_ThruSections.hxx>
#include <BRepPrimAPI_MakePrism.hxx>
#include <TopExp.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Shape.hxx>
#include <TopoDS_Face.hxx>
#include <TopoDS_Wire.hxx>
#include <gp_Pnt.hxx>
#include <gp_Vec.hxx>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "bench/paired_rounds.h"
#include "host/control/control.h"
#include "host/kernel/engine/kernel.h"
#include "host/store/parts/parts.h"
#include "kx_core.h"
#include "kx_modl.h"
#include "libkxapi/core/kx_session.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes its allocator has handed out
// and not taken back.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes(void);
#endif

namespace {

constexpr int kSpans = 2500;
constexpr int kSides = 9998;
constexpr double kRadius = 1000, kHeight = 10;

// The two bodies: the loft and the prism.
enum class Body { loft, prism };

// Bytes of heap in use. Under AddressSanitizer the allocator's own count
// (freed blocks wait in its quarantine, which the resident size would count).
double heap_in_use() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
    malloc_trim(0);
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
#endif
}

// Section I: a square about the Z axis at height I, its half side changing
// from section to section so that no two neighbouring spans are alike.
void square(int i, gp_Pnt corners[4]) {
    const double z = i, h = 10 + (i % 2);
    corners[0] = gp_Pnt(-h, -h, z);
    corners[1] = gp_Pnt(h, -h, z);
    corners[2] = gp_Pnt(h, h, z);
    corners[3] = gp_Pnt(-h, h, z);
}

// The host's side: a fresh session with the sections made, then the ruled
// solid; answers the heap it left and its face count.
struct HostRun {
    double bytes = 0;
    std::size_t faces = 0;
};

HostRun host_side(Body kind) {
    kx_reset_session_for_tests();
    host::control::reset();
    host::control::set_journal(false);  // as in a user's process
    KX_initialize();
    CONTEXT_set_work_part(host::parts::create("bench.prt"));
    std::vector<int> sections;
    for (int i = 0; kind == Body::loft && i <= kSpans; ++i) {
        gp_Pnt c[4];
        square(i, c);
        double points[12];
        for (int k = 0; k < 4; ++k) c[k].Coord(points[3 * k], points[3 * k + 1], points[3 * k + 2]);
        int wire = 0;
        ZQ_BODY_make_wire(4, points, 1, &wire);
        sections.push_back(wire);
    }
    HostRun run;
    int body = 0;
    const double before = heap_in_use();
    if (kind == Body::loft) {
        ZQ_BODY_through_curves(static_cast<int>(sections.size()), sections.data(), 1, 1, &body);
    } else {
        const double base[3] = {0, 0, 0}, axis[3] = {0, 0, 1};
        ZQ_BODY_make_prism(base, axis, kRadius, kSides, kHeight, &body);
    }
    run.bytes = heap_in_use() - before;
    run.faces = host::kernel::faces_of(body).size();
    return run;
}

// Open CASCADE's side: the heap the ruled solid holds once the algorithm
// is gone (the sections, made before, are kept until after the count, as
// the host's are); its face count in *faces.
double occ_side(Body kind, std::size_t* faces) {
    std::vector<TopoDS_Wire> sections;
    for (int i = 0; kind == Body::loft && i <= kSpans; ++i) {
        gp_Pnt c[4];
        square(i, c);
        sections.push_back(BRepBuilderAPI_MakePolygon(c[0], c[1], c[2], c[3], Standard_True).Wire());
    }
    const double before = heap_in_use();
    TopoDS_Shape solid;
    if (kind == Body::loft) {
        BRepOffsetAPI_ThruSections algo(Standard_True, Standard_True);
        for (const TopoDS_Wire& w : sections) algo.AddWire(w);
        algo.Build();
        if (algo.IsDone()) solid = algo.Shape();
    } else {
        BRepBuilderAPI_MakePolygon polygon;
        for (int i = 0; i < kSides; ++i) {
            const double a = 2 * std::numbers::pi * i / kSides;
            polygon.Add(gp_Pnt(kRadius * std::cos(a), kRadius * std::sin(a), 0));
        }
        polygon.Close();
        const TopoDS_Face base = BRepBuilderAPI_MakeFace(polygon.Wire(), Standard_True).Face();
        solid = BRepPrimAPI_MakePrism(base, gp_Vec(0, 0, kHeight)).Shape();
    }
    const double bytes = heap_in_use() - before;
    TopTools_IndexedMapOfShape map;
    TopExp::MapShapes(solid, TopAbs_FACE, map);
    *faces = static_cast<std::size_t>(map.Extent());
    return bytes;
}

void BytesPerFace(benchmark::State& state, Body kind) {
    bench::Paired p;
    std::size_t host_faces = 0, occ_faces = 0;
    for (auto _ : state) {
        // Both sides start warm: the kernel's first use makes its tables.
        std::size_t warm = 0;
        occ_side(kind, &warm);
        host_side(kind);
        auto ours = [&] {
            const HostRun run = host_side(kind);
            host_faces = run.faces;
            return run.faces ? run.bytes / static_cast<double>(run.faces) : 0;
        };
        auto occ = [&] {
            const double bytes = occ_side(kind, &occ_faces);
            return occ_faces ? bytes / static_cast<double>(occ_faces) : 0;
        };
        bench::alternate(p, static_cast<int>(state.range(0)), ours, occ);
    }
    if (host_faces != occ_faces || host_faces == 0) state.SkipWithError("the host and Open CASCADE disagree on the faces");
    state.counters["faces"] = static_cast<double>(host_faces);
    bench::report(state, p, "host", 1, "_bytes_per_face");
    kx_reset_session_for_tests();
    host::control::reset();
}
BENCHMARK_CAPTURE(BytesPerFace, Loft, Body::loft)->Arg(3)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BytesPerFace, Prism, Body::prism)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
