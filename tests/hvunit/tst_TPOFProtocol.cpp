#include "hvsim/HvUnitSimulator.h"
#include "fakes/SimulatedHVLink.h"
#include "hvunit/TPOF.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using Fault = HvUnitSimulator::Fault;

class TestTPOFProtocol : public QObject {
    Q_OBJECT

    SimulatedHVLink link;
    HvUnitSimulator& sim = link.sim;
    std::unique_ptr<TPOF> pof;
    FakeHVData* data = nullptr; // owned by pof
    FakeHVData* sub = nullptr;  // owned by pof

    void setFirmware(int major, int minor)
    {
        stIdentification id;
        id.firmwareMajor = quint16(major);
        id.firmwareMinor = quint16(minor);
        data->setHVIdentification(id);
    }

    // Requests seen by the unit, after queued state polls have run.
    QList<QByteArray> settle()
    {
        QTest::qWait(30);
        return sim.completeRequests();
    }

    bool comError() const { return sub->getHVUnitState().comError; }

    int readW(unsigned long long* value, bool longBudget = false)
    {
        unsigned short n = 0;
        const int rc = pof->GetValue(TPOF::CMD_StateWord, value, 1, &n, longBudget);
        return rc == 0 && n != 1 ? -1 : rc;
    }

private slots:
    void initTestCase()
    {
        pof = link.start();
        QVERIFY(pof);
        data = link.data;
        sub = link.sub;
    }

    void init()
    {
        settle();
        sim.clearFault();
        sim.overrideReplies(QByteArray(), 0);
        sim.model().reset();
        sim.clearRequests();
        setFirmware(1, 30);
        sub->setHVUnitState(stHVUnitState(false, 0));
    }

    void cleanupTestCase() { pof.reset(); }

    void cleanup() { QVERIFY2(link.sharedWith().isEmpty(), qPrintable(link.sharedWith())); }

    void checksumAndHexConversions()
    {
        QCOMPARE(TPOF::Create_CRC16("123456789", 9), quint16(0x29B1));
        QVERIFY(TPOF::Test_CRC16("00001000", 8, "A133"));
        QVERIFY(TPOF::Test_CRC16("00001000", 8, "a133"));
        QVERIFY(!TPOF::Test_CRC16("00001000", 8, "A134"));
        QVERIFY(!TPOF::Test_CRC16("00001000", 8, "x133"));

        QCOMPARE(TPOF::HEXString2uLongLong("00001000", 8), 0x1000ull);
        QCOMPARE(TPOF::HEXString2uLongLong("ffFFffFFffFFffFF", 16), ~0ull);
        QCOMPARE(TPOF::HEXString2uLongLong("12G4", 4), 4ull); // digits right of the bad one
        QCOMPARE(TPOF::HEXString2uLongLong("1", 0), 0ull);
        QCOMPARE(TPOF::HEXString2uLongLong("00000000000000001", 17), 0ull);
        QCOMPARE(TPOF::HEXString2uLongLong(nullptr, 4), 0ull);

        char buf[9] = {};
        QCOMPARE(TPOF::uLongLong2HEXString(0x12345ABCDull, buf, 8), 8);
        QCOMPARE(QByteArray(buf), QByteArray("2345ABCD")); // lowest digits
        QCOMPARE(TPOF::uLongLong2HEXString(0x2A, buf, 4), 4);
        QCOMPARE(QByteArray(buf, 4), QByteArray("002A"));
    }

    void stateWordReply()
    {
        unsigned long long v = 0;
        sim.overrideReplies("<W00001000A133.");
        QCOMPARE(readW(&v), 0);
        QCOMPARE(v, 0x1000ull);
        sim.overrideReplies("<W00001000a133.");
        QCOMPARE(readW(&v), 0);
        QCOMPARE(v, 0x1000ull);
        QCOMPARE(settle(), (QList<QByteArray> { ">W.", ">W." })); // no poll queued after 'W'

        sim.model().setStateBits(0x2A0000);
        QCOMPARE(readW(&v), 0);
        QCOMPARE(v, 0x2A0000ull);
        QVERIFY(!comError());
    }

