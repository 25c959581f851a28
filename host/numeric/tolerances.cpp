// The host's modelling tolerances and kernel length factors (see tolerances.h).
#include "host/numeric/tolerances.h"

extern "C" {
double srfc1_[2] = {0.0254, 0.5};
double pxsfac_[2] = {1.0, 1.0};
}
