/* Process-aid objects: weld and process-aid datums (their source, link
 * objects, section and attribute titles) and feature sets with a parent
 * and children features. Each function forwards to the modelling
 * library's routine of the same name; its answer is the status. Arrays
 * handed out are freed with KX_free, title arrays with
 * KX_free_string_array.
 *
 * Kinds are bits: a datum kind mask combines them and lies in 1 to
 * 0x7FFFFFF. Sets of kinds 0x100, 0x200, 0x400 and 0x4000000 have a
 * parent feature; sets of kinds 0x1 to 0x100, 0x40000 to 0x4000000 have
 * children features. */
#ifndef KX_PROCESS_AID_H
#define KX_PROCESS_AID_H

#include "kx_types.h"

KX_BEGIN_DECLS

/* object: a datum or one of its link objects. */
KXAPI int KX_PROCESS_AID_ask_link_objects(tag object, int* n_links, tag** links);
/* The datum an object belongs to (itself, a link or its source), the
 * datum's source object and kind. */
KXAPI int KX_PROCESS_AID_ask_source_object(tag object, tag* datum, tag* source, int* kind);
/* *datums: the part's datums of the kinds in the mask, ending with
 * NULL_TAG. */
KXAPI int KX_PROCESS_AID_ask_datums_in_part(tag part, int kind_mask, tag** datums);
KXAPI int KX_PROCESS_AID_ask_datum_objects(tag datum, tag* source, int* n_links, tag** links, tag* section, int* kind,
                                           int* n_titles, char*** titles);
/* point: the datum's place on its section object. */
KXAPI int KX_PROCESS_AID_ask_section_of_datum(tag datum, tag* section, double point[3]);
KXAPI int KX_PROCESS_AID_populate_attr_list(tag datum, int* n_titles, char*** titles);
KXAPI int KX_PROCESS_AID_ask_parent_feature(tag set, tag* parent);
KXAPI int KX_PROCESS_AID_ask_children_features(tag set, int* n_children, tag** children);
/* search_links: not 0 when a link or source object of a datum counts as
 * the datum. *feature becomes the datum (NULL_TAG for an object that is
 * none); *set_kind its kind, untouched when there is no datum. */
KXAPI int KX_PROCESS_AID_is_datum_object(tag object, int search_links, int* set_kind, tag* feature);

KX_END_DECLS

#endif
