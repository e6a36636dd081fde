#include "gui/QmlTypes.h"

#include "gui/FixedValueUnit.h"
#include "gui/PropertyConfirmationViewModel.h"
#include "gui/PropertySettingsViewModel.h"
#include "gui/ValueUnit.h"
#include "gui/api/Measurement.h"
#include "gui/api/SafetyCircuitView.h"

#include <QQmlEngine>

void registerQmlTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;

    const char* const uri = "Vlf.GUI";
    qmlRegisterUncreatableType<ValueUnit>(uri, 1, 0, "ValueUnit", QStringLiteral("Can't create ValueUnit instance"));
    qmlRegisterAnonymousType<FixedValueUnit>(uri, 1);
    qmlRegisterType<PropertySettingsViewModel>(uri, 1, 0, "PropertySettingsViewModel");
    qmlRegisterUncreatableType<PropertyConfirmationViewModel>(
        uri, 1, 0, "PropertyConfirmationViewModel", QStringLiteral("Can't create PropertyConfirmationViewModel instance"));
    qmlRegisterUncreatableMetaObject(Measurement::staticMetaObject, uri, 1, 0, "TestResult",
                                     QStringLiteral("Access to measurement enums"));
    qmlRegisterType<SafetyCircuitView>(uri, 1, 0, "SafetyCircuitView");
}
