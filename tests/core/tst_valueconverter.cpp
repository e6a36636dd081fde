#include "fakes/LogRecorder.h"
#include "logging/LoggingCtrl.h"
#include "core/ValueConverter.h"

#include <QtTest>

#include <climits>

class TstValueConverter : public QObject {
    Q_OBJECT
private slots:
    void onlySineModesConvert_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("converts");
        for (int mode = 0; mode <= 26; ++mode)
            QTest::addRow("mode %d", mode) << mode << (mode >= 10 && mode <= 13);
        QTest::addRow("negative") << -1 << false;
    }
    void onlySineModesConvert()
    {
        QFETCH(int, mode);
        QFETCH(bool, converts);
        QCOMPARE(ValueConverter::convertPEAKToRMS(mode, 1000000), converts ? 707107L : 1000000L);
        QCOMPARE(ValueConverter::convertRMSToPEAK(mode, 1000000), converts ? 1414214L : 1000000L);
        QCOMPARE(ValueConverter::convertPEAKToRMS(mode, 3), converts ? 2L : 3L);
    }

    void roundsToNearest()
    {
        // 1000 × 0.7071… = 707.1 → 707; 1001 → 707.8 → 708
        QCOMPARE(ValueConverter::convertPEAKToRMS(10, 1000), 707L);
        QCOMPARE(ValueConverter::convertPEAKToRMS(10, 1001), 708L);
        // 3 × 0.7071… = 2.12 → 2; 5 × 0.7071… = 3.54 → 4
        QCOMPARE(ValueConverter::convertPEAKToRMS(11, 3), 2L);
        QCOMPARE(ValueConverter::convertPEAKToRMS(11, 5), 4L);
        // Negative (reversed polarity) values round to nearest as well.
        QCOMPARE(ValueConverter::convertPEAKToRMS(12, -1001), -708L);
        QCOMPARE(ValueConverter::convertRMSToPEAK(12, -1000), -1414L);
        // 707107 mV RMS is 1000000.4 mV peak.
        QCOMPARE(ValueConverter::convertRMSToPEAK(13, 707107), 1000000L);
        // 90 kV peak, the largest voltages of the instrument, stay exact.
        QCOMPARE(ValueConverter::convertRMSToPEAK(10, 63639610), 90000000L);
        QCOMPARE(ValueConverter::convertPEAKToRMS(10, 0), 0L);
    }

    void roundTripStaysWithinOneMillivolt()
    {
        for (long v = 0; v < 200000000; v += 987653) {
            const long back = ValueConverter::convertPEAKToRMS(10, ValueConverter::convertRMSToPEAK(10, v));
            QVERIFY2(qAbs(back - v) <= 1, qPrintable(QString::number(v)));
        }
    }

    void divideByFactor()
    {
        QCOMPARE(ValueConverter::divideVoltageByFactor(10000, 10), 10000L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(10000, 25), 4000L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(10000, 5), 20000L);
        // Integer division truncates toward zero.
        QCOMPARE(ValueConverter::divideVoltageByFactor(10000, 3), 33333L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(-10000, 3), -33333L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(10000, -20), -5000L);
        // value × 10 beyond 32 bits must not wrap.
        QCOMPARE(ValueConverter::divideVoltageByFactor(300000000, 30), 100000000L);
    }

    void divideByZeroFactorKeepsValue()
    {
        qunsetenv("CONSOLE_LOGGING");
        LoggingCtrl logger;
        auto rec = std::make_shared<LogRecorder>();
        logger.addSink(rec->makeSink());
        QVERIFY(logger.initialize());
        QCOMPARE(ValueConverter::divideVoltageByFactor(12345, 0), 12345L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(-7, 0), -7L);
        QCOMPARE(ValueConverter::divideVoltageByFactor(LONG_MAX, 0), LONG_MAX);
        // The cause is logged as an error.
        QVERIFY(rec->waitFor([](const LoggingData& r) {
            return r.category == CAT_ERR && r.file == QLatin1String("ValueConverter") &&
                   r.function == QLatin1String("divideVoltageByFactor") && r.text.contains(QLatin1String("12345"));
        }));
        logger.release();
    }
};

QTEST_GUILESS_MAIN(TstValueConverter)
#include "tst_valueconverter.moc"
