#include "fakes/SimulatedHVLink.h"
#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"
#include "hvunit/TPOF.h"

#include <QSignalSpy>
#include <QtTest>

using Fault = HvUnitSimulator::Fault;

class TestTPOFParameters : public QObject {
    Q_OBJECT

    // Records and service records of the link.
    struct Log {
        std::shared_ptr<LogRecorder> rec = std::make_shared<LogRecorder>();
        std::unique_ptr<LoggingCtrl> logger;
        Log()
        {
            qunsetenv("CONSOLE_LOGGING");
            logger = std::make_unique<LoggingCtrl>();
            logger->addSink(rec->makeSink());
            logger->addSink(rec->makeSink(INT_MIN, INT_MAX, ILogSink::Feed::ServiceRecords));
            logger->initialize();
        }
        bool isRunning() const { return logger->isRunning(); }
        void clear() { rec->clear(); }
        // Records with this text, once all earlier ones have arrived.
        QList<LoggingData> delivered(const QString& text)
        {
            static int marker = 0;
            const QString m = QStringLiteral("-- marker %1 --").arg(++marker);
            LoggingCtrl::logService(m);
            QList<LoggingData> found;
            if (!rec->waitFor([&](const LoggingData& r) { return r.text == m; }))
                return found;
            for (const LoggingData& r : rec->records())
                if (r.text == text)
                    found << r;
            return found;
        }
    };

    SimulatedHVLink link;
    HvUnitSimulator& sim = link.sim;
    Log log;
    std::unique_ptr<TPOF> pof;
    FakeHVData* data = nullptr;
    FakeHVData* sub = nullptr;

    QList<QByteArray> settle()
    {
        QTest::qWait(30);
        return sim.completeRequests();
    }

    void setCaps(unsigned long long caps)
    {
        HvUnitModel::Identification id = sim.model().identification();
        id.capability = caps;
        sim.model().setIdentification(id);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(log.isRunning());
        pof = link.start();
        QVERIFY(pof);
        data = link.data;
        sub = link.sub;
    }

    void init()
    {
        settle();
        sim.clearFault();
        sim.model().reset();
        sim.model().setIdentification(HvUnitModel::Identification());
        sim.clearRequests();
        log.clear();
        sub->setHVUnitState(stHVUnitState(false, 0));
    }

    void cleanupTestCase() { pof.reset(); }

