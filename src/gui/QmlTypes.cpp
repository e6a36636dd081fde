#include "gui/QmlTypes.h"

#include "commissioning/CommissioningViewModel.h"
#include "commissioning/RangeSetterView.h"
#include "commissioning/ServiceBitView.h"
#include "datamodel/InstrumentTypes.h"
#include "gui/Activities.h"
#include "gui/ActivityItem.h"
#include "gui/ActivityModel.h"
#include "gui/Calibration.h"
#include "gui/Connections.h"
#include "gui/FixedValueUnit.h"
#include "gui/GraphSeries.h"
#include "gui/GuiViewModel.h"
#include "gui/IconListViewItem.h"
#include "gui/InputGuard.h"
#include "gui/LogListModel.h"
#include "gui/MeasurementData.h"
#include "gui/MeasurementGraph.h"
#include "gui/MeasurementTable.h"
#include "gui/MenuViewModel.h"
#include "gui/PropertyConfirmationViewModel.h"
#include "gui/PropertySettingsViewModel.h"
#include "gui/Settings.h"
#include "gui/SystemInformation.h"
#include "gui/TestConfiguration.h"
#include "gui/TestMeasurement.h"
#include "gui/TestPreparation.h"
#include "gui/TestResults.h"
#include "gui/TestResultsTanDelta.h"
#include "gui/TanDeltaCriterionItemViewModel.h"
#include "gui/TrendSeries.h"
#include "gui/ValueUnit.h"
#include "uiapi/ActivityTypes.h"
#include "uiapi/Measurement.h"
#include "uiapi/SafetyCircuitView.h"

#include <QQmlEngine>

void initGuiResources() { Q_INIT_RESOURCE(gui); }

namespace {
// The commissioning pages' types; the records also under the short names the pages use.
void registerCommissioningQmlTypes(const char* uri)
{
    using namespace Commissioning;
    registerCommissioningTypes();
    qmlRegisterUncreatableMetaObject(Commissioning::staticMetaObject, uri, 1, 0, "Commissioning",
                                     QStringLiteral("Cannot create"));
    qmlRegisterUncreatableType<ServiceBitView>(uri, 1, 0, "ServiceBitView", QStringLiteral("Abstract Interface"));
    qmlRegisterUncreatableType<RangeSetterView>(uri, 1, 0, "RangeSetterView", QStringLiteral("Abstract Interface"));

    qRegisterMetaType<UserEvent>("UserEvent");
    qRegisterMetaType<OutputCalibrationStage>("OutputCalibrationStage");
    qRegisterMetaType<CascadeCalibrationStage>("CascadeCalibrationStage");
    qRegisterMetaType<CascadeCalibrationValues>("CascadeCalibrationValues");
    qRegisterMetaType<CascadeCalibrationResult>("CascadeCalibrationResult");
    qRegisterMetaType<CascadePowerStage>("CascadePowerState");
    qRegisterMetaType<BurnInStage>("BurnInStage");
    qRegisterMetaType<CommissioningStage>("CommissioningStage");
    qRegisterMetaType<PeriodicValues>("PeriodicValues");
    qRegisterMetaType<TanDCalibrationStage>("TanDCalibrationStage");
    qRegisterMetaType<TanDStepStestResult>("TanDValidationResult");
    qRegisterMetaType<TanDCalibrationValues>("TanDCalibrationValues");
}
} // namespace

void registerQmlTypes()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    initGuiResources();
    registerInstrumentTypes();

    const char* const uri = "Vlf.GUI";
    qmlRegisterType<GuiViewModel>(uri, 1, 0, "GuiViewModel");
    qmlRegisterType<MenuViewModel>(uri, 1, 0, "MenuViewModel");
    qmlRegisterType<Settings>(uri, 1, 0, "Settings");
    qmlRegisterType<TestPreparation>(uri, 1, 0, "Preparation");
    qmlRegisterType<TestMeasurement>(uri, 1, 0, "TestMeasurement");
    qmlRegisterType<Connections>(uri, 1, 0, "DataConnection");
    qmlRegisterType<Calibration>(uri, 1, 0, "Calibration");
    qmlRegisterType<SystemInformation>(uri, 1, 0, "SystemInformation");
    qmlRegisterType<IconListViewItem>(uri, 1, 0, "IconListViewItem");
    qmlRegisterType<InputGuard>(uri, 1, 0, "InputGuard");
    qmlRegisterType<TestResults>(uri, 1, 0, "TestResults");
    qmlRegisterType<TestResultsTanDelta>(uri, 1, 0, "TestResultsTanDelta");
    qmlRegisterType<TanDeltaCriterionItemViewModel>(uri, 1, 0, "TanDeltaCriterionItemViewModel");
    qmlRegisterType<Activities>(uri, 1, 0, "Activities");
    qmlRegisterUncreatableMetaObject(ActivityTypes::staticMetaObject, uri, 1, 0, "ActivityEntryType",
                                     QStringLiteral("Access to activity entry type enums"));
    qmlRegisterUncreatableType<ActivityModel>(uri, 1, 0, "ActivityModel",
                                              QStringLiteral("Can't create ActivityModel instance"));
    qmlRegisterUncreatableType<LogListModel>(uri, 1, 0, "LogListModel",
                                             QStringLiteral("Can't create LogListModel instance"));
    qmlRegisterAnonymousType<ActivityItem>(uri, 1);
    qmlRegisterType<TestConfiguration>(uri, 1, 0, "TestConfiguration");
    qmlRegisterUncreatableType<OperatingModes>(uri, 1, 0, "OperatingMode",
                                               QStringLiteral("Can't create OperatingModes instance"));
    qmlRegisterUncreatableMetaObject(States::staticMetaObject, uri, 1, 0, "States",
                                     QStringLiteral("Can't create States instance"));
    qmlRegisterUncreatableType<Commissioning::CommissioningViewModel>(uri, 1, 0, "CommissioningViewModel",
                                                                      QStringLiteral("not default"));

    qmlRegisterUncreatableType<ValueUnit>(uri, 1, 0, "ValueUnit", QStringLiteral("Can't create ValueUnit instance"));
    qmlRegisterAnonymousType<FixedValueUnit>(uri, 1);
    qmlRegisterType<PropertySettingsViewModel>(uri, 1, 0, "PropertySettingsViewModel");
    qmlRegisterUncreatableType<PropertyConfirmationViewModel>(
        uri, 1, 0, "PropertyConfirmationViewModel", QStringLiteral("Can't create PropertyConfirmationViewModel instance"));
    qmlRegisterUncreatableMetaObject(Measurement::staticMetaObject, uri, 1, 0, "TestResult",
                                     QStringLiteral("Access to measurement enums"));
    qmlRegisterType<SafetyCircuitView>(uri, 1, 0, "SafetyCircuitView");
    registerCommissioningQmlTypes(uri);

    qmlRegisterType<MeasurementData>(uri, 1, 0, "MeasurementData");
    qmlRegisterType<MeasurementGraph>(uri, 1, 0, "MeasurementGraph");
    qmlRegisterType<MeasurementTable>(uri, 1, 0, "MeasurementTable");
    qmlRegisterAnonymousType<GraphSeries>("", 1);
    qmlRegisterUncreatableType<GraphSeries>(uri, 1, 0, "GraphType", QStringLiteral("Can't create GraphType instance"));
    qmlRegisterUncreatableType<GraphSeries>(uri, 1, 0, "DataType", QStringLiteral("Can't create DataType instance"));
    qmlRegisterUncreatableType<TrendSeries>(uri, 1, 0, "TrendState", QStringLiteral("Can't create TrendState instance"));
}
