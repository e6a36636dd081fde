#include "logging/MessageCategories.h"

const char* messageCategoryName(int category)
{
    switch (category) {
    case CAT_FATAL: return "FATAL";
    case CAT_ERR: return "ERR";
    case CAT_WARN: return "WARN";
    case CAT_INF: return "INF";
    case CAT_MSG: return "MSG";
    case CAT_MEAS: return "MEAS";
    case CAT_METHOD: return "METHOD";
    case CAT_DBG: return "DBG";
    case CAT_SKPOUT: return "SKPOUT";
    default: return "UNKNOWN";
    }
}