    void codesAndNames()
    {
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType_GainU), 255);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType_GainPFC), 21);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType_HvSourceStatus), 12);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType_HvSourceVersion), 24);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType(26)), 28);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType(28)), 255);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType(35)), 35);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType(36)), 255);
        QCOMPARE(TPOF::getPOFParamCode(eHVUnitParamType(-1)), 255);
        QCOMPARE(TPOF::getHVUnitParamName(eHVUnitParamType_ProtectionResistor), QString("HV protection resistor"));
        QCOMPARE(TPOF::getHVUnitParamName(eHVUnitParamType_HvSourceVersion), QString("eHVUnitParamType_HvSourceVersion"));
        QCOMPARE(TPOF::getHVUnitParamName(eHVUnitParamType(24)), QString("24"));
        QCOMPARE(TPOF::HVUnitParams().size(), 24);
        QCOMPARE(TPOF::HVUnitParams().first(), eHVUnitParamType_GainPFC);
        QVERIFY(!TPOF::HVUnitParams().contains(eHVUnitParamType_HvSourceVersion));
    }

    void identification_data()
    {
        QTest::addColumn<qulonglong>("caps");
        QTest::addColumn<int>("peak");
        QTest::addColumn<int>("rms");
        QTest::newRow("no rounding") << 0ull << 63600000 << 45000000;
        QTest::newRow("both bits") << (3ull << 62) << 63600000 << 45000000;
        QTest::newRow("round up") << (2ull << 62) << 64000000 << 45300000;
        QTest::newRow("round down") << (1ull << 62) << 63000000 << 44500000;
    }

    void identification()
    {
        QFETCH(qulonglong, caps);
        QFETCH(int, peak);
        QFETCH(int, rms);
        setCaps(caps | (1ull << 11) | (1ull << 36));
        FakeHVData::Settings s = data->settings();
        s.mode = OperatingModes::OperatingMode(16);
        s.voltage = 80000000;
        s.minutes = 500;
        s.frequency = 500;
        s.frequencyRange = { 10, 100 };
        s.pevantoType = 45;
        data->setSettings(s);
        const int updates = data->identificationUpdates();

        QVERIFY(pof->ExecCmd('I'));
        const stIdentification id = data->getHVIdentification();
        QCOMPARE(data->identificationUpdates(), updates + 1);
        QVERIFY(id.valid);
        QCOMPARE(id.maxVoltagePeak, peak);
        QCOMPARE(id.maxVoltageRMS, rms);
        QCOMPARE(id.firstNumber, quint16(1));
        QCOMPARE(id.secondNumber, quint16(2));
        QCOMPARE(id.firmwareMajor, quint16(1));
        QCOMPARE(id.firmwareMinor, quint16(30));
        QCOMPARE(id.modelNameText(), QString("VLF-SIM 45kV        "));
        QCOMPARE(id.secondVoltage, 32000000ll);
        QCOMPARE(id.secondVoltagePeak, 45254834ll);
        QCOMPARE(id.valueB, 0x1234u);
        QCOMPARE(id.maxFrequency, 100u);
        QCOMPARE(id.maxTestMinutes, quint16(360));
        QCOMPARE(id.operatingModeMask, 0xFFE0ull);
        QCOMPARE(int(id.supportFlags), 0x1 | 0x2 | 0x8);

        s = data->settings();
        QCOMPARE(int(s.mode), 0);
        QCOMPARE(s.voltage, long(peak));
        QCOMPARE(s.minutes, quint16(360));
        QCOMPARE(s.frequency, 100ul);
        // A 45 kV instrument does not ask for the source version.
        QCOMPARE(settle(), QList<QByteArray>({ ">I.", ">W." }));
    }

    void identificationKeepsSettingsInRangeAndReadsSourceVersion()
    {
        FakeHVData::Settings s = data->settings();
        s.mode = OperatingModes::TanDelta;
        s.voltage = 1000000;
        s.minutes = 30;
        s.frequency = 50;
        s.pevantoType = 60;
        data->setSettings(s);
        sim.model().setParameter(24, 0x0305);
        QCOMPARE(pof->GetIdentification(), 0);
        s = data->settings();
        QCOMPARE(s.mode, OperatingModes::TanDelta);
        QCOMPARE(s.voltage, 1000000l);
        QCOMPARE(s.minutes, quint16(30));
        QCOMPARE(s.frequency, 50ul);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_HvSourceVersion), 0x0305ull);
        QCOMPARE(settle().mid(0, 2), QList<QByteArray>({ ">I.", ">K18." }));
        QCOMPARE(log.delivered("HV Source Version is 305").size(), 1);

        sim.setFault(Fault::Silence);
        QCOMPARE(pof->GetIdentification(), -100);
    }

    void identificationKeepsTheAutomaticFrequency()
    {
        FakeHVData::Settings s = data->settings();
        s.mode = OperatingModes::VLFSin;
        s.frequency = 0; // automatic
        s.frequencyRange = { 10, 100 };
        data->setSettings(s);
        QCOMPARE(pof->GetIdentification(), 0);
        QCOMPARE(data->settings().frequency, 0ul);
        s.frequency = 500;
        data->setSettings(s);
        QCOMPARE(pof->GetIdentification(), 0);
        QCOMPARE(data->settings().frequency, 100ul);
    }

    void hvSourceStatusIsReadTwice()
    {
        sim.model().setParameter(12, 0x55);
        unsigned long long v = 0;
        QCOMPARE(pof->GetParameter(eHVUnitParamType_HvSourceStatus, &v), 0);
        QCOMPARE(v, 0x55ull);
        QCOMPARE(settle().mid(0, 4), QList<QByteArray>({ ">K0C.", ">W.", ">W.", ">K0C." }));

        sim.model().setParameterVolatile(12, true);
        QCOMPARE(pof->GetParameter(eHVUnitParamType_HvSourceStatus, &v), 0);
        QCOMPARE(v, ~0ull);

        QVERIFY(pof->GetHVSourceState());
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_HvSourceStatus), ~0ull);
    }

    void parameterWithoutCodeReadsAllOnes()
    {
        unsigned long long v = 0;
        QCOMPARE(pof->GetParameter(eHVUnitParamType(27), &v), 0);
        QCOMPARE(v, ~0ull);
        QCOMPARE(settle().value(0), QByteArray(">KFF."));
        QCOMPARE(pof->GetParameter(eHVUnitParamType_GainPFC, nullptr), -200);

        sim.model().setParameterBroken(21, true);
        QCOMPARE(pof->GetParameter(eHVUnitParamType_GainPFC, &v), -200);
        QCOMPARE(log.delivered("Unable to get HV-unit parameter: 'HvSource GainPFC' [2].").size(), 1);
    }

    void setParameter()
    {
        QCOMPARE(pof->SetParameter(eHVUnitParamType_ProtectionResistor, 1500), 0);
        QCOMPARE(sim.model().parameter(4), 1500ull);
        QCOMPARE(settle().mid(0, 3), QList<QByteArray>({ ">k0400000000000005DC.", ">K04.", ">W." }));
        QCOMPARE(log.delivered("Setting HV-unit parameter \"HV protection resistor\" to 1500.0.").size(), 1);

        // Never written: read back and polled only.
        sim.clearRequests();
        QCOMPARE(pof->SetParameter(eHVUnitParamType_CalibrationDummyA, 7), -700);
        QCOMPARE(pof->SetParameter(eHVUnitParamType_HvSourceStatus, 7), -700);
        for (const QByteArray& r : settle())
            QVERIFY2(!r.startsWith(">k"), r.constData());

        // No code on the line: refused, nothing sent.
        sim.clearRequests();
        QCOMPARE(pof->SetParameter(eHVUnitParamType(27), 7), -200);
        QCOMPARE(pof->SetParameter(eHVUnitParamType_GainU, 7), -200);
        QVERIFY(settle().isEmpty());
    }

    void setParameterReadBackDiffers()
    {
        sim.model().setParameterWriteMangled(true);
        QCOMPARE(pof->SetParameter(eHVUnitParamType_LoadDetectionCalibration, 20000), -600);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_LoadDetectionCalibration), 20001ull);
        QCOMPARE(log.delivered("Unable to set HV-unit parameter \"Calibration of load detection\" to 2.000.").size(), 1);
    }

    void setParameterReadBackFails()
    {
        const quint64 before = data->getHVUnitParam(eHVUnitParamType_EarthingCapacity);
        sim.setFault(Fault::BadCrc); // the write goes through, every read fails
        QCOMPARE(pof->SetParameter(eHVUnitParamType_EarthingCapacity, 42), -100);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_EarthingCapacity), before);
        QCOMPARE(log.delivered("Unable to set HV-unit parameter \"Earthing capacity\" to 42.").size(), 1);
        sim.clearFault();

        // A failed write of the generator characteristics is not recorded.
        sim.setFault(Fault::NoEcho);
        QCOMPARE(pof->SetParameter(eHVUnitParamType_HvSinParameterHvGeneratorCharacteristics, 1), -100);
        sim.clearFault();
        QVERIFY(log.delivered("Unable to set HV-unit parameter \"HvSinParameterHvGeneratorCharacteristics\" to 1.").isEmpty());
    }

    void gainCalibration()
    {
        stGainCalibration g;
        g.gainU = 10100;
        g.gainI = 9900;
        QCOMPARE(pof->setGainCalibration(g), 0);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainU), 10100ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainI), 9900ull);
        QCOMPARE(settle().value(0), QByteArray(">q277426AC."));
        QCOMPARE(log.delivered("Setting Calibration factors GainU/GainI to 1.010/0.990").size(), 1);

        sim.model().setGainWriteBehaviour(200, true, false);
        QCOMPARE(pof->setGainCalibration(g), -400);

        QSignalSpy dlg(pof.get(), &TPOF::showMessageDlg);
        sim.model().setGainWriteBehaviour(100, false, true);
        QCOMPARE(pof->setGainCalibration(g), -600);
        QCOMPARE(dlg.size(), 1);
        QCOMPARE(dlg.at(0).at(2).toString(), QString("ParameterOutOfRange"));

        sim.model().setGainWriteBehaviour(2500, false, false);
        QElapsedTimer t;
        t.start();
        QCOMPARE(pof->setGainCalibration(g), -500);
        QVERIFY(t.elapsed() >= 2000);
    }

    void gainValueNeedsTheOtherGain()
    {
        data->setHVUnitParam(eHVUnitParamType_GainI, HVUnitParamUnknown);
        sim.model().setGains(10000, 9800);
        QVERIFY(pof->setHVUnitParamValue(eHVUnitParamType_GainU, 10200));
        const auto reqs = settle();
        QCOMPARE(reqs.value(0), QByteArray(">Q."));
        QVERIFY(reqs.contains(">q27D82648."));

        // The other gain cannot be read: nothing is written.
        data->setHVUnitParam(eHVUnitParamType_GainU, HVUnitParamUnknown);
        sim.clearRequests();
        sim.setFaultFor('Q', Fault::BadCrc);
        QSignalSpy dlg(pof.get(), &TPOF::showMessageDlg);
        QVERIFY(!pof->setHVUnitParamValue(eHVUnitParamType_GainI, 9000));
        for (const QByteArray& r : settle())
            QVERIFY2(!r.startsWith(">q"), r.constData());
        QCOMPARE(dlg.size(), 1);
        QCOMPARE(dlg.at(0).at(2).toString(), QString("ErrorWritingHVUnitParameter"));
    }

    void paramValueSlot()
    {
        QSignalSpy dlg(pof.get(), &TPOF::showMessageDlg);
        QVERIFY(pof->setHVUnitParamValue(eHVUnitParamType_CalibrationDummyA, 3));
        QVERIFY(pof->setHVUnitParamValue(eHVUnitParamType_TBIgnitionPulse, 3));
        QVERIFY(pof->setHVUnitParamValue(eHVUnitParamType_EarthingResistance, 77));
        QCOMPARE(sim.model().parameter(7), 77ull);
        QCOMPARE(dlg.size(), 0);
        sim.model().setParameterWriteMangled(true);
        QVERIFY(!pof->setHVUnitParamValue(eHVUnitParamType_HvSinParameterVlfSettings, 4));
        QCOMPARE(dlg.size(), 1);
        QCOMPARE(dlg.at(0).at(0).value<MessageCategories>(), CAT_INF);
        QCOMPARE(dlg.at(0).at(2).toString(), QString("HvSinParameterVlfSettingsNotSupported"));
    }

    void refreshAllParameters()
    {
        for (int code = 3; code <= 35; ++code)
            sim.model().setParameter(code, 100 + code);
        QVERIFY(pof->refreshHVUnitParams());
        QList<QByteArray> expected { ">Q.", ">W." };
        for (eHVUnitParamType t : TPOF::HVUnitParams()) {
            QByteArray k(">K00.");
            TPOF::uLongLong2HEXString(TPOF::getPOFParamCode(t), k.data() + 2, 2);
            if (t == eHVUnitParamType_HvSourceStatus)
                expected << k << ">W." << ">W."; // read twice around two polls
            expected << k << ">W.";
        }
        QCOMPARE(settle(), expected);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainPFC), 121ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType(26)), 128ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings), 122ull | 1u);

        // A failure in the middle keeps what came before.
        data->setHVUnitParam(eHVUnitParamType_GainPFC, 0);
        data->setHVUnitParam(eHVUnitParamType_EarthingCapacity, 0);
        data->setHVUnitParam(eHVUnitParamType_EarthingResistance, 0);
        sim.model().setParameterBroken(7, true); // earthing resistance
        QVERIFY(!pof->refreshHVUnitParams(QList<eHVUnitParamType>()));
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainPFC), 121ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_EarthingCapacity), 105ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_EarthingResistance), 0ull);

        // The gains come from 'Q' alone, even when the list names them.
        sim.model().setParameterBroken(7, false);
        sim.model().setGains(10200, 9900);
        sim.clearRequests();
        QVERIFY(pof->refreshHVUnitParams({ eHVUnitParamType_GainU, eHVUnitParamType_GainI,
                                           eHVUnitParamType_EarthingResistance }));
        QCOMPARE(settle(), (QList<QByteArray>{ ">Q.", ">W.", ">K07.", ">W." }));
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainU), 10200ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_GainI), 9900ull);
        QCOMPARE(data->getHVUnitParam(eHVUnitParamType_EarthingResistance), 107ull);
    }
};

QTEST_GUILESS_MAIN(TestTPOFParameters)
#include "tst_TPOFParameters.moc"
