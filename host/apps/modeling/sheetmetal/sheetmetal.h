/* Sheet-metal features of the routing and modelling libraries: flanges,
 * general flanges, bridges and bends as feature records of the part, each
 * with a bend-allowance formula and a forming state. Forming is kept with
 * the record only: it does not reshape any body.
 *
 * Kinds (SMDUTL_ask_smd_feature_type): SMD_FLANGE (0) and SMD_FLANGE_ALT
 * (1) flanges, SMD_GENERAL_FLANGE (2), SMD_BRIDGE (12), SMD_BEND (13);
 * -1 for a feature that is none of them.
 *
 * Flanges and bends have a forming factor: 1.0 formed, 0.0 unformed,
 * between them partly formed. General flanges and bridges have a state:
 * 1 formed, 0 unformed.
 *
 * PIPNAV_set_state (feature, factor, state, mode) forms (mode 2: factor
 * 1.0, state 1) or unforms (mode 1: factor 0.0, state 0) a feature, or
 * (mode 3, flanges and bends) sets its factor: state 0 gives 0.0, state 1
 * gives 1.0, state 2 the factor given (a flange's as the angle of its
 * 90-degree form: factor / 90); a factor outside 0 to 1 raises
 * HOST_ERR_BAD_ARGUMENT. It answers 1 when the feature's factor or state
 * changed, else 0. A feature of no sheet-metal kind raises
 * FEAT_ERR_BAD_PARAMETERS in every routine but SMDUTL_ask_smd_feature_type.
 *
 * Formulas: the ask routines answer the host's own text (valid until the
 * feature's formula changes); the set routines answer 0, or
 * FEAT_ERR_BAD_PARAMETERS for an empty formula. A bend keeps its formula in
 * its bend record (SMBEND_FORMULA_CHARS with the terminator); SMBEND_set_baf
 * takes the record's text.
 */
#ifndef HOST_SHEETMETAL_SHEETMETAL_H
#define HOST_SHEETMETAL_SHEETMETAL_H

#define SMD_FLANGE         0
#define SMD_FLANGE_ALT     1
#define SMD_GENERAL_FLANGE 2
#define SMD_BRIDGE         12
#define SMD_BEND           13

#define SMBEND_FORMULA_CHARS 133

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

typedef struct SMBEND_record_s {
    double angle;
    double radius;
    double p_factor;
    char formula[SMBEND_FORMULA_CHARS];
} SMBEND_record_t;

/* A sheet-metal feature of the kind in the part, formed, with the formula;
 * answers 0 or a code (FEAT_ERR_BAD_PARAMETERS for a kind or formula the
 * host does not take). */
int SMD_create_feature(unsigned int part, int kind, const char* formula, unsigned int* feature);

int SMDUTL_ask_smd_feature_type(unsigned int feature);
/* The sheet-metal default: 1 while the bend-allowance table is in use. */
int SMDUTL_ask_def_use_bat(void);
void SMDUTL_set_def_use_bat(int on);
int PIPNAV_set_state(unsigned int feature, double factor, int state, int mode);

const char* FLANGE_ask_baf(unsigned int feature);
int FLANGE_set_baf(unsigned int feature, const char* formula);
double FLANGE_ask_proc_factor(unsigned int feature);
const char* GENFLG_ask_baf(unsigned int feature);
int GENFLG_set_baf(unsigned int feature, const char* formula);
int GENFLG_ask_state(unsigned int feature);
const char* SMBRIDGE_ask_baf(unsigned int feature);
int SMBRIDGE_set_baf(unsigned int feature, const char* formula);
int SMBRIDGE_ask_state(unsigned int feature);
const char* SMBEND_ask_baf(unsigned int feature);
void SMBEND_ask_smbend(unsigned int feature, SMBEND_record_t* record);
int SMBEND_set_baf(unsigned int feature, const SMBEND_record_t* record);
double SMBEND_ask_p_factor(unsigned int feature);

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
