#pragma once

#include <QMetaType>

// Category numbers of log records and user messages.
enum MessageCategories : int {
    CAT_NONE = 0,
    CAT_FATAL = 1,
    CAT_ERR = 2,
    CAT_WARN = 3,
    CAT_INF = 4,
    CAT_MSG = 5,
    CAT_MEAS = 6,
    CAT_METHOD = 7,
    CAT_DBG = 8,
    CAT_PERSISTENT = 9, // user message without buttons that stays until closed
    CAT_SKPOUT = 10
};

// Short name of a category ("FATAL" .. "DBG", "SKPOUT"); "UNKNOWN" otherwise.
const char* messageCategoryName(int category);

Q_DECLARE_METATYPE(MessageCategories)
