/* The least of the KLAM run-time: programs known by name, run one at a
 * time, with the arguments that the interface hands over.
 *
 * inklam_ answers 1 while a program runs. KXKL_set_args_in_kxapi keeps the
 * arguments for the next program; KLX_run_klam_program runs the program of
 * that name and answers 0, 1 when no such program is known, or the
 * program's own non-zero answer. A host error raised inside the program
 * passes on (the running flag is cleared on the way). */
#ifndef HOST_SYSTEM_KLAM_H
#define HOST_SYSTEM_KLAM_H

#ifdef __cplusplus
extern "C" {
#endif
#pragma GCC visibility push(default) /* exported: see host/base/export.h */

int inklam_(void);
void KXKL_set_args_in_kxapi(int count, void** arguments);
int KLX_run_klam_program(const char* program);
#define KLX_NO_SUCH_PROGRAM 1

#pragma GCC visibility pop
#ifdef __cplusplus
}

#include <functional>
#include <string>

namespace host::klam {
// A program: it receives the argument count and array last handed over.
using Program = std::function<int(int count, void** arguments)>;
void define_program(const std::string& name, Program program);
}  // namespace host::klam
#endif

#endif
