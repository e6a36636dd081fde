#include "app/DMhvDataModel.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"

#include <limits>

namespace {
DataModell* dm() { return GlobalFuncs::getDM(); }
} // namespace

// Until the frame has registered the data model, reads give neutral values and
// writes go nowhere; the link itself works either way.
stIdentification DMhvDataModel::getHVIdentification() const { return dm() ? dm()->getHVIdentification() : stIdentification(); }
void DMhvDataModel::setHVIdentification(const stIdentification& id) { if (dm()) dm()->setHVIdentification(id); }
void DMhvDataModel::setHVCSerial(const QString& serial) { if (dm()) dm()->setHVCSerial(serial); }
void DMhvDataModel::setHVUnitParam(eHVUnitParamType type, quint64 value) { if (dm()) dm()->setHVUnitParam(type, value); }
quint64 DMhvDataModel::getHVUnitParam(eHVUnitParamType type) const { return dm() ? dm()->getHVUnitParam(type) : HVUnitParamUnknown; }
int DMhvDataModel::burnMode() const { return dm() ? dm()->burnMode() : 0; }
unsigned long DMhvDataModel::getFrequencyToTest() const { return dm() ? dm()->getFrequencyToTest() : 0; }
OperatingModes::OperatingMode DMhvDataModel::getOperatingMode() const { return dm() ? dm()->getOperatingMode() : OperatingModes::None; }
unsigned short DMhvDataModel::getMinutesToTest() const { return dm() ? dm()->getMinutesToTest() : 0; }
long DMhvDataModel::getVoltageToTest() const { return dm() ? dm()->getVoltageToTest() : 0; }
void DMhvDataModel::changeOperatingMode(OperatingModes::OperatingMode mode) { if (dm()) dm()->changeOperatingMode(mode); }
void DMhvDataModel::setVoltageToTest(long mv) { if (dm()) dm()->setVoltageToTest(mv); }
void DMhvDataModel::targetVoltageSent(long mv) { if (dm()) dm()->targetVoltageSent(mv); }
void DMhvDataModel::setFrequencyToTest(unsigned long mhz) { if (dm()) dm()->setFrequencyToTest(int(mhz)); }
void DMhvDataModel::setMinutesToTest(unsigned short minutes) { if (dm()) dm()->setMinutesToTest(minutes); }
quint8 DMhvDataModel::getPevantoType() const { return dm() ? dm()->getPevantoType() : 0; }
bool DMhvDataModel::isTestRunning() const { return dm() && dm()->isTestRunning(); }

bool DMhvDataModel::isIdle() const { return dm() && dm()->getAppState() == States::Idle; }
bool DMhvDataModel::isDutyCycleMode() const { return dm() && dm()->isDutyCycleMode(); }
int DMhvDataModel::hvGeneratorCharacteristics() const { return dm() ? dm()->hvGeneratorCharacteristics() : 0; }

QPair<unsigned long, unsigned long> DMhvDataModel::frequencyRange(OperatingModes::OperatingMode mode) const
{
    return dm() ? dm()->frequencyRange(mode) : qMakePair(0ul, ~0ul);
}

QString DMhvDataModel::hvSourceVersionText() const
{
    return dm() ? dm()->getSystemInfo()->getHvSourceVersion() : QStringLiteral("0.00");
}

qint64 DMhvDataModel::getPerformanceIndicator(int id, int index) const
{
    DB* db = GlobalFuncs::getDB();
    return db ? db->getPerformanceIndicator(id, index) : std::numeric_limits<qint64>::min();
}

void DMhvDataModel::setPerformanceIndicator(int id, int index, qint64 value)
{
    if (DB* db = GlobalFuncs::getDB())
        db->setPerformanceIndicator(id, index, value);
}
