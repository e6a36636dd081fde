#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "gui/Calibration.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <memory>

// The calibration view model over a real data model: conversions both ways, the
// configuration switches and the change signals.
class TstCalibration : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;
    QStringList m_seen;
    static constexpr qulonglong kUnknown = HVUnitParamUnknown;

public slots:
    // Records the property whose change signal arrived.
    void note()
    {
        const QString name = QString::fromLatin1(sender()->metaObject()->method(senderSignalIndex()).name());
        m_seen << name.chopped(int(qstrlen("Changed")));
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void readsShowTheUnitsOfThePage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<qulonglong>("raw");
        QTest::addColumn<double>("shown");
        QTest::newRow("gain") << 0 << QByteArray("gainU") << 9999ull << 0.9999;
        QTest::newRow("Q12 positive") << 7 << QByteArray("offsetHvpU") << 2048ull << 0.5;
        QTest::newRow("Q12 smallest negative") << 7 << QByteArray("offsetHvpU") << 65535ull << -1.0 / 4096;
        QTest::newRow("Q12 most negative") << 6 << QByteArray("gainHvnI") << 32768ull << -8.0;
        QTest::newRow("resistance") << 11 << QByteArray("hvProtection") << 470ull << 470.0;
        QTest::newRow("capacitance") << 13 << QByteArray("cErdCalibration") << 8192ull << 2.0;
        QTest::newRow("tenths") << 16 << QByteArray("rHvOutput") << 123ull << 12.3;
        QTest::newRow("float bits") << 24 << QByteArray("tanDeltaImag1") << 0xFFFFFFFF3E800000ull << 0.25;
        QTest::newRow("never received") << 1 << QByteArray("gainI") << kUnknown << double(NAN);
    }
    void readsShowTheUnitsOfThePage()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, property);
        QFETCH(qulonglong, raw);
        QFETCH(double, shown);
        m_fixture->dm()->setHVUnitParam(eHVUnitParamType(type), raw);
        Calibration calibration;
        const double value = calibration.property(property.constData()).toDouble();
        if (std::isnan(shown))
            QVERIFY(std::isnan(value));
        else
            QCOMPARE(value, shown);
    }

    // Rounded to the nearest step and kept to what the parameter can hold.
    void writesRoundAndKeepToTheRange_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("type");
        QTest::addColumn<qlonglong>("raw"); // -1: nothing written
        QTest::newRow("gain") << QByteArray("gainU") << 1.2345 << 0 << 12345ll;
        QTest::newRow("gain just below a step") << QByteArray("gainI") << 0.813 << 1 << 8130ll;
        QTest::newRow("gain beyond 16 bits") << QByteArray("gainU") << 7.0 << 0 << 65535ll;
        QTest::newRow("negative gain") << QByteArray("gainU") << -0.5 << 0 << 0ll;
        QTest::newRow("Q12 negative") << QByteArray("offsetHvpU") << -0.5 << 7 << 63488ll;
        QTest::newRow("Q12 above the range") << QByteArray("gainPFC") << 8.0 << 2 << 32767ll;
        QTest::newRow("Q12 below the range") << QByteArray("offsetHvnI") << -9.0 << 10 << 32768ll;
        QTest::newRow("negative resistance") << QByteArray("hvProtection") << -5.0 << 11 << 0ll;
        QTest::newRow("tenths") << QByteArray("rHvOutput") << 12.34 << 16 << 123ll;
        QTest::newRow("capacitance") << QByteArray("cHvOutput") << 1.0 << 15 << 4096ll;
        QTest::newRow("float bits") << QByteArray("tanDeltaReal2") << 0.5 << 25 << 0x3F000000ll;
        QTest::newRow("not a number") << QByteArray("gainU") << double(NAN) << 0 << -1ll;
    }
    void writesRoundAndKeepToTheRange()
    {
        QFETCH(QByteArray, property);
        QFETCH(double, value);
        QFETCH(int, type);
        QFETCH(qlonglong, raw);
        Calibration calibration;
        QSignalSpy written(&calibration, &Calibration::hvUnitParamChanged);
        QSignalSpy changed(&calibration, &Calibration::gainUChanged);
        QVERIFY(calibration.setProperty(property.constData(), value));
        QCOMPARE(written.size(), raw < 0 ? 0 : 1);
        if (raw >= 0) {
            QCOMPARE(int(written.first().at(0).value<eHVUnitParamType>()), type);
            QCOMPARE(written.first().at(1).toULongLong(), qulonglong(raw));
        }
        // The value shows once the unit reports it.
        QCOMPARE(changed.size(), 0);
    }

    void switchesWriteTheSettingsWord_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<bool>("on");
        QTest::addColumn<qulonglong>("word");
        QTest::addColumn<qlonglong>("written"); // -1: nothing
        QTest::newRow("on drops the unused bits") << QByteArray("limitPwm") << true << 0b100001ull << 0b00101ll;
        QTest::newRow("already on") << QByteArray("limitPwm") << true << 0b00101ull << -1ll;
        QTest::newRow("off") << QByteArray("loadDetection") << false << 0b111111ull << 0b11110ll;
        QTest::newRow("already off, high bits") << QByteArray("bridgeCircuit") << false << 0b100001ull << 0b00001ll;
        QTest::newRow("word unknown") << QByteArray("tanDeltaCalib") << true << kUnknown << -1ll;
        QTest::newRow("word unknown, off") << QByteArray("crossCurrentIncrease") << false << kUnknown << -1ll;
    }
    void switchesWriteTheSettingsWord()
    {
        QFETCH(QByteArray, property);
        QFETCH(bool, on);
        QFETCH(qulonglong, word);
        QFETCH(qlonglong, written);
        m_fixture->dm()->setHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings, word);
        Calibration calibration;
        QSignalSpy spy(&calibration, &Calibration::hvUnitParamChanged);
        calibration.setProperty(property.constData(), on);
        QCOMPARE(spy.size(), written < 0 ? 0 : 1);
        if (written >= 0) {
            QCOMPARE(spy.first().at(0).value<eHVUnitParamType>(), eHVUnitParamType_HvSinParameterVlfSettings);
            QCOMPARE(spy.first().at(1).toULongLong(), qulonglong(written));
        }
        if (word == kUnknown)
            QVERIFY(!calibration.property(property.constData()).toBool());
    }

    void reportsOfTheUnitReachThePage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<qulonglong>("raw");
        QTest::addColumn<QStringList>("announced");
        QTest::addColumn<QString>("ignition");
        QTest::newRow("gain") << 0 << 10000ull << QStringList{"gainU"} << "---";
        QTest::newRow("Q12") << 9 << 1ull << QStringList{"offsetHvnU"} << "---";
        QTest::newRow("ignition 9") << 18 << 9ull << QStringList{"ignition"} << "9";
        QTest::newRow("ignition 10") << 18 << 10ull << QStringList{"ignition"} << "---";
        QTest::newRow("status") << 19 << 0x0401ull << QStringList{"hvUnitError", "hvUnitStatus"} << "---";
        QTest::newRow("settings word") << 20 << 8ull
                                       << QStringList{"limitPwm", "loadDetection", "tanDeltaCalib", "bridgeCircuit",
                                                      "crossCurrentIncrease"}
                                       << "---";
        QTest::newRow("no meaning here") << 17 << 1ull << QStringList{} << "---";
        QTest::newRow("version") << 22 << 0x10002ull << QStringList{} << "---";
        QTest::newRow("never received") << 0 << kUnknown << QStringList{} << "---";
    }
    void reportsOfTheUnitReachThePage()
    {
        QFETCH(int, type);
        QFETCH(qulonglong, raw);
        QFETCH(QStringList, announced);
        QFETCH(QString, ignition);
        Calibration calibration;
        m_seen.clear();
        const QMetaObject* mo = calibration.metaObject();
        const QMetaMethod note = metaObject()->method(metaObject()->indexOfSlot("note()"));
        for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i)
            connect(&calibration, mo->property(i).notifySignal(), this, note);
        m_fixture->dm()->setHVUnitParam(eHVUnitParamType(type), raw);
        calibration.onHvUnitParamChanged(eHVUnitParamType(type), raw);
        QCOMPARE(m_seen, announced);
        QCOMPARE(calibration.ignition(), ignition);
        if (type == 20)
            QVERIFY(calibration.tanDeltaCalib() && !calibration.limitPwm());

        QSignalSpy refresh(&calibration, &Calibration::refreshHVUnitParams);
        calibration.refresh();
        QCOMPARE(refresh.size(), 1);
        QVERIFY(refresh.first().first().value<QList<eHVUnitParamType>>().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCalibration)
#include "tst_calibration.moc"
