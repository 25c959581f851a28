// The frame of the functions that create, edit or ask features: the one
// operation frame (kx::frame, core/frame.h) with the undo bracket
// (core/kx_undo_bracket.h) inside it, set up by an EditFrame:
//
//     return km::edit_frame(km::kPrimitiveFrame,
//         [&] { return kx::check({{sign_ok, 1}, {feature, 5}}); },   // cheap checks, before anything
//         [&] {                                                      // under the frame and the mark
//             km::set_boolean_target(kModule, __LINE__, sign, target);
//             ...host steps...
//             return 0;
//         });
//
// In this order: the initialisation check (1105000) before the host frame
// is armed, or inside it (arm_first); the cheap argument checks; the host
// frame; the undo mark of visibility 1 with the family's name (marks::,
// below) or none; the work; on a non-zero status or a host error the model
// goes back to the mark; the mark is closed by delete_mark, or by
// delete_to_mark (which also removes every mark the host set after it),
// after a roll-back too, so that it never outlives the call. A caught host
// error's code is the status; with `acknowledge` it is acknowledged at
// once, so that the host does not report it again. A mark that the undo
// service cannot set ends the call with the service's code before the
// work: the frame never changes the model without its mark.
//
// Internal to the library.
#ifndef KX_MODL_KX_MODL_EDIT_FRAME_H
#define KX_MODL_KX_MODL_EDIT_FRAME_H

#include <type_traits>
#include <utility>

#include "kx_types.h"
#include "libkxapi/core/frame.h"
#include "libkxapi/core/kx_undo_bracket.h"

