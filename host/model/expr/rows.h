// Inside of the expression service, for its part-file section. Only
// host/model/expr/ includes it.
#ifndef HOST_EXPR_ROWS_H
#define HOST_EXPR_ROWS_H

#include <string>
#include <utility>
#include <vector>

#include "host/model/expr/expr.h"

namespace host::expr::detail {

// 0 or the code for a name in the part (its units decide the units' names).
int check_name(tag_t part, const std::string& name);
// The names a formula uses, or a code.
int read(tag_t part, const std::string& formula, std::vector<std::string>& names);
// The value of a formula with the given values of its names, or a code.
int value_of(tag_t part, const std::string& formula, const std::vector<std::pair<std::string, double>>& values,
             double& out);
// Puts a row in the table as it stands.
void store(tag_t exp, Expression row);
// The next system number of the part after the highest "p<n>" it has.
void renumber_system(tag_t part);

}  // namespace host::expr::detail

#endif
