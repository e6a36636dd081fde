#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "datamodel/TestSettings.h"
#include "fakes/DataModelFixture.h"
#include "fakes/RecordingGui.h"
#include "gui/TestConfiguration.h"
#include "tandelta/TanDeltaCriteriaFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

using M = OperatingModes;
using V = ValueUnit;
using Types = QList<int>;

// The configuration view model over a real data model: parameter lists per mode, the
// confirm walk, the write-back into the test settings and the voltage input.
class TstTestConfiguration : public QObject {
    Q_OBJECT

    QTranslator m_english;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<TestConfiguration> m_config;
    RecordingGui m_gui;

    DataModell* dm() const { return m_fixture->dm(); }

    // As the host does it: the data model first, then the view model.
    void selectMode(M::OperatingMode mode)
    {
        dm()->changeOperatingMode(mode);
        m_config->onOperationModeChange(mode);
    }
    // Stored peak voltage, factor and type in the order the data model keeps them.
    void storeVoltage(eVoltageType type, long peak, int factor)
    {
        dm()->setVoltageType(VoltageType_PEAK, false);
        dm()->setVoltageToTest(peak);
        dm()->setVoltageFactor(factor);
        dm()->setVoltageType(type, false);
    }
    static Types typesOf(const QList<PropertySettingsViewModel*>& items)
    {
        Types out;
        for (const auto* item : items)
            out << item->type();
        return out;
    }
    PropertySettingsViewModel* item(const QList<PropertySettingsViewModel*>& list, V::ValueType type) const
    {
        for (auto* i : list)
            if (i->type() == type)
                return i;
        return nullptr;
    }
    PropertySettingsViewModel* mainItem(V::ValueType type) const { return item(m_config->mainParameters(), type); }
    PropertySettingsViewModel* secondaryItem(V::ValueType type) const
    {
        return item(m_config->secondaryParameters(), type);
    }
    // Confirms every main item as it stands.
    bool confirmAll()
    {
        for (int i = 0; i < m_config->mainParameters().size(); ++i)
            if (m_config->confirmParameter())
                return true;
        return false;
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(tanDeltaStandards);
        QVERIFY(m_english.load(QStringLiteral(ENGLISH_QM)));
        QVERIFY(QCoreApplication::installTranslator(&m_english));
        QLocale::setDefault(QLocale::c());
    }
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        GlobalFuncs::setGUI(&m_gui);
        m_gui.calls.clear();
        m_config = std::make_unique<TestConfiguration>();
    }
    void cleanup()
    {
        m_config.reset();
        GlobalFuncs::setGUI(nullptr);
        m_fixture.reset();
    }

    void listsFollowTheModeSets_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("burnCapable");
        QTest::addColumn<Types>("main");
        QTest::addColumn<Types>("secondary");
        QTest::newRow("VLFRect") << int(M::VLFRect) << false << Types{V::Phases, V::Voltage, V::Time}
                                 << Types{V::Frequency, V::VoltageType, V::VoltageFactor, V::RampMode};
        QTest::newRow("VLFRect, burn") << int(M::VLFRect) << true << Types{V::Phases, V::Voltage, V::Time}
                                       << Types{V::Frequency, V::VoltageType, V::VoltageFactor, V::RampMode, V::BurnMode};
        QTest::newRow("DC") << int(M::DC) << false << Types{V::Phases, V::Voltage, V::Time}
                            << Types{V::Polarity, V::RampMode};
        QTest::newRow("VLFSin") << int(M::VLFSin) << false << Types{V::Phases, V::Voltage, V::Time}
                                << Types{V::Frequency, V::VoltageType, V::VoltageFactor, V::RampMode};
        // The levels are set on the extended page.
        QTest::newRow("TanDelta") << int(M::TanDelta) << false << Types{V::Phases, V::InsulationType, V::Voltage}
                                  << Types{V::Frequency, V::VoltageFactor, V::NumberOfLevels, V::ValuesPerLevel,
                                           V::TanDeltaStandard};
        QTest::newRow("MWTStep") << int(M::MWTStep) << false
                                 << Types{V::Phases, V::InsulationType, V::VoltageU0, V::VoltageFactor, V::Time}
                                 << Types{V::Frequency, V::NumberOfLevels, V::ValuesPerLevel, V::TanDeltaStandard};
        QTest::newRow("no primary set") << int(M::SafetyCircuitCheck) << false << Types{} << Types{};
    }
    void listsFollowTheModeSets()
    {
        QFETCH(int, mode);
        QFETCH(bool, burnCapable);
        QFETCH(Types, main);
        QFETCH(Types, secondary);
        stIdentification id;
        id.supportFlags = burnCapable ? 0x01 : 0x00;
        dm()->setHVIdentification(id);
        selectMode(M::OperatingMode(mode));
        QCOMPARE(typesOf(m_config->mainParameters()), main);
        QCOMPARE(typesOf(m_config->secondaryParameters()), secondary);
        QVERIFY(main.isEmpty() || m_config->mainParameters().first()->isActive());
    }

    void modeChangeRules()
    {
        dm()->changeOperatingMode(M::DC);
        dm()->setMinutesToTest(30);
        selectMode(M::DC);
        QSignalSpy rebuilt(m_config.get(), &TestConfiguration::mainParametersChanged);
        m_config->onOperationModeChange(M::DC);
        QCOMPARE(rebuilt.size(), 0);
        QCOMPARE(int(dm()->getMinutesToTest()), 30);

        // Tan delta and pinpointing run without a time limit.
        for (M::OperatingMode mode : {M::TanDelta, M::SheathPinpointing}) {
            dm()->changeOperatingMode(mode);
            dm()->setMinutesToTest(20);
            m_config->onOperationModeChange(mode);
            QCOMPARE(int(dm()->getMinutesToTest()), 0);
        }
    }

    void confirmWalkAndRows_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QVariantList>("levels"); // the levels the cable sees, × U0
        QTest::newRow("VLFSin") << int(M::VLFSin) << 0 << QVariantList();
        QTest::newRow("DC") << int(M::DC) << 0 << QVariantList();
        QTest::newRow("TanDelta") << int(M::TanDelta) << 2 << QVariantList{0.5, 1.0, 1.5};
        // Up to the withstand level that ends it.
        QTest::newRow("MWTStep") << int(M::MWTStep) << 2 << QVariantList{0.5, 1.0, 1.5, 3.0};
    }
    void confirmWalkAndRows()
    {
        QFETCH(int, mode);
        QFETCH(int, rows);
        QFETCH(QVariantList, levels);
        dm()->setPhasesToTest(0);
        selectMode(M::OperatingMode(mode));
        auto* phases = mainItem(V::Phases);
        QVERIFY(phases->isActive());
        QVERIFY(!m_config->confirmEnabled());
        phases->setValue(IPhaseSelect::L2);
        QVERIFY(m_config->confirmEnabled());

        const auto& items = m_config->mainParameters();
        for (int i = 0; i < items.size() - 1; ++i) {
            QVERIFY(!m_config->confirmParameter());
            QVERIFY(items.at(i)->isConfirmed());
            QVERIFY(items.at(i + 1)->isActive());
        }
        QCOMPARE(dm()->phasesToTest(), int(IPhaseSelect::L2));
        QVERIFY(m_config->confirmParameter());
        QCOMPARE(m_config->confirmations().size(), rows);
        if (rows > 0)
            QCOMPARE(m_config->voltageSteps(), levels);

        // A new test of the same mode starts the walk again.
        m_config->reset();
        QVERIFY(!phases->isConfirmed());
        QVERIFY(phases->isActive());
    }

    void phaseRowsNameThePhaseToConnectNext()
    {
        dm()->setPhasesToTest(IPhaseSelect::L1 | IPhaseSelect::L3);
        selectMode(M::TanDelta);
        QVERIFY(confirmAll());
        auto rows = m_config->confirmations();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0)->type(), PropertyConfirmationViewModel::VoltageLevels);
        QVERIFY(!rows.at(0)->isConfirmed());
        QCOMPARE(rows.at(1)->description(), QStringLiteral("Connect to phase L1"));

        // L1 measured: the sequence waits for L3.
        dm()->startCurrentPhase();
        m_config->appStateChanged(States::TestFinished, States::WaitPhaseConnect);
        rows = m_config->confirmations();
        QVERIFY(rows.at(0)->isConfirmed());
        QCOMPARE(rows.at(1)->value(), 2);
        QCOMPARE(rows.at(1)->description(), QStringLiteral("L1 done, reconnect to phase L3"));
    }

    void factorItemShowsOnlyForTypeFactor()
    {
        storeVoltage(VoltageType_RMS, 10000000, 20);
        selectMode(M::VLFSin);
        auto* type = secondaryItem(V::VoltageType);
        auto* factor = secondaryItem(V::VoltageFactor);
        QCOMPARE(type->values(), QStringList({"RMS", "PEAK", "Factor"}));
        QVERIFY(!factor->visible());
        QSignalSpy typeChanged(m_config.get(), &TestConfiguration::voltageTypeChanged);
        type->setValue(2);
        QVERIFY(factor->visible());
        QCOMPARE(typeChanged.size(), 1);
        // Relabelled as the U0 input as soon as the type reads Factor.
        QCOMPARE(mainItem(V::Voltage)->description(), QStringLiteral("Adjust nominal voltage U0"));
        type->setValue(1);
        QVERIFY(!factor->visible());
    }

    void writeBack_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("getter");
        QTest::addColumn<qlonglong>("expected");
        QTest::newRow("phases") << int(M::VLFSin) << int(V::Phases) << 5 << 1 << "phases" << 5LL;
        QTest::newRow("voltage, DC peak") << int(M::DC) << int(V::Voltage) << 123 << 10 << "voltage" << 12300000LL;
        QTest::newRow("voltage, sheath range") << int(M::SheathTest) << int(V::Voltage) << 50 << 10 << "range" << 5000000LL;
        QTest::newRow("time") << int(M::DC) << int(V::Time) << 30 << 1 << "minutes" << 30LL;
        QTest::newRow("insulation") << int(M::TanDelta) << int(V::InsulationType) << 1 << 1 << "insulation" << 1LL;
        QTest::newRow("insulation beyond the list") << int(M::TanDelta) << int(V::InsulationType) << 99 << 1
                                                    << "insulation" << 0LL;
        QTest::newRow("polarity") << int(M::DC) << int(V::Polarity) << 1 << 1 << "polarity" << 1LL;
        QTest::newRow("frequency auto") << int(M::VLFSin) << int(V::Frequency) << 0 << 100 << "frequency" << 0LL;
        QTest::newRow("frequency 0.05 Hz") << int(M::VLFSin) << int(V::Frequency) << 5 << 100 << "frequency" << 50LL;
        // Pinpointing has no automatic frequency: its pulses run at one of its own range.
        QTest::newRow("pinpointing at 0") << int(M::SheathPinpointing) << int(V::Frequency) << 0 << 100 << "frequency"
                                          << 250LL;
        QTest::newRow("burn") << int(M::VLFSin) << int(V::BurnMode) << 1 << 1 << "burn" << 1LL;
        QTest::newRow("ramp") << int(M::VLFSin) << int(V::RampMode) << 1 << 1 << "ramp" << 1LL;
        QTest::newRow("duty cycle") << int(M::VLFCosRect) << int(V::DutyCycle) << 3 << 1 << "duty" << 3LL;
        QTest::newRow("levels") << int(M::TanDelta) << int(V::NumberOfLevels) << 4 << 1 << "levels" << 4LL;
        QTest::newRow("values per level") << int(M::TanDelta) << int(V::ValuesPerLevel) << 12 << 1 << "values" << 12LL;
        QTest::newRow("standard") << int(M::TanDelta) << int(V::TanDeltaStandard) << 1 << 1 << "standard" << 1LL;
        QTest::newRow("standard beyond the list") << int(M::TanDelta) << int(V::TanDeltaStandard) << 40 << 1
                                                  << "standard" << 2LL;
        QTest::newRow("unknown type") << int(M::TanDelta) << int(V::Unknown) << 1 << 1 << "standard" << 2LL;
    }
    void writeBack()
    {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(int, value);
        QFETCH(int, scale);
        QFETCH(QString, getter);
        QFETCH(qlonglong, expected);
        selectMode(M::OperatingMode(mode));
        dm()->setCableInsulation(TanDelta::evaluation::PE_XLPE);
        dm()->setEvaluationStandard(TanDelta::evaluation::IEEE2013);
        m_config->setParameterToDataModel(V::ValueType(type), value, scale);
        const QHash<QString, qlonglong> read{
            {"phases", dm()->phasesToTest()},
            {"voltage", dm()->getVoltageToTest()},
            {"range", dm()->getVoltageRangeToTest().second},
            {"minutes", dm()->getMinutesToTest()},
            {"insulation", dm()->getCableInsulation()},
            {"polarity", dm()->getVoltagePolarity()},
            {"frequency", qlonglong(dm()->getFrequencyToTest())},
            {"burn", dm()->burnCurrentLimiter() ? 1 : 0},
            {"ramp", dm()->getVoltageRampMode()},
            {"duty", dm()->getDutyCycle()},
            {"levels", dm()->getVoltageSteps()},
            {"values", dm()->getNumberOfValues()},
            {"standard", dm()->getEvaluationStandard()},
        };
        QVERIFY(read.contains(getter));
        QCOMPARE(read.value(getter), expected);
    }

    // Ramp Off runs as Auto, reads as Auto and stays until another choice; only the levels
    // the data model keeps are offered.
    void extendedChoicesOfferWhatTheDataModelKeeps()
    {
        selectMode(M::VLFSin);
        dm()->setVoltageRampMode(VoltageRampMode_Off);
        m_config->updateValuesFromModel();
        QCOMPARE(secondaryItem(V::RampMode)->value(), 0);
        m_config->confirmExtendedParameter();
        QCOMPARE(dm()->getVoltageRampMode(), VoltageRampMode_Off);
        secondaryItem(V::RampMode)->setValue(1);
        m_config->confirmExtendedParameter();
        QCOMPARE(dm()->getVoltageRampMode(), VoltageRampMode_Manual);
        selectMode(M::TanDelta);
        QCOMPARE(secondaryItem(V::NumberOfLevels)->maximum(), TestSettings::MaxVoltageSteps);
    }

    // U0 ends where the highest level reaches the maximum (60 kV peak): a level of a
    // stepped test, the test voltage of a factor, the withstand level of a monitored step
    // test. The page's slider ends where the data model does, and more levels bring a
    // stored U0 down.
    void steppedLevelsStayWithinTheMaximum_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("factor");
        QTest::addColumn<long>("storedMax"); // U0, peak mV
        QTest::addColumn<int>("pageMax");    // tenths of kV in the type's form
        QTest::newRow("RMS, 1.5 x U0") << int(M::TanDelta) << int(VoltageType_RMS) << 20 << 40000000L << 282;
        QTest::newRow("PEAK, 1.5 x U0") << int(M::TanDelta) << int(VoltageType_PEAK) << 20 << 40000000L << 400;
        QTest::newRow("Factor 2.0") << int(M::TanDelta) << int(VoltageType_Factor) << 20 << 30000000L << 212;
        QTest::newRow("withstand 5.0 x U0") << int(M::MWTStep) << int(VoltageType_RMS) << 50 << 12000000L << 84;
    }
    void steppedLevelsStayWithinTheMaximum()
    {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(int, factor);
        QFETCH(long, storedMax);
        QFETCH(int, pageMax);
        selectMode(M::OperatingMode(mode));
        dm()->setVoltageType(eVoltageType(type), false);
        dm()->setVoltageToTest(1000000);
        dm()->setVoltageFactor(factor);
        dm()->setVoltageSteps(3);
        m_config->updateVoltageInput();
        QCOMPARE(dm()->storedVoltageBounds().second, storedMax);
        PropertySettingsViewModel* u0 = mainItem(V::Voltage) ? mainItem(V::Voltage) : mainItem(V::VoltageU0);
        QCOMPARE(u0->maximum(), pageMax);
        m_config->setParameterToDataModel(u0->type(), 999, 10);
        for (int levels : {3, 6}) {
            dm()->setVoltageSteps(unsigned(levels));
            QList<long> steps = dm()->getVoltageStepList();
            QCOMPARE(steps.size(), levels);
            if (mode == M::MWTStep)
                steps << long(qint64(dm()->getVoltageToTest()) * dm()->getVoltageFactor(VoltageType_Factor) / 10);
            if (type == VoltageType_Factor)
                steps << dm()->getVoltageToTest();
            const long highest = *std::max_element(steps.cbegin(), steps.cend());
            QVERIFY2(highest <= 60000000 && highest > 59000000, qPrintable(QString::number(highest)));
        }
    }

    void importedStandardsMapBothWays()
    {
        const QString folder = TanDelta::evaluation::criteriaFolderPath();
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(":/tanDeltaStandards/1_5Uo.tds", folder + "/a.tds"));
        QVERIFY(QFile::copy(":/tanDeltaStandards/2Uo.tds", folder + "/b.tds"));
        dm()->setEvaluationStandard(TanDelta::evaluation::userStandardId(1));
        selectMode(M::TanDelta);
        auto* standard = secondaryItem(V::TanDeltaStandard);
        QCOMPARE(standard->values().size(), 5);
        QCOMPARE(standard->value(), 4);
        standard->setValue(3);
        m_config->confirmExtendedParameter();
        QCOMPARE(int(dm()->getEvaluationStandard()), 1000);
    }

    void tanDeltaEvaluationInfo_data()
    {
        QTest::addColumn<int>("standard");
        QTest::addColumn<int>("insulation");
        QTest::addColumn<int>("levels");
        QTest::addColumn<int>("frequency"); // the item's value, 0.01 Hz
        QTest::addColumn<QString>("text");
        QTest::newRow("evaluable") << 2 << int(TanDelta::evaluation::XLPE) << 3 << 0 << "";
        QTest::newRow("insulation") << 2 << int(TanDelta::evaluation::PVC) << 3 << 0
                                    << "No evaluation possible for this insulation type";
        QTest::newRow("levels") << 2 << int(TanDelta::evaluation::XLPE) << 2 << 0
                                << "No evaluation possible with these voltage steps";
        QTest::newRow("0.05 Hz") << 2 << int(TanDelta::evaluation::XLPE) << 3 << 5
                                 << "No evaluation possible, test frequency too low";
        QTest::newRow("0.10 Hz") << 2 << int(TanDelta::evaluation::XLPE) << 3 << 10 << "";
    }
    void tanDeltaEvaluationInfo()
    {
        QFETCH(int, standard);
        QFETCH(int, insulation);
        QFETCH(int, levels);
        QFETCH(int, frequency);
        QFETCH(QString, text);
        dm()->setEvaluationStandard(TanDelta::evaluation::eEvaluationStandard(standard));
        dm()->setCableInsulation(TanDelta::evaluation::eInsulationType(insulation));
        dm()->setVoltageSteps(unsigned(levels));
        selectMode(M::TanDelta);
        auto* item = secondaryItem(V::Frequency);
        item->setValue(frequency);
        if (frequency == 0)
            QCOMPARE(item->valueToString(), QStringLiteral("Auto"));
        m_config->confirmExtendedParameter();
        QCOMPARE(int(dm()->getFrequencyToTest()), 10 * frequency);
        QCOMPARE(getVoltageFactors(*dm()), (QVector<unsigned short>{50, 100, 150}.mid(0, levels)));
        QCOMPARE(m_config->voltageSteps(), (QVariantList{0.5, 1.0, 1.5}.mid(0, levels)));
        QCOMPARE(m_config->tanDeltaEvaluationInfo(), text);
    }

    void shownVoltage_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("factor");
        QTest::addColumn<long>("peak"); // a snap point: test voltages 10, 20, 30 kV, U0 6, 10, 12 kV
        QTest::addColumn<double>("shown");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QVariantList>("ticks");
        QTest::newRow("PEAK in DC") << int(M::DC) << int(VoltageType_PEAK) << 10 << 10000000L << 10.0 << 10.0 << "10.0"
                                    << "" << QVariantList{100, 200, 300};
        QTest::newRow("PEAK in sine") << int(M::VLFSin) << int(VoltageType_PEAK) << 10 << 10000000L << 10.0 << 10.0
                                      << "10.0" << "PEAK" << QVariantList{100, 200, 300};
        QTest::newRow("RMS in sine") << int(M::VLFSin) << int(VoltageType_RMS) << 10 << 10000000L << 7.1 << 7.1 << "7.1"
                                     << "RMS" << QVariantList{71, 141, 212};
        QTest::newRow("RMS in rectangular") << int(M::VLFRect) << int(VoltageType_RMS) << 10 << 10000000L << 10.0 << 10.0
                                            << "10.0" << "" << QVariantList{100, 200, 300};
        // U0 10 kV peak, 7.1 kV RMS; the test voltage is 2.0 × the rounded U0 (directly 14.1).
        QTest::newRow("Factor in sine") << int(M::VLFSin) << int(VoltageType_Factor) << 20 << 20000000L << 7.1 << 14.2
                                        << "14.2" << "RMS" << QVariantList{42, 71, 85};
        QTest::newRow("Factor in rectangular") << int(M::VLFRect) << int(VoltageType_Factor) << 20 << 20000000L << 10.0
                                               << 20.0 << "20.0" << "" << QVariantList{60, 100, 120};
        QTest::newRow("U0 of tan delta") << int(M::TanDelta) << int(VoltageType_RMS) << 10 << 10000000L << 7.1 << 7.1
                                         << "7.1" << "RMS" << QVariantList{42, 71, 85};
    }
    void shownVoltage()
    {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(int, factor);
        QFETCH(long, peak);
        QFETCH(double, shown);
        QFETCH(double, voltage);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        QFETCH(QVariantList, ticks);
        dm()->changeOperatingMode(M::OperatingMode(mode));
        storeVoltage(eVoltageType(type), peak, factor);
        m_config->onOperationModeChange(M::OperatingMode(mode));
        QCOMPARE(m_config->convertVoltage(dm()->getVoltageToTest()), shown);
        QCOMPARE(m_config->voltage(), voltage);
        auto* item = mainItem(V::Voltage);
        QCOMPARE(item->value(), qRound(shown * 10));
        QCOMPARE(item->valueToString(), text);
        QCOMPARE(item->unitHint(), hint);
        QCOMPARE(item->ticks(), ticks);
        // A voltage stored at a snap point sits on its tick.
        QVERIFY(item->ticks().contains(item->value()));
        // The mode's lowest voltage shows as 0.0 kV: the slider starts at 0.
        QCOMPARE(item->minimum(), 0);
    }

    void factorRange_data()
    {
        QTest::addColumn<double>("u0");
        QTest::addColumn<double>("maxVoltage");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::newRow("8.7 kV, 62 kV") << 8.7 << 62.0 << 3 << 50;
        QTest::newRow("20 kV, 42.4 kV") << 20.0 << 42.4 << 1 << 21;
        QTest::newRow("no U0") << 0.0 << 62.0 << 1 << 50;
        QTest::newRow("negative U0") << -1.0 << 62.0 << 1 << 50;
    }
    void factorRange()
    {
        QFETCH(double, u0);
        QFETCH(double, maxVoltage);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QCOMPARE(TestSettings::factorRange(u0, maxVoltage), qMakePair(minimum, maximum));
    }

    void mwtStepKeepsStoredVoltageAndFactor()
    {
        dm()->changeOperatingMode(M::MWTStep);
        dm()->setVoltageToTest(8700000); // RMS
        dm()->setVoltageFactor(20);
        const long stored = dm()->getVoltageToTest();
        m_config->onOperationModeChange(M::MWTStep);
        auto* u0 = mainItem(V::VoltageU0);
        auto* factor = mainItem(V::VoltageFactor);
        QCOMPARE(u0->value(), 87);
        QCOMPARE(factor->value(), 20);
        QCOMPARE(factor->minimum(), 3);
        QVERIFY(confirmAll());
        QCOMPARE(dm()->getVoltageToTest(), stored);
        QCOMPARE(dm()->getVoltageFactor(VoltageType_Factor), 20);
        // A new factor: U0's slider and its note name the limit it sets.
        m_config->setParameterToDataModel(V::VoltageFactor, 40, 10);
        const QString limit = QStringLiteral("U0 ends at %1 kV: the highest level, 4.0 \u00d7 U0,");
        QVERIFY2(u0->description().contains(limit.arg(u0->maximum() / 10.0, 0, 'f', 1)), qPrintable(u0->description()));

        // A low U0 ends the factor at 5.0 × U0; without a U0 the range stays whole.
        u0->setValue(50);
        QCOMPARE(qMakePair(factor->minimum(), factor->maximum()), qMakePair(4, 50));
        u0->setValue(0);
        QCOMPARE(factor->minimum(), 1);
        QCOMPARE(factor->maximum(), 50);
    }

    void factorMessages_data()
    {
        QTest::addColumn<long>("u0");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("arguments");
        // U0 in mV RMS; the sine mode reaches 60 kV peak (42.4 kV RMS); no factor gives less than 2 kV.
        QTest::newRow("accepted") << 7071068L << 20 << 25 << 25 << "" << QStringList();
        QTest::newRow("above the maximum") << 14142135L << 20 << 40 << 30 << "ResultFactorLimited"
                                           << QStringList{"3.0", "14.1", "42.4"};
        QTest::newRow("below 2 kV") << 500000L << 50 << 20 << 40 << "ResultVoltageToLow" << QStringList{"1.0"};
    }
    void factorMessages()
    {
        QFETCH(long, u0);
        QFETCH(int, stored);
        QFETCH(int, entered);
        QFETCH(int, kept);
        QFETCH(QString, key);
        QFETCH(QStringList, arguments);
        dm()->changeOperatingMode(M::VLFSin);
        dm()->setVoltageType(VoltageType_Factor, false);
        dm()->setVoltageToTest(u0);
        dm()->setVoltageFactor(stored);
        dm()->setVoltageToTest(u0);
        QCOMPARE(dm()->getVoltageFactor(VoltageType_Factor), stored);
        m_config->onOperationModeChange(M::VLFSin);
        m_config->setParameterToDataModel(V::VoltageFactor, entered, 10);
        QCOMPARE(dm()->getVoltageFactor(VoltageType_Factor), kept);
        QCOMPARE(secondaryItem(V::VoltageFactor)->value(), kept);
        const auto calls = m_gui.callsOf("showMessageDlg");
        QCOMPARE(calls.size(), key.isEmpty() ? 0 : 1);
        if (key.isEmpty())
            return;
        QCOMPARE(calls.first().category, int(CAT_INF));
        QCOMPARE(calls.first().context, QStringLiteral("Dialog"));
        QCOMPARE(calls.first().key, key);
        QCOMPARE(calls.first().arguments, arguments);
    }

    void voltageTypeWrite()
    {
        storeVoltage(VoltageType_RMS, 10000000, 20);
        selectMode(M::VLFSin);
        QSignalSpy typeWritten(dm(), &DataModell::voltageTypeChanged);
        m_config->confirmExtendedParameter();
        QCOMPARE(typeWritten.size(), 0);

        // The test voltage stays, as U0 × factor, and the choice outlives a mode change.
        secondaryItem(V::VoltageType)->setValue(2);
        m_config->confirmExtendedParameter();
        QCOMPARE(dm()->getVoltageType(), VoltageType_Factor);
        QVERIFY(qAbs(dm()->getVoltageToTest() - 10000000) <= 10);
        selectMode(M::DC);
        selectMode(M::VLFSin);
        QCOMPARE(dm()->getVoltageType(), VoltageType_Factor);
        QVERIFY(qAbs(dm()->getVoltageToTest() - 10000000) <= 10);
    }
};

QTEST_MAIN(TstTestConfiguration)
#include "tst_testconfiguration.moc"
