// Message tables of the library's status codes, one per band, and the list
// of bands in the order in which the library registers them.
//
// Each table expands from its band's list in kx_codes.h, where every code
// and its text stand once. Within a table the decoder looks a code up by equality: the
// order of the rows carries no meaning, but no code may occur twice, and
// every table ends with the row {0, nullptr}.
#include "libkxapi/core/kx_msg_tables.h"

#include <array>

#include "kx_codes.h"

// One row of a message table, from an entry of a band's list.
#define KX_MESSAGE_ROW(name, code, text) {name, text},

namespace {

// 1105000, general codes of the interface
constexpr error_text_entry table_general[] = {KX_GENERAL_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1100000, coordinate systems
constexpr error_text_entry table_csys[] = {KX_CSYS_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1130000, plotting
constexpr error_text_entry table_plot[] = {KX_PLOT_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1155000, objects
constexpr error_text_entry table_obj[] = {KX_OBJ_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1170000, views and layouts
constexpr error_text_entry table_view[] = {KX_VIEW_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1175000, annotation and drafting preferences
constexpr error_text_entry table_drf[] = {KX_DRF_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1190000, user interface: listing window and selection
constexpr error_text_entry table_ui[] = {KX_UI_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1345000, manufacturing
constexpr error_text_entry table_cam[] = {KX_CAM_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1390000, display and analysis of dimensions, arcs and surfaces
constexpr error_text_entry table_disp[] = {KX_DISP_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1405000, drawings, section lines and views
constexpr error_text_entry table_draw[] = {KX_DRAW_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1465000, sheet-metal design
constexpr error_text_entry table_smd[] = {KX_SMD_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1480000, curve geometry: points, lines, arcs, conics and splines
constexpr error_text_entry table_curve[] = {KX_CURVE_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1570000, STL output
constexpr error_text_entry table_stl[] = {KX_STL_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1930000, CAM pre-processing
constexpr error_text_entry table_cam_prepro[] = {KX_CAM_PREPRO_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 1995000, smart objects
constexpr error_text_entry table_smart[] = {KX_SO_CODES(KX_MESSAGE_ROW){0, nullptr}};

// 3025000, cloning
constexpr error_text_entry table_clone[] = {KX_CLONE_CODES(KX_MESSAGE_ROW){0, nullptr}};
// 1765000, finite elements. The finite-element module registers this band
// itself on first use and brings the texts of its codes; until it does, the
// band holds no text.
constexpr error_text_entry table_fem[] = {
    {0, nullptr},
};

using reg = kx_band_registration;

constexpr std::array bands{
    kx_message_band{KX_BAND_GENERAL, 5000, table_general, reg::startup, "general codes of the interface"},
    kx_message_band{KX_BAND_PLOT, 5000, table_plot, reg::startup, "plotting"},
    kx_message_band{KX_BAND_OBJ, 5000, table_obj, reg::startup, "objects"},
    kx_message_band{KX_BAND_CSYS, 5000, table_csys, reg::startup, "coordinate systems"},
    kx_message_band{KX_BAND_VIEW, 5000, table_view, reg::startup, "views and layouts"},
    kx_message_band{KX_BAND_UI, 5000, table_ui, reg::startup, "listing window and selection"},
    kx_message_band{KX_BAND_DISP, 5000, table_disp, reg::startup,
                    "display and analysis of dimensions, arcs and surfaces"},
    kx_message_band{KX_BAND_DRF, 5000, table_drf, reg::startup, "annotation and drafting preferences"},
    kx_message_band{KX_BAND_DRAW, 5000, table_draw, reg::startup, "drawings, section lines and views"},
    kx_message_band{KX_BAND_CURVE, 5000, table_curve, reg::startup, "curve geometry"},
    kx_message_band{KX_BAND_SMD, 5000, table_smd, reg::startup, "sheet-metal design"},
    // Registered under a once-flag of its own as well.
    kx_message_band{KX_BAND_STL, 5000, table_stl, reg::startup, "STL output"},
    kx_message_band{KX_BAND_SO, 3000, table_smart, reg::startup, "smart objects"},
    kx_message_band{KX_BAND_CLONE, 5000, table_clone, reg::startup, "cloning"},
    kx_message_band{KX_BAND_CAM, 5000, table_cam, reg::cam_modules, "manufacturing"},
    kx_message_band{KX_BAND_CAM_PREPRO, 5000, table_cam_prepro, reg::cam_prepro, "CAM pre-processing"},
    kx_message_band{KX_BAND_FEM, 5000, table_fem, reg::module_first_use, "finite elements"},
};

}  // namespace

std::span<const kx_message_band> kx_message_bands() { return bands; }

const error_text_entry* kx_message_table(int base) {
    for (const kx_message_band& band : bands) {
        if (band.base == base) return band.table;
    }
    return nullptr;
}
