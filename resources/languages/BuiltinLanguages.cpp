#include "languages/BuiltinLanguages.h"

#include <QtGlobal>

static void registerTranslations() { Q_INIT_RESOURCE(translations); }

void initBuiltinLanguages()
{
    static const bool registered = (registerTranslations(), true);
    Q_UNUSED(registered)
}
