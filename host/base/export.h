/* What libkxhost.so exports.
 *
 * The host compiles with hidden visibility. Its interface is its C routines
 * and common blocks, the names the library calls: every header declares
 * them inside its extern "C" block between
 *     #pragma GCC visibility push(default)  ...  #pragma GCC visibility pop
 * so their definitions are exported wherever they sit. host/kxhost.map then
 * keeps exactly those unmangled names (and what HOST_API marks) in the
 * shared library's interface and drops what the C++ standard library
 * instantiates with default visibility.
 *
 * HOST_API marks the few C++ functions that the library's shared object
 * calls in the host (its error frames' hand-over to a user's jump buffer,
 * the frame depth its guards check, liveness of blocks and tags, the curve
 * records of an evaluator); host/kxhost.map lists them by name. Tests link
 * the host's objects and reach everything else without an export. */
#ifndef HOST_EXPORT_H
#define HOST_EXPORT_H

#define HOST_API __attribute__((visibility("default")))

#endif
