#include "core/DutyCycleStrings.h"
#include "core/NumberString.h"

#include <QLocale>
#include <QtTest>

using NU = NumberString::NumberAndUnit;
Q_DECLARE_METATYPE(NU)

namespace {
const QString ohm = QString(QChar(0x2126));
const QString micro = QString(QChar(0x00B5));
NU nu(const QString& n, const QString& u) { return {n, u}; }
} // namespace

class TstNumberString : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void loadResistance_data()
    {
        QTest::addColumn<qulonglong>("milliohms");
        QTest::addColumn<NU>("expected");
        QTest::newRow("max") << qulonglong(ULLONG_MAX) << nu(QStringLiteral(">= 5"), QLatin1Char('G') + ohm);
        QTest::newRow("5 GOhm") << qulonglong(5000000000000ULL) << nu(QStringLiteral(">= 5"), QLatin1Char('G') + ohm);
        // Just below the limit it is an ordinary value (rounded to three digits).
        QTest::newRow("4.99 GOhm") << qulonglong(4990000000000ULL) << nu(QStringLiteral("4.99"), QLatin1Char('G') + ohm);
        QTest::newRow("101 MOhm exactly") << qulonglong(101000000000ULL)
                                          << nu(QStringLiteral(">= 100"), QLatin1Char('M') + ohm);
        QTest::newRow("101 MOhm + 1") << qulonglong(101000000001ULL) << nu(QStringLiteral("101"), QLatin1Char('M') + ohm);
        QTest::newRow("101 MOhm - 1") << qulonglong(100999999999ULL) << nu(QStringLiteral("101"), QLatin1Char('M') + ohm);
        QTest::newRow("100 MOhm") << qulonglong(100000000000ULL) << nu(QStringLiteral("100"), QLatin1Char('M') + ohm);
        QTest::newRow("12.3 kOhm") << qulonglong(12345678ULL) << nu(QStringLiteral("12.3"), QLatin1Char('k') + ohm);
        QTest::newRow("1.24 kOhm round") << qulonglong(1235000ULL) << nu(QStringLiteral("1.24"), QLatin1Char('k') + ohm);
        QTest::newRow("999 Ohm") << qulonglong(999499ULL) << nu(QStringLiteral("999"), ohm);
        QTest::newRow("carry to k") << qulonglong(999500ULL) << nu(QStringLiteral("1.00"), QLatin1Char('k') + ohm);
        QTest::newRow("1 Ohm") << qulonglong(1000ULL) << nu(QStringLiteral("1.00"), ohm);
        QTest::newRow("1 mOhm") << qulonglong(1ULL) << nu(QStringLiteral("1.00"), QLatin1Char('m') + ohm);
        QTest::newRow("zero") << qulonglong(0ULL) << nu(QStringLiteral("0"), ohm);
    }
    void loadResistance()
    {
        QFETCH(qulonglong, milliohms);
        QFETCH(NU, expected);
        QCOMPARE(NumberString::loadResistance(milliohms), expected);
    }

    void loadCapacitance_data()
    {
        const QString nF = QStringLiteral("nF");
        const QString uF = micro + QLatin1Char('F');
        QTest::addColumn<qulonglong>("nanofarads");
        QTest::addColumn<NU>("expected");
        QTest::newRow("0") << qulonglong(0) << nu(QStringLiteral("<1"), nF);
        QTest::newRow("1") << qulonglong(1) << nu(QStringLiteral("1"), nF);
        QTest::newRow("99") << qulonglong(99) << nu(QStringLiteral("99"), nF);
        QTest::newRow("100") << qulonglong(100) << nu(QStringLiteral("100"), nF);
        QTest::newRow("999") << qulonglong(999) << nu(QStringLiteral("999"), nF);
        QTest::newRow("1000") << qulonglong(1000) << nu(QStringLiteral("1.00"), uF);
        QTest::newRow("1234") << qulonglong(1234) << nu(QStringLiteral("1.23"), uF);
        QTest::newRow("12345") << qulonglong(12345) << nu(QStringLiteral("12.3"), uF);
        QTest::newRow("123456") << qulonglong(123456) << nu(QStringLiteral("123"), uF);
        QTest::newRow("999999") << qulonglong(999999) << nu(QStringLiteral("1.00"), QStringLiteral("mF"));
    }
    void loadCapacitance()
    {
        QFETCH(qulonglong, nanofarads);
        QFETCH(NU, expected);
        QCOMPARE(NumberString::loadCapacitance(nanofarads), expected);
    }

    void tanDeltaDecimalsClamped_data()
    {
        QTest::addColumn<int>("precision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("-5") << -5 << QStringLiteral("12");
        QTest::newRow("3") << 3 << QStringLiteral("12");
        QTest::newRow("4") << 4 << QStringLiteral("12.3");
        QTest::newRow("6") << 6 << QStringLiteral("12.346");
        QTest::newRow("13") << 13 << QStringLiteral("12.3460000000");
        QTest::newRow("40") << 40 << QStringLiteral("12.3460000000");
    }
    void tanDeltaDecimalsClamped()
    {
        QFETCH(int, precision);
        QFETCH(QString, expected);
        QCOMPARE(NumberString::tanDelta(12346, precision), nu(expected, QString()));
    }

    void leakageAmperage()
    {
        QCOMPARE(NumberString::leakageAmperage(0), nu(QStringLiteral("0"), micro + QLatin1Char('A')));
        // Truncated, not rounded, to microamperes.
        QCOMPARE(NumberString::leakageAmperage(1999), nu(QStringLiteral("1"), micro + QLatin1Char('A')));
        QCOMPARE(NumberString::leakageAmperage(999999), nu(QStringLiteral("999"), micro + QLatin1Char('A')));
        QCOMPARE(NumberString::leakageAmperage(1000000), nu(QStringLiteral("1.00"), QStringLiteral("mA")));
        QCOMPARE(NumberString::leakageAmperage(1234999), nu(QStringLiteral("1.23"), QStringLiteral("mA")));
        QCOMPARE(NumberString::leakageAmperage(-1500), nu(QStringLiteral("-1"), micro + QLatin1Char('A')));
    }

    void voltageAndFrequency()
    {
        QCOMPARE(NumberString::voltage(12345678), nu(QStringLiteral("12.3"), QStringLiteral("kV")));
        QCOMPARE(NumberString::voltage(0), nu(QStringLiteral("0.0"), QStringLiteral("kV")));
        QCOMPARE(NumberString::voltage(-5000000), nu(QStringLiteral("-5.0"), QStringLiteral("kV")));
        QCOMPARE(NumberString::testFrequency(100), nu(QStringLiteral("0.10"), QStringLiteral("Hz")));
        QCOMPARE(NumberString::testFrequency(50000), nu(QStringLiteral("50.00"), QStringLiteral("Hz")));
        QCOMPARE(NumberString::emptyString(QStringLiteral("---"), QString()), nu(QStringLiteral("---"), QString()));
    }

    void followsTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(NumberString::voltage(12345678).first, QStringLiteral("12,3"));
        QCOMPARE(NumberString::loadCapacitance(1234).first, QStringLiteral("1,23"));
        QCOMPARE(NumberString::testFrequency(100).first, QStringLiteral("0,10"));
        QCOMPARE(strings::dutyCycleToName(3), QStringLiteral("1,5:0,5"));
    }

    void dutyCycleNames()
    {
        QCOMPARE(strings::dutyCycleToName(0), QStringLiteral("1:4"));
        QCOMPARE(strings::dutyCycleToName(1), QStringLiteral("1:3"));
        QCOMPARE(strings::dutyCycleToName(2), QStringLiteral("1:2"));
        QCOMPARE(strings::dutyCycleToName(3), QStringLiteral("1.5:0.5"));
        QCOMPARE(strings::dutyCycleToName(4), QStringLiteral("0.5:1"));
        QCOMPARE(strings::dutyCycleToName(5), QStringLiteral("Unknown"));
        QCOMPARE(strings::dutyCycleToName(-1), QStringLiteral("Unknown"));
    }
};

QTEST_GUILESS_MAIN(TstNumberString)
#include "tst_numberstring.moc"
