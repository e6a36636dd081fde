#include "app/DataModelSafetyReceiver.h"
#include "fakes/FakeConfig.h"
#include "fakes/FakeGpioTree.h"
#include "hvunit/GPIOManager.h"
#include "hvunit/SCPins.h"
#include "hvunit/TCheckSafetyCircuit.h"
#include "fakes/TempRoot.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

class TestDataModelSafetyReceiver : public QObject {
    Q_OBJECT

    std::unique_ptr<TempRoot> m_root;
    std::unique_ptr<FakeConfig> m_config;
    DataModell* m_dm = nullptr;

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("tstsafety"));
        registerInstrumentTypes();
    }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        QVERIFY(m_root->isValid());
        m_config = std::make_unique<FakeConfig>();
        GlobalFuncs::setConfig(m_config.get());
        QVERIFY(DB::getInstance()->initialize());
        DB::getInstance()->registerGlobally();
        m_dm = DataModell::getInstance();
        m_dm->initialize();
    }

    void cleanup()
    {
        DataModell::destroyInstance();
        m_dm = nullptr;
        DB::destroyInstance();
        GlobalFuncs::setDB(nullptr);
        GlobalFuncs::setConfig(nullptr);
        m_config.reset();
        m_root.reset();
    }

    void forwardsToTheDataModel()
    {
        std::unique_ptr<SafetyReceiver> receiver = createDataModelReciever();
        QVERIFY(dynamic_cast<DataModelSafetyReceiver*>(receiver.get()));
        QSignalSpy changed(m_dm, &DataModell::safetyCircuitChanged);

        receiver->setSafetyCircuitState(std::bitset<10>(0x07F));
        QCOMPARE(m_dm->getSafetyCircuitState(), std::bitset<10>(0x07F));
        QCOMPARE(changed.count(), 1);
        receiver->setSafetyCircuitDriverEnabled(true);
        QVERIFY(m_dm->safetyCircuitDriverEnabled());
        receiver->setSafetyCircuitDriverEnabled(false);
        QVERIFY(!m_dm->safetyCircuitDriverEnabled());
    }

    void withoutADataModelNothingHappens()
    {
        GlobalFuncs::setDM(nullptr);
        std::unique_ptr<SafetyReceiver> receiver = createDataModelReciever();
        receiver->setSafetyCircuitState(std::bitset<10>(0x001));
        receiver->setSafetyCircuitDriverEnabled(true);
        QCOMPARE(m_dm->getSafetyCircuitState(), std::bitset<10>());
        QVERIFY(!m_dm->safetyCircuitDriverEnabled());
        GlobalFuncs::setDM(m_dm);
    }

    void safetyCircuitReachesTheDataModel()
    {
        QList<int> inputs;
        for (const SCPin& pin : SCPins)
            inputs << pin.line;
        FakeGpioTree tree(inputs, {HVEnableLine});
        GPIOManager gpio;
        TCheckSafetyCircuit checker(&gpio, createDataModelReciever());
        QVERIFY(checker.doRun());
        QVERIFY(m_dm->safetyCircuitDriverEnabled());
        QCOMPARE(m_dm->getSafetyCircuitState(), std::bitset<10>(0x3FF));

        QVERIFY(tree.setLine(20, false)); // ExtEmergencyOff
        for (int i = 0; i < 4; ++i)
            checker.doCheckSafetyCircuit();
        QCOMPARE(m_dm->getSafetyCircuitState(), std::bitset<10>(0x0FF));
    }
};

QTEST_GUILESS_MAIN(TestDataModelSafetyReceiver)
#include "tst_datamodelsafetyreceiver.moc"
