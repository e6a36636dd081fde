#include "fakes/DataModelFixture.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statemachine.h"
#include "db/DB.h"

#include <QElapsedTimer>
#include <QTest>

DataModelFixture::DataModelFixture()
    : m_root(std::make_unique<TempRoot>()), m_config(std::make_unique<FakeConfig>())
{
    registerInstrumentTypes();
    if (!m_root->isValid())
        return;
    GlobalFuncs::setConfig(m_config.get());
    if (!DB::getInstance()->initialize())
        return;
    DB::getInstance()->registerGlobally();
    m_dm = DataModell::getInstance();
    m_dm->initialize();
    m_valid = GlobalFuncs::getDM() == m_dm;
}

void DataModelFixture::readyForATest() const
{
    m_dm->receiveAppEvent(eAppEvent::MainsOn);
    m_dm->receiveAppEvent(eAppEvent::HVUnitInitialized);
}

std::function<void()> DataModelFixture::meeting(const QString& event, const std::function<void()>& again,
                                                const std::function<void()>& pull) const
{
    return [this, event, again, pull] {
        if (event == QLatin1String("stick pulled"))
            pull ? pull() : void(m_root->pullStick());
        else if (event == QLatin1String("pressed again"))
            again();
        else
            m_dm->receiveAppEvent(eAppEvent::StartTest);
    };
}

DataModelFixture::~DataModelFixture()
{
    DataModell::destroyInstance();
    DB::destroyInstance();
    GlobalFuncs::setDB(nullptr);
    GlobalFuncs::setConfig(nullptr);
    m_config.reset();
    m_root.reset();
}

bool DataModelFixture::returnToIdle(int timeoutMs, const std::function<void()>& restartUnit)
{
    using namespace States;
    QElapsedTimer clock;
    clock.start();
    AppState answered = None;
    while (clock.elapsed() < timeoutMs) {
        const AppState state = m_dm->getAppState();
        if (state == Idle && !m_dm->getHVUnitState().comError)
            return true;
        // Once per state: the machine may need a moment to act on the answer.
        if (state != answered) {
            answered = state;
            if (state == TestFinished || state == TestDataTransferred)
                m_dm->receiveAppEvent(eAppEvent::TestResultConfirmed);
            else if (state == WaitPhaseConnect)
                m_dm->receiveAppEvent(eAppEvent::TestCanceledUser);
            else if (Statemachine::isTestState(state))
                m_dm->receiveAppEvent(eAppEvent::TestAborted);
            else if (state == HVUnitError && restartUnit)
                restartUnit();
        }
        QTest::qWait(20);
    }
    return m_dm->getAppState() == Idle && !m_dm->getHVUnitState().comError;
}
