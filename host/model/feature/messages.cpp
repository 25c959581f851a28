// The texts of the feature service's and the undo service's codes.
#include "host/base/services/host_messages.h"
#include "host/model/feature/codes.h"
#include "host/model/feature/feature.h"
#include "host/model/feature/undo.h"

HOST_CODE_TEXTS(HOST_FEATURE_OBJECT_CODES);
HOST_CODE_TEXTS(HOST_FEATURE_CODES);
HOST_CODE_TEXTS(HOST_UNDO_CODES);
