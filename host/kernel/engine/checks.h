/* The kernel's parameters, its body check and the lists it hands out:
 *   - the kernel's modelling parameter 1 (KI_oumodp), its smallest length;
 *   - the kernel interface parameters 10 and 12 (KI_ouintp, KI_seintp);
 *   - the kernel's body check as a list of fault tokens (KI_chcken);
 *   - the faces and edges of a kernel body (ZQ_BODY_ask_faces, _edges);
 *   - the kernel lists it hands out (KI_gtinli, KI_delist). */
#ifndef HOST_KERNEL_CHECKS_H
#define HOST_KERNEL_CHECKS_H

/* Fault tokens of KI_chcken: the kernel's faults of ZQ_BODY_check map onto
 * these; a test may script others. */
#define KI_FAULT_GEOMETRY       13802
#define KI_FAULT_TOPOLOGY       13803
#define KI_FAULT_SELF_INTERSECT 13806
#define KI_FAULT_ORIENTATION    13808

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

/* Modelling parameter n of the kernel: *value (1: the smallest length the
 * kernel resolves, in its units); *ifail 0, or 1 for an unknown n. */
void KI_oumodp(const int* n, double* value, int* ifail);
/* Kernel interface parameters (10 and 12; others: *ifail 1). */
void KI_ouintp(const int* n, int* value, int* ifail);
void KI_seintp(const int* n, const int* value, int* ifail);
/* Checks a kernel body: *nfault faults, listed in *faults (a kernel list of
 * tokens, 0 for none) with two further lists *entities and *places (0 here);
 * *ifail 0, or a kernel code when the check cannot run. */
void KI_chcken(const int* body, const int* opt1, const int* opt2, int* nfault, int* faults, int* entities, int* places,
               int* ifail);
/* The faces (edges) of a kernel body in the kernel's order, *entities from
 * SM_alloc (null for none); a tag of no body raises KERNEL_ERR_NO_ENTITY. */
void ZQ_BODY_ask_faces(int body, int* count, int** entities);
void ZQ_BODY_ask_edges(int body, int* count, int** entities);
/* Item i (1-based) of a kernel integer list. */
void KI_gtinli(const int* list, const int* i, int* value, int* ifail);
void KI_delist(const int* list, int* ifail);
int KI_list_count(void); /* kernel lists not deleted yet */

#pragma GCC visibility pop
#ifdef __cplusplus
}
#endif

#endif
