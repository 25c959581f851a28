/* The host's layers: the global masks of visible and selectable layers,
 * the work layer, the work view's mask, cycling by layer, and the layer
 * categories of a part.
 *
 * Masks are LAYER_MASK_WORDS 32-bit words: layer n is bit (n mod 32) of
 * word (n div 32), so a mask holds the host's own layers above 256 too
 * (257 to 271 are the host's: datum and drafting layers, never a user's).
 * After a reset every layer 1 to 256 is visible and selectable and layer 1
 * is the work layer. The work layer is always visible and selectable.
 * The work view's mask (dsp452_) is the global visible mask with the
 * host's layers 257 and 260 set.
 *
 * Categories are objects of entity type 12 in the work part with a name
 * (the object's name), a description of at most LAYER_MAX_DESCRIPTION
 * characters and a mask of layers 1 to 256.
 *
 * Checks: a tag of no live object raises HOST_ERR_DEAD_TAG, a category tag
 * of another type HOST_ERR_WRONG_CLASS, a null pointer
 * HOST_ERR_NULL_ARGUMENT, a layer outside 1..256 (the work layer) or a
 * description over the maximum HOST_ERR_BAD_ARGUMENT.
 */
#ifndef HOST_LAYERS_LAYERS_H
#define HOST_LAYERS_LAYERS_H

#define LAYER_MASK_WORDS      17
#define LAYER_MAX_DESCRIPTION 80

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int base_Layer_AskWork(void);
int LAYER_ask_global_work(void);
void LAYER_ask_global_visible_mask(unsigned int mask[LAYER_MASK_WORDS]);
void LAYER_ask_global_selectable_mask(unsigned int mask[LAYER_MASK_WORDS]);
/* Sets the global visible (dsp464_) and selectable (dsp466_) masks; the
 * work layer keeps its bits. */
void dsp464_(const unsigned int mask[LAYER_MASK_WORDS]);
void dsp466_(const unsigned int mask[LAYER_MASK_WORDS]);
/* Makes the layer the work layer (visible and selectable). */
void dsp461_(const int* layer);
/* Redraws what changed against the visible mask before; flag 1 while the
 * display is suppressed (the redraw then waits). */
void DSS_LAYER_update_global_mask(const unsigned int old_visible[LAYER_MASK_WORDS], int flag);
/* The display sequence of the work view (1 when there is no layout). */
int DSS_VIEW_ask_work_vseq(void);
/* The layer mask of a view by display sequence. */
void dsp452_(const int* sequence, unsigned int mask[LAYER_MASK_WORDS]);
/* The layers a view by display sequence renders (dsp453_: its mask) and
 * the layers rendered in every view (dsp456_: the global visible mask). */
void dsp453_(const int* sequence, unsigned int mask[LAYER_MASK_WORDS]);
void dsp456_(unsigned int mask[LAYER_MASK_WORDS]);
/* The part's next object after *object (0: the first) on a layer of the
 * mask; 0 at the end. */
void ES_cycle_entities_by_layer(unsigned int part, const unsigned int mask[LAYER_MASK_WORDS], unsigned int* object);

/* Categories. */
unsigned int LAYER_create_category(const char* name, int length, const unsigned int mask[LAYER_MASK_WORDS]);
/* The mask of layers 1 to 256 (es1202_) and its replacement (es1206_). */
void es1202_(const unsigned int* category, unsigned int mask[LAYER_MASK_WORDS]);
void es1206_(const unsigned int* category, const unsigned int mask[LAYER_MASK_WORDS]);
/* The description: read into a buffer of LAYER_MAX_DESCRIPTION + 1 bytes
 * (not terminated; *length its characters), set from length characters,
 * removed. */
void es1230_(const unsigned int* category, char* text, int* length);
void es1231_(const unsigned int* category, const char* text, const int* length);
void es1232_(const unsigned int* category);
/* The work part's object of the entity type whose name is the first length
 * characters of name (case ignored); 0 for none. */
unsigned int ES_find_entity_from_name_dp(const char* name, int length, int type);

#pragma GCC visibility pop
#ifdef __cplusplus
}

namespace host::layers {
// What DSS_LAYER_update_global_mask was asked to do, in order (the flag).
struct Log {
    int updates = 0;
    int deferred = 0;  // of them with flag 1
};
const Log& log();
// Fixture: sets the work view's mask as it stands (no host call journalled).
void set_work_view_mask(const unsigned int mask[LAYER_MASK_WORDS]);
}  // namespace host::layers
#endif

#endif