    void requestBytes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<qulonglong>("v1");
        QTest::addColumn<qulonglong>("v2");
        QTest::addColumn<int>("polarity");
        QTest::addColumn<int>("cosRect");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("mode 16") << int('m') << 16ull << 0ull << 0 << 0 << QByteArray(">m00.");
        QTest::newRow("DC +") << int('m') << 7ull << 0ull << 0 << 0 << QByteArray(">m2B.");
        QTest::newRow("DC -") << int('m') << 7ull << 0ull << 1 << 0 << QByteArray(">m2D.");
        QTest::newRow("DAC -") << int('m') << 8ull << 0ull << 1 << 0 << QByteArray(">m64.");
        QTest::newRow("cosrect 2") << int('m') << 6ull << 0ull << 0 << 2 << QByteArray(">m63.");
        QTest::newRow("cosrect 0") << int('m') << 6ull << 0ull << 0 << 0 << QByteArray(">m79.");
        QTest::newRow("sine") << int('m') << 11ull << 0ull << 0 << 0 << QByteArray(">m73.");
        QTest::newRow("voltage") << int('u') << 37000000ull << 0ull << 0 << 0 << QByteArray(">u02349340.");
        QTest::newRow("negative voltage") << int('u') << qulonglong(-5000ll) << 0ull << 0 << 0 << QByteArray(">uFFFFEC78.");
        QTest::newRow("burn+shunt") << int('b') << 0x101ull << 0ull << 0 << 0 << QByteArray(">b81.");
        QTest::newRow("burn 2") << int('b') << 0x2ull << 0ull << 0 << 0 << QByteArray(">b02.");
        QTest::newRow("burn 3") << int('b') << 0x3ull << 0ull << 0 << 0 << QByteArray(">b00.");
        QTest::newRow("parameter") << int('k') << 35ull << 399ull << 0 << 0 << QByteArray(">k23000000000000018F.");
        QTest::newRow("gains") << int('q') << 10000ull << 10000ull << 0 << 0 << QByteArray(">q27102710.");
        QTest::newRow("frequency") << int('f') << 100ull << 0ull << 0 << 0 << QByteArray(">f00000064.");
        QTest::newRow("minutes") << int('t') << 60ull << 0ull << 0 << 0 << QByteArray(">t003C.");
        QTest::newRow("i") << int('i') << 0x1122334455667788ull << 0ull << 0 << 0 << QByteArray(">i1122334455667788.");
        QTest::newRow("start") << int('r') << 0ull << 0ull << 0 << 0 << QByteArray(">r.");
        QTest::newRow("load det") << int('l') << 0ull << 0ull << 0 << 0 << QByteArray(">l.");
        QTest::newRow("date") << int('z') << 0ull << 0ull << 0 << 0 << QByteArray(">z010307E8090507.");
    }

    void requestBytes()
    {
        QFETCH(int, code);
        QFETCH(qulonglong, v1);
        QFETCH(qulonglong, v2);
        QFETCH(int, polarity);
        QFETCH(int, cosRect);
        QFETCH(QByteArray, expected);
        FakeHVData::Settings s = sub->settings();
        s.voltagePolarity = polarity;
        s.cosRectType = cosRect;
        sub->setSettings(s);
        pof->setLocalTimeSource([] { return QDateTime(QDate(2024, 3, 1), QTime(9, 5, 7)); });
        QCOMPARE(pof->SetValue(TPOF::eCommandCode(code), v1, v2), 0);
        pof->setLocalTimeSource(nullptr);
        settle();
        const auto reqs = sim.requestsOnce(); // a loaded machine's late echo resends a request
        QCOMPARE(reqs.value(0), expected);
        // A good write is followed by a state read.
        QCOMPARE(reqs.value(1), QByteArray(">W."));
        QCOMPARE(reqs.size(), 2);
    }

    void readRequestWithPayload()
    {
        unsigned long long v[2] = {};
        unsigned short n = 0;
        const QList<unsigned long long> code { 12 };
        QCOMPARE(pof->GetValue(TPOF::CMD_GetParameter, v, 2, &n, false, &code), 0);
        QCOMPARE(n, 2);
        QCOMPARE(v[0], 12ull);
        QCOMPARE(settle().value(0), QByteArray(">K0C."));

        // Capacity 1 cannot take a parameter reply although the frame is good.
        QCOMPARE(pof->GetValue(TPOF::CMD_GetParameter, v, 1, &n, false, &code), -200);
        QVERIFY(!comError());
    }

    void rebootQueuesNoStatePoll()
    {
        QCOMPARE(pof->SetValue(TPOF::CMD_Reboot), 0);
        QCOMPARE(settle(), QList<QByteArray> { ">y." });
    }

    void refusedCallsTouchNothingAndLeaveLinkUp()
    {
        unsigned long long v[4] = {};
        unsigned short n = 0;
        char text[100];
        QCOMPARE(pof->GetValue(TPOF::CMD_StateWord, v, 1, nullptr), -200);
        QCOMPARE(pof->GetValue(TPOF::CMD_StateWord, nullptr, 1, &n), -200);
        QCOMPARE(pof->GetValue(TPOF::CMD_Identification, v, 4, &n), -200);
        QCOMPARE(pof->GetValue(TPOF::CMD_SerialNumber, v, 4, &n), -200);
        QCOMPARE(pof->GetValue(TPOF::CMD_Start, v, 4, &n), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_StateWord, 1), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_FirmwareDownload, 1), -200);
        QCOMPARE(pof->GetString(TPOF::CMD_StateWord, text, sizeof text), -200);
        QCOMPARE(pof->GetString(TPOF::CMD_Identification, nullptr, 100), -200);
        QCOMPARE(pof->GetString(TPOF::CMD_Identification, text, 80), -200);
        QCOMPARE(pof->GetString(TPOF::CMD_SerialNumber, text, 25), -200);
        QVERIFY(settle().isEmpty());
        QVERIFY(!comError());
    }

    void tooWideValuesAreRefused()
    {
        // Unsigned fields: refused, nothing sent; the link stays up.
        QCOMPARE(pof->SetValue(TPOF::CMD_Frequency, 0x100000000ull), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_TestMinutes, 0x10000ull), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_SetGains, 0x10000ull, 1), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_SetGains, 1, 0x10000ull), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_SetParameter, 0x100ull, 1), -200);
        // Signed voltage: two's complement in the field, but not beyond 32 bits.
        QCOMPARE(pof->SetValue(TPOF::CMD_Voltage, 0x100000000ull), -200);
        QCOMPARE(pof->SetValue(TPOF::CMD_Voltage, qulonglong(-0x80000001ll)), -200);
        // A positive value with the field's sign bit set would arrive as a negative voltage.
        QCOMPARE(pof->SetValue(TPOF::CMD_Voltage, 0x80000000ull), -200);
        unsigned long long v[2];
        unsigned short n = 0;
        const QList<unsigned long long> code { 0x100 };
        QCOMPARE(pof->GetValue(TPOF::CMD_GetParameter, v, 2, &n, false, &code), -200);
        QVERIFY(settle().isEmpty());
        QVERIFY(!comError());

        QCOMPARE(pof->SetValue(TPOF::CMD_Voltage, qulonglong(-0x80000000ll)), 0);
        QCOMPARE(settle().value(0), QByteArray(">u80000000."));
        QCOMPARE(sim.model().setVoltage(), -0x80000000ll);
    }

    void firmwareGating()
    {
        unsigned long long v[3] = {};
        unsigned short n = 0;
        const QList<unsigned long long> code { 12 };
        setFirmware(1, 16);
        QCOMPARE(pof->GetValue(TPOF::CMD_GetParameter, v, 2, &n, false, &code), -300);
        QCOMPARE(pof->SetValue(TPOF::CMD_SetParameter, 12, 1), -300);
        QCOMPARE(pof->SetValue(TPOF::CMD_Reboot), -300);
        setFirmware(1, 25);
        QCOMPARE(pof->GetValue(TPOF::CMD_LeakageValues, v, 3, &n), -300);
        QVERIFY(settle().isEmpty());
        QVERIFY(!comError());

        QCOMPARE(pof->GetValue(TPOF::CMD_GetParameter, v, 2, &n, false, &code), 0);
        setFirmware(1, 26);
        QCOMPARE(pof->GetValue(TPOF::CMD_LeakageValues, v, 3, &n), 0);
        QCOMPARE(n, 3);
        setFirmware(0, 0);
        QCOMPARE(pof->GetValue(TPOF::CMD_LeakageValues, v, 3, &n), 0);
        QCOMPARE(pof->SetValue(TPOF::CMD_Reboot), 0);
        QCOMPARE(settle().first(), QByteArray(">K0C."));
    }

    void badRepliesAreRetriedThenFail_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("wrong letter") << int(Fault::WrongLetter);
        QTest::newRow("bad crc") << int(Fault::BadCrc);
    }

    void badRepliesAreRetriedThenFail()
    {
        QFETCH(int, fault);
        sim.setFault(Fault(fault));
        unsigned long long v = 0;
        unsigned short n = 0;
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), -100);
        QVERIFY(comError());
        QCOMPARE(settle(), QList<QByteArray>({ ">C.", ">C.", ">C." }));

        sim.clearRequests();
        QCOMPARE(readW(&v), -100);
        QCOMPARE(settle(), QList<QByteArray>({ ">W.", ">W.", ">W." }));

        // Once good again, the next poll clears the flag.
        sim.clearFault();
        QVERIFY(pof->GetHVState());
        QVERIFY(!comError());
    }

    void oneBadReplyIsRecovered()
    {
        sim.setFault(Fault::BadCrc, 1);
        unsigned long long v = 0;
        unsigned short n = 0;
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), 0);
        QCOMPARE(v, 500ull);
        sim.failNext(1);
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), 0);
        sim.failNext(3);
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), -100);
        QVERIFY(comError());
    }

    void wrongLengthReply()
    {
        sim.setFault(Fault::WrongLength);
        unsigned long long v = 0;
        unsigned short n = 0;
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), -200);
        char text[26];
        QCOMPARE(pof->GetString(TPOF::CMD_SerialNumber, text, sizeof text), -100);
        QVERIFY(comError());
    }

    void noiseAndSecondStartAreDropped()
    {
        unsigned long long v = 0;
        sim.model().setStateBits(0x1234);
        sim.setFault(Fault::NoiseBeforeStart, 1);
        QCOMPARE(readW(&v), 0);
        QCOMPARE(v, 0x1234ull);
        sim.setFault(Fault::SecondStart, 1);
        QCOMPARE(readW(&v), 0);
        QCOMPARE(v, 0x1234ull);
        QCOMPARE(settle().size(), 2);
    }

    void wrongEchoIsResentWithinBudget_data()
    {
        QTest::addColumn<int>("byte");
        QTest::newRow("letter") << 1;
        // The unit took the request, as when the echo reaches a loaded machine late.
        QTest::newRow("end mark") << 2;
    }

    void wrongEchoIsResentWithinBudget()
    {
        QFETCH(int, byte);
        unsigned long long v = 0;
        sim.setFault(Fault::WrongEcho, 1, byte);
        QCOMPARE(readW(&v), 0);
        const auto reqs = sim.requests();
        QVERIFY(reqs.size() >= 2);
        QCOMPARE(reqs[0].complete, byte == 2);
        QVERIFY(reqs[1].startMs - reqs[0].endMs >= 59);
        // Sent again only after the line was reset (a late echo on a loaded machine too).
        for (int i = 1; i < reqs.size(); ++i)
            QVERIFY(reqs[i].afterReset);
        QCOMPARE(sim.requestsOnce(), QList<QByteArray> { ">W." });
    }

    void longGapMidFrameIsRetried()
    {
        sim.setFault(Fault::GapMidFrame, 1, 400);
        unsigned long long v = 0;
        unsigned short n = 0;
        sim.model().setLoad(1234, 1);
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), 0);
        QCOMPARE(v, 1234ull);
        sim.model().setLoad(500, 2000000000000ull);
    }

    void trickledReplyNeverGivesAWrongValue()
    {
        sim.setFault(Fault::Trickle, 1, 3300);
        sim.model().setLoad(777, 1);
        unsigned long long v = 0;
        unsigned short n = 0;
        QElapsedTimer t;
        t.start();
        // The first attempt times out after about 3 s; the retries meet the rest of
        // the trickle on the line, so the result is a failure or the right value.
        const int rc = pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n);
        QVERIFY(t.elapsed() >= 2999);
        QVERIFY(rc == 0 || rc == -100);
        if (rc == 0)
            QCOMPARE(v, 777ull);
        QTest::qWait(400);
        QCOMPARE(pof->GetValue(TPOF::CMD_LoadCapacitance, &v, 1, &n), 0);
        QCOMPARE(v, 777ull);
        sim.model().setLoad(500, 2000000000000ull);
    }

    void silentUnitFailsWithinBudget()
    {
        sim.setFault(Fault::Silence);
        unsigned long long v = 0;
        QElapsedTimer t;
        t.start();
        QCOMPARE(readW(&v, false), -100);
        const qint64 shortTime = t.elapsed();
        QVERIFY(comError());
        t.restart();
        QCOMPARE(readW(&v, true), -100);
        const qint64 longTime = t.elapsed();
        // Three passes of the budget, each overrunning by about one line reset.
        QVERIFY2(shortTime >= 3 * TPOF::ShortBudgetMs && shortTime < 3 * (TPOF::ShortBudgetMs + 400),
                 qPrintable(QString::number(shortTime)));
        QVERIFY2(longTime >= 3 * TPOF::LongBudgetMs && longTime < 3 * (TPOF::LongBudgetMs + 400),
                 qPrintable(QString::number(longTime)));

        t.restart();
        QCOMPARE(pof->SetValue(TPOF::CMD_Start), -100);
        QVERIFY(t.elapsed() < 3 * 400);
    }

    void serialNumberText()
    {
        sim.model().setSerialNumber("ABC-123");
        char text[26];
        memset(text, 'x', sizeof text);
        QCOMPARE(pof->GetString(TPOF::CMD_SerialNumber, text, sizeof text), 0);
        QCOMPARE(QByteArray(text), QByteArray("ABC-123") + QByteArray(18, ' '));
        QVERIFY(pof->ExecCmd('N'));
        QCOMPARE(data->hvcSerial(), QString("ABC-123") + QString(18, ' '));
        const auto reqs = settle();
        // Both reads queue a state poll; one poll serves both.
        QCOMPARE(reqs, QList<QByteArray>({ ">N.", ">N.", ">W." }));
    }

    void valuesOfReadCommands()
    {
        unsigned long long v[3] = {};
        unsigned short n = 0;
        sim.model().setTemperature(-5);
        QCOMPARE(pof->GetValue(TPOF::CMD_Temperature, v, 1, &n), 0);
        QCOMPARE(v[0], 0xFBull);
        qint8 t = 0;
        QVERIFY(pof->GetTemperature(&t));
        QCOMPARE(int(t), -5);

        QCOMPARE(pof->GetValue(TPOF::CMD_GetGains, v, 2, &n, true), 0);
        QCOMPARE(n, 2);
        QCOMPARE(v[0], 10000ull);
        QCOMPARE(pof->GetValue(TPOF::CMD_GetGains, v, 1, &n, true), -200);

        // Breakdown at a negative voltage: the signed field is sign-extended.
        QCOMPARE(pof->SetValue(TPOF::CMD_Voltage, qulonglong(-2000000ll)), 0);
        sim.model().setRampMs(0);
        QCOMPARE(pof->SetValue(TPOF::CMD_Start), 0);
        sim.model().triggerBreakdown();
        QCOMPARE(pof->GetValue(TPOF::CMD_FaultValues, v, 2, &n), 0);
        QCOMPARE(qlonglong(v[0]), -2000000ll);
        QCOMPARE(pof->GetValue(TPOF::CMD_MeasurementValues, v, 3, &n), 0);
        QCOMPARE(n, 3);
        QCOMPARE(pof->GetValue(TPOF::CMD_MeasurementValues, v, 2, &n), -200);
    }

    void garbageRepliesNeverSucceed()
    {
        QRandomGenerator rng(99);
        unsigned long long v[3] = { 7, 7, 7 };
        for (int round = 0; round < 25; ++round) {
            QByteArray junk;
            const int len = int(rng.bounded(300));
            for (int i = 0; i < len; ++i) {
                char c = char(rng.bounded(256));
                if (c == '.')
                    c = 'W';
                junk.append(c);
            }
            junk.insert(int(rng.bounded(junk.size() + 1)), '<');
            sim.overrideReplies(junk + ".", -1);
            unsigned short n = 99;
            const int rc = pof->GetValue(TPOF::CMD_MeasurementValues, v, 3, &n);
            QVERIFY2(rc < 0, qPrintable(QString::number(round)));
            QCOMPARE(n, quint16(99));
        }
        sim.overrideReplies(QByteArray(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTPOFProtocol)
#include "tst_TPOFProtocol.moc"
