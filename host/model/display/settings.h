/* The host's display settings: the colour table, the display system
 * parameters, the surface-analysis record, name display, the work plane,
 * highlighting, the model bounds and the regeneration of one view.
 *
 * Colours: UICO_ask_color_count colours, 0 the background and 1 to 216 the
 * palette (a 6x6x6 cube of red, green and blue). A colour is given in
 * model 0 (red, green, blue, each 0 to 1), 1 (hue 0 to 360, saturation,
 * value) or 2 (hue, lightness, saturation); a name has at most 32
 * characters. UICO_ask_closest_color method 1 is the nearest colour in
 * red-green-blue space (the background not counted).
 *
 * Shaded tolerances: setting 1 coarse, 2 standard, 3 fine (the presets
 * below), 4 the caller's own (DISPLAY_unmap_shaded_tol finds it).
 * Analysis tolerances: presets 0 to 4 (DISPLAY_map_analysis_tol).
 *
 * Settings word (DISPLAY_ask_settings_word): bits 0 and 1 the first flag
 * setting, bit 2 the second. Name settings word: bit 0 names shown, bit 1
 * set when names show in the work view only (name-view status 0).
 *
 * Model bounds: one object of entity type 53, subtype 25 per part, made on
 * the first MDL_BND_ask_model_bounds_object, holding six doubles (x, y, z
 * minimum and maximum in pairs); MDL_BND_compute_model_bounds computes the
 * box of the work part's bodies and curves (answers 1 when there is
 * something to bound) and, with store 1, keeps it in the bounds object.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, one of the
 * wrong kind HOST_ERR_WRONG_CLASS, a null pointer HOST_ERR_NULL_ARGUMENT,
 * a colour number, model or value out of range HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_DISPLAY_SETTINGS_H
#define HOST_DISPLAY_SETTINGS_H

#define UICO_NAME_CHARS       32
#define DISPLAY_SHADED_CUSTOM 4

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* ---- Colours ---- */
int UICO_ask_color_count(void);
/* name: UICO_NAME_CHARS + 1 bytes. */
void UICO_ask_color(int number, int model, char* name, double values[3]);
/* A null name keeps the colour's name. */
void UICO_set_color(int number, int model, const char* name, const double values[3]);
int UICO_ask_closest_color(int model, const double values[3], int method);

/* ---- Display system parameters ---- */
double DISPLAY_ask_curve_tol(void);
void DISPLAY_set_curve_tol(double tolerance);
double DISPLAY_ask_pattern_value(int which); /* 1 or 2 */
void DISPLAY_set_pattern_value(int which, double value);
double DISPLAY_ask_scale_value(void);
void DISPLAY_set_scale_value(double value);
void DISPLAY_unmap_shaded_tol(double tolerance_1, double tolerance_2, double angle, int* setting);
void DISPLAY_ask_shaded_tol(int* setting, double tolerances[3]);
void DISPLAY_set_shaded_tol(int setting, double tolerance_1, double tolerance_2, double angle);
int DISPLAY_ask_system_color(void);
void DISPLAY_set_system_color(int color);
/* Applies a system colour (gt363_) and refreshes the colour map (clr033_). */
void gt363_(const int* color);
void clr033_(void);
int DISPLAY_ask_font_mode(void); /* 0 or 1 */
void DISPLAY_set_font_mode(int mode);
int DISPLAY_ask_settings_word(void);
void DISPLAY_set_settings_word(int word);
/* A refresh step of the display (2 erase, 1 draw). */
void gt630_(const int* step);
int DISPLAY_ask_show_face_edges(void);
void DISPLAY_set_show_face_edges(int show);
int DISPLAY_ask_hidden_face_edges(void);
void DISPLAY_set_hidden_face_edges(int value);

/* ---- Surface analysis ---- */
typedef struct SRFANL_rec_s {
    double analysis_value;
    double reference_point[3];
    double reference_direction[3];
    double second_direction[3];
    double mapping[2];
    double tolerances[4];
    int option_1;
    int tolerance_preset;
    int options[9]; /* option_2 to option_10 */
    int display_mode;
} SRFANL_rec_t;
void SRFANL_read_rec(SRFANL_rec_t* rec);
void SRFANL_write_rec(const SRFANL_rec_t* rec);
int DSS_DVC_is_texture_mapping(void);
void DISPLAY_map_analysis_tol(int preset, double tolerances[4]);
void DSS_SRF_regen_all_anal_faces(void);
void DSS_SRF_update_display_atts(void);
void DSS_SRF_update_mappings(void);

/* ---- Names, work plane, highlighting, refresh ---- */
int DISPLAY_ask_name_settings(void);
void DISPLAY_set_name_settings(int word);
int DISPLAY_ask_work_plane_emphasis(void);
void DISPLAY_set_work_plane_emphasis(int flag);
/* The shown emphasis is updated by DSS_update_work_plane_emphasis
 * (host/store/entities/csys_support.h). */
int DISPLAY_ask_work_plane_sel(void);
void DISPLAY_set_work_plane_sel(int flag);
int DSS_HILT_ask_work_plane_dim_clr(void);
void DSS_HILT_set_work_plane_dim_clr(int color);
void DSS_HILT_highlight_object(unsigned int object);
void DSS_HILT_unhighlight_object(unsigned int object);
void MODL_highlight_frec(unsigned int feature);
void MODL_unhighlight_frec(unsigned int feature);
void DSS_refresh_display(void);
void DSS_update_ws_if_needed(void);
/* Regenerates the view of display sequence -*minus_sequence. */
void gt660_(const int* minus_sequence);

/* ---- Model bounds ---- */
unsigned int MDL_BND_ask_model_bounds_object(void);
void MDL_BND_ask_model_bounds(unsigned int bounds, double values[6]);
void MDL_BND_set_model_bounds(unsigned int bounds, const double values[6]);
unsigned char MDL_BND_compute_model_bounds(int mode, int store);

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <vector>

namespace host::display_settings {
// What the display did on request, for tests.
struct Log {
    int system_colors_applied = 0;   // gt363_
    int colormap_refreshes = 0;      // clr033_
    std::vector<int> refresh_steps;  // gt630_
    int anal_regens = 0, att_updates = 0, mapping_updates = 0;
    int refreshes = 0, ws_updates = 0;
    std::vector<unsigned int> regenerated_views;
};
const Log& log();
// Whether the current device maps textures (no after a reset).
void set_texture_mapping(bool on);
// The box of the part's bodies and curves: false when there is none.
bool model_box(unsigned int part, double box[6]);
}  // namespace host::display_settings
#endif

#endif
