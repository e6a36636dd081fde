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

    // Numbers round to the nearest step and keep to what the parameter can hold; switches
    // set their bit of the settings word (unused bits dropped), only once it is known.
    void writesReachTheUnit_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<qulonglong>("word"); // the settings word as the unit reported it
        QTest::addColumn<int>("type");
        QTest::addColumn<qlonglong>("raw"); // -1: nothing written
        const auto row = [](const char* name, const char* property, QVariant value, qulonglong word, int type,
                            qlonglong raw) { QTest::newRow(name) << QByteArray(property) << value << word << type << raw; };
        row("gain", "gainU", 1.2345, kUnknown, 0, 12345);
        row("gain just below a step", "gainI", 0.813, kUnknown, 1, 8130);
        row("gain beyond 16 bits", "gainU", 7.0, kUnknown, 0, 65535);
        row("negative gain", "gainU", -0.5, kUnknown, 0, 0);
        row("Q12 negative", "offsetHvpU", -0.5, kUnknown, 7, 63488);
        row("Q12 above the range", "gainPFC", 8.0, kUnknown, 2, 32767);
        row("Q12 below the range", "offsetHvnI", -9.0, kUnknown, 10, 32768);
        row("negative resistance", "hvProtection", -5.0, kUnknown, 11, 0);
        row("tenths", "rHvOutput", 12.34, kUnknown, 16, 123);
        row("capacitance", "cHvOutput", 1.0, kUnknown, 15, 4096);
        row("float bits", "tanDeltaReal2", 0.5, kUnknown, 25, 0x3F000000);
        row("not a number", "gainU", double(NAN), kUnknown, 0, -1);
        row("on drops the unused bits", "limitPwm", true, 0b100001, 20, 0b00101);
        row("already on", "limitPwm", true, 0b00101, 20, -1);
        row("off", "loadDetection", false, 0b111111, 20, 0b11110);
        row("already off, high bits", "bridgeCircuit", false, 0b100001, 20, 0b00001);
        row("word unknown", "tanDeltaCalib", true, kUnknown, 20, -1);
        row("word unknown, off", "crossCurrentIncrease", false, kUnknown, 20, -1);
    }
    void writesReachTheUnit()
    {
        QFETCH(QByteArray, property);
        QFETCH(QVariant, value);
        QFETCH(qulonglong, word);
        QFETCH(int, type);
        QFETCH(qlonglong, raw);
        m_fixture->dm()->setHVUnitParam(eHVUnitParamType_HvSinParameterVlfSettings, word);
        Calibration calibration;
        QSignalSpy written(&calibration, &Calibration::hvUnitParamChanged);
        const QMetaProperty meta = calibration.metaObject()->property(calibration.metaObject()->indexOfProperty(property));
        QSignalSpy changed(&calibration, meta.notifySignal());
        QVERIFY(calibration.setProperty(property.constData(), value));
        QCOMPARE(written.size(), raw < 0 ? 0 : 1);
        if (raw >= 0) {
            QCOMPARE(int(written.first().at(0).value<eHVUnitParamType>()), type);
            QCOMPARE(written.first().at(1).toULongLong(), qulonglong(raw));
        }
        // The value shows once the unit reports it.
        QCOMPARE(changed.size(), 0);
        if (value.type() == QVariant::Bool && word == kUnknown)
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