namespace kx::modl {

// ---- Undo-mark names of the feature-modelling families ----------------------
//
// Every mark of these families is of visibility 1. kNone: a mark without
// a name (primitives, the sweeps with a target, planes, fixed datum axes
// and planes, relative and reversed datum planes, deleting parameters,
// flanges and inset flanges, general flanges, section surfaces, general
// pockets and pads, joggles).
namespace marks {
inline constexpr const char* kNone = nullptr;
// Extrusions and multi-profile extrusions.
inline constexpr const char* kCreateExtrusion = "JQ Open Create Extrusion";
inline constexpr const char* kCreateExtrudedTrim = "JQ Open Create Extruded Trim";
inline constexpr const char* kCreateExtrusionPath = "JQ Open Create Extrusion Path";
inline constexpr const char* kCreateRevolution = "JQ Open Create Revolution";
inline constexpr const char* kCreateTrimmedTube = "JQ Open Create Trimmed Tube";
// Datum axes: the export's own name.
inline constexpr const char* kRelativeDatumAxis = "KX_MODL_create_relative_daxis";
inline constexpr const char* kFrenetDatumAxis = "KX_MODL_create_frenet_daxis";
inline constexpr const char* kReverseDatumAxis = "KX_MODL_reverse_datum_axis";
// Moving, clocking and unclocking features.
inline constexpr const char* kMoveFeature = "JQ Open Move Feature";
inline constexpr const char* kClockInstance = "JQ Open Clock Instance";
inline constexpr const char* kUnclockInstance = "JQ Open Unclock Instance";
inline constexpr const char* kUnclockInstanceSet = "JQ Open Unclock Instance Set";
// Sweep edits and queries.
inline constexpr const char* kEditSweepCurves = "JQ Open Edit Sweep Curves";
inline constexpr const char* kAskSweepOfUdf = "JQ Open Ask Sweep of UDF";
inline constexpr const char* kAskSweepCurves = "JQ Open Ask Sweep Curves";
// Updates.
inline constexpr const char* kUpdateAllFeatures = "update all features";
inline constexpr const char* kModelUpdate = "JQ Open Model Update";
// Tapers.
inline constexpr const char* kCreateTaper = "Create Taper (Kestrix Extension)";
inline constexpr const char* kTaperFromEdges = "Taper from edges (Kestrix Extension)";
// Law extension and sew edits.
inline constexpr const char* kCreateLawExtension = "KXAPI Create Law Extension";
inline constexpr const char* kEditSewSheetBody = "KXAPI Edit Sew Sheet Body";
inline constexpr const char* kEditSewSolidBody = "KXAPI Edit Sew Solid Body";
// Promotion, rough offset, scale.
inline constexpr const char* kCreatePromotedFeature = "Create Promoted Feature";
inline constexpr const char* kCreateRoughOffset = "Create Rough Offset";
inline constexpr const char* kEditRoughOffset = "Edit Rough Offset";
inline constexpr const char* kEditScale = "Edit Scale";
inline constexpr const char* kCreateScale = "Create Scale";
// Points features, datum edits, fixed datums, variable hollows.
inline constexpr const char* kEditPointsFeature = "Edit Points Feature";
inline constexpr const char* kEditDatum = "Edit Datum";
inline constexpr const char* kMakeFixedDatum = "Make Fixed Datum";
inline constexpr const char* kVariableHollow = "Variable Hollow";
// Brackets and routed reliefs.
inline constexpr const char* kCreateBracket = "Create bracket (Kestrix Extension)";
inline constexpr const char* kCreateRelief = "Create relief (Kestrix Extension)";
// Exterior identification and linked exteriors: the export's own name.
inline constexpr const char* kIdentifyExteriorUsingHl = "KX_MODL_identify_exterior_using_hl";
inline constexpr const char* kIdentifyExteriorUsingRays = "KX_MODL_identify_exterior_using_rays";
inline constexpr const char* kCreateLinkedExterior = "KX_MODL_create_linked_exterior";
inline constexpr const char* kAskLinkedExterior = "KX_MODL_ask_linked_exterior";
inline constexpr const char* kEditLinkedExterior = "KX_MODL_edit_linked_exterior";
// Wrap geometry and wrap assemblies: the export's own name.
inline constexpr const char* kCreateWrapGeom = "KX_MODL_create_wrap_geom";
inline constexpr const char* kEditWrapGeom = "KX_MODL_edit_wrap_geom";
inline constexpr const char* kCreateWrapAssem = "KX_MODL_create_wrap_assem";
inline constexpr const char* kEditWrapAssem = "KX_MODL_edit_wrap_assem";
// The representation switch of sheet-metal holes and slots.
inline constexpr const char* kConvertFeature = "Convert Feature";
}  // namespace marks

// ---- The frame ----------------------------------------------------------------

struct EditFrame {
    // The operation frame's options: kx::standard checks initialisation
    // before arming the host frame, kx::arm_first inside it; acknowledge
    // (kx::acknowledging) acknowledges a caught host error at once.
    Opts opts = standard;
    bool set_mark = true;           // false: a query or a creator without a mark
    const char* mark = marks::kNone;
    bool to_mark = false;           // close with delete_to_mark
};

// Primitives and planes: check first, acknowledge at once, an unnamed mark
// deleted on success.
inline constexpr EditFrame kPrimitiveFrame{.opts = acknowledging};

template <class Pro, class Work>
int edit_frame(const EditFrame& f, Pro&& prologue, Work&& work) {
    return kx::frame(f.opts, std::forward<Pro>(prologue), [&]() -> int {
        if (!f.set_mark) return kx::detail::call_status(work);
        return kx::undo_bracket(Bracket{.visibility = 1, .name = f.mark, .to_mark = f.to_mark, .need_mark = true},
                                [&] { return kx::detail::call_status(work); });
    });
}

// The wrapper with target: with a non-zero sign the target's kernel body
// becomes the boolean target of the current part (the part that holds
// it), for the creator that the wrapper calls next. A target that is no
// body or has no kernel body raises 875288 with the caller's module and
// line and the empty text. Under the frame's mark: the target set stays
// only when the edit succeeds.
void set_boolean_target(const char* module, int line, int sign, tag target);

}  // namespace kx::modl

#endif
