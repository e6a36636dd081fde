#include "gui/FixedValueUnit.h"
#include "gui/ValueUnit.h"
#include "fakes/KeyTranslator.h"

#include <QSignalSpy>
#include <QtTest>

class TstValueUnit : public QObject {
    Q_OBJECT

    KeyTranslator m_keys;

    // A voltage item as the configuration page makes it: 0..4000, value 100.
    static void makeVoltage(ValueUnit& unit)
    {
        unit.setMinimum(0);
        unit.setMaximum(4000);
        unit.setValue(100);
    }

private slots:
    void initTestCase() { QVERIFY(QCoreApplication::installTranslator(&m_keys)); }

    void valueIsClampedAndSignalledOnlyOnChange()
    {
        ValueUnit unit(QStringLiteral("Voltage"), QString(), QStringLiteral("kV"), ValueUnit::Voltage);
        makeVoltage(unit);
        QSignalSpy changed(&unit, &ValueUnit::valueChanged);

        unit.setValue(5000);
        QCOMPARE(unit.value(), 4000);
        unit.setValue(-3);
        QCOMPARE(unit.value(), 0);
        QCOMPARE(changed.count(), 2);
        unit.setValue(0);
        unit.setValue(-50); // clamps to the value it already has
        QCOMPARE(changed.count(), 2);

        // QML writes through the property.
        QVERIFY(unit.setProperty("value", 4001));
        QCOMPARE(unit.property("value").toInt(), 4000);
        QCOMPARE(changed.count(), 3);
    }

    void rangeChangesPullTheValueAlong()
    {
        ValueUnit unit;
        makeVoltage(unit);
        unit.setValue(3000);
        QStringList order;
        connect(&unit, &ValueUnit::maximumChanged, this, [&] { order << QStringLiteral("maximum"); });
        connect(&unit, &ValueUnit::minimumChanged, this, [&] { order << QStringLiteral("minimum"); });
        connect(&unit, &ValueUnit::valueChanged, this, [&] { order << QStringLiteral("value"); });

        unit.setMaximum(2500);
        QCOMPARE(unit.value(), 2500);
        QCOMPARE(order, (QStringList{"maximum", "value"}));

        order.clear();
        unit.setMaximum(2500);
        unit.setMaximum(3500); // value inside: only the range moves
        QCOMPARE(order, QStringList{"maximum"});
        QCOMPARE(unit.value(), 2500);

        order.clear();
        unit.setMinimum(2600);
        QCOMPARE(order, (QStringList{"minimum", "value"}));
        QCOMPARE(unit.value(), 2600);
        QVERIFY(unit.minimum() <= unit.value() && unit.value() <= unit.maximum());
    }

    void choiceListsSetTheRange()
    {
        ValueUnit unit(QStringLiteral("Ramp"), QString(), QString(), ValueUnit::RampMode);
        makeVoltage(unit);
        QSignalSpy values(&unit, &ValueUnit::valuesChanged);
        QSignalSpy maximum(&unit, &ValueUnit::maximumChanged);
        QSignalSpy value(&unit, &ValueUnit::valueChanged);

        unit.setStringValues({QStringLiteral("Auto"), QStringLiteral("Manual"), QStringLiteral("Off")});
        QCOMPARE(unit.minimum(), 0);
        QCOMPARE(unit.maximum(), 2);
        QCOMPARE(unit.value(), 2);
        QCOMPARE(values.count(), 1);
        QCOMPARE(value.count(), 1);

        // An equal list built anew (not shared) changes nothing.
        QStringList same;
        same << QStringLiteral("Auto") << QStringLiteral("Manual") << QStringLiteral("Off");
        unit.setStringValues(same);
        QCOMPARE(values.count(), 1);
        QCOMPARE(maximum.count(), 1);

        unit.setStringValues({QStringLiteral("Auto"), QStringLiteral("Manual")});
        QCOMPARE(unit.maximum(), 1);
        QCOMPARE(unit.value(), 1);
        QCOMPARE(values.count(), 2);
    }

    void ticksAreRoundedAsQRoundDoes()
    {
        ValueUnit unit;
        QSignalSpy ticks(&unit, &ValueUnit::ticksChanged);
        unit.setTicks({2.5, 10.4, -2.5});
        QCOMPARE(unit.ticks(), (QVariantList{3, 10, -2}));
        QCOMPARE(ticks.count(), 1);
        unit.setTicks({2.5, 10.4, -2.5});
        unit.setTicks({3, 10, -2});
        QCOMPARE(ticks.count(), 1);

        // Texts from QML, nonsense and numbers beyond int never give undefined values.
        unit.setTicks({QStringLiteral("7.5"), QStringLiteral("x"), 1e12, -1e12, qQNaN()});
        QCOMPARE(unit.ticks(),
                 (QVariantList{8, 0, std::numeric_limits<int>::max(), std::numeric_limits<int>::min() + 1, 0}));
        QCOMPARE(ticks.count(), 2);
    }

    void settersSignalOnlyChanges()
    {
        ValueUnit unit;
        QSignalSpy name(&unit, &ValueUnit::nameChanged);
        QSignalSpy unitText(&unit, &ValueUnit::unitChanged);
        QSignalSpy scale(&unit, &ValueUnit::scaleFactorChanged);
        QSignalSpy visible(&unit, &ValueUnit::visibleChanged);
        for (int i = 0; i < 2; ++i) {
            unit.setName(QStringLiteral("Time"));
            unit.setUnit(QStringLiteral("min"));
            unit.setScaleFactor(10);
            unit.setVisible(false);
        }
        QCOMPARE(name.count(), 1);
        QCOMPARE(unitText.count(), 1);
        QCOMPARE(scale.count(), 1);
        QCOMPARE(visible.count(), 1);
    }

    void assignmentsCopyOnlyWhatTheyName()
    {
        ValueUnit source(QStringLiteral("U0"), QStringLiteral("Rated voltage"), QStringLiteral("kV"),
                         ValueUnit::VoltageU0);
        makeVoltage(source);
        source.setValue(87);
        source.setScaleFactor(10);
        source.setUnitHint(QStringLiteral("RMS"));

        ValueUnit target(QString(), QString(), QString(), ValueUnit::Time);
        target.setMaximum(50);
        target = source;
        QCOMPARE(target.name(), source.name());
        QCOMPARE(target.description(), source.description());
        QCOMPARE(target.unit(), source.unit());
        QCOMPARE(target.value(), 50); // its own range still holds
        QCOMPARE(target.type(), ValueUnit::Time);
        QCOMPARE(target.scaleFactor(), 1);
        QVERIFY(target.unitHint().isEmpty());

        target = qMakePair(20, QStringLiteral("min"));
        QCOMPARE(target.value(), 20);
        QCOMPARE(target.unit(), QStringLiteral("min"));
    }

    void timeWithoutLimitIsInfinity()
    {
        ValueUnit time(QString(), QString(), QString(), ValueUnit::Time);
        QSignalSpy changed(&time, &ValueUnit::valueChanged);
        time.setValue(1);
        QVERIFY(!time.isInfinity());
        time.setValue(0);
        QVERIFY(time.isInfinity());
        QVERIFY(time.property("isInfinity").toBool());
        QCOMPARE(changed.count(), 2);

        // The property tells its change through valueChanged.
        const QMetaProperty infinity =
            time.metaObject()->property(time.metaObject()->indexOfProperty("isInfinity"));
        QVERIFY(infinity.hasNotifySignal());
        QCOMPARE(infinity.notifySignal().name(), QByteArray("valueChanged"));

        ValueUnit voltage(QString(), QString(), QString(), ValueUnit::Voltage);
        voltage.setValue(0);
        QVERIFY(!voltage.isInfinity());
    }

    void fixedNamesAndIcons_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("icon");
        const QString skull = QStringLiteral("qrc:/icons/skull.svg");
        QTest::newRow("Unknown") << 0 << "Insulation" << skull;
        QTest::newRow("Resistance") << 1 << "Resistance" << "qrc:/icons/resistor.svg";
        QTest::newRow("Capacitance") << 2 << "Capacitance" << "qrc:/icons/capacitor.svg";
        QTest::newRow("Frequency") << 3 << "Frequency" << "qrc:/icons/frequency.svg";
        QTest::newRow("Leakage") << 4 << "Leakage" << "qrc:/icons/I_RMS.svg";
        QTest::newRow("Current") << 5 << "Current" << "qrc:/icons/I.svg";
        QTest::newRow("MaxCurrent") << 6 << "MaxCurrent" << "qrc:/icons/I_MAX.svg";
        QTest::newRow("TanDelta") << 7 << "TanDelta" << "qrc:/icons/tandelta.svg";
        QTest::newRow("Phase") << 8 << "Phase" << skull;
        QTest::newRow("Voltage") << 9 << "Voltage" << "qrc:/icons/U.svg";
        QTest::newRow("VoltageU0") << 10 << "VoltageU0" << "qrc:/icons/U.svg";
        QTest::newRow("Range") << 11 << "Range" << "qrc:/icons/U.svg";
        QTest::newRow("TestTime") << 12 << "TestTime" << "qrc:/icons/clock.svg";
        QTest::newRow("DutyCycle") << 13 << "DutyCycle" << skull;
        QTest::newRow("Levels") << 14 << "Levels" << skull;
        QTest::newRow("Insulation") << 15 << "Insulation" << skull;
        QTest::newRow("beyond") << 16 << "Insulation" << skull;
        QTest::newRow("negative") << -1 << "Insulation" << skull;
    }
    void fixedNamesAndIcons()
    {
        QFETCH(int, type);
        QFETCH(QString, key);
        QFETCH(QString, icon);
        FixedValueUnit unit(static_cast<FixedValueUnit::ValueType>(type), QStringLiteral("1"), QString());
        QCOMPARE(unit.name(), QStringLiteral("TestParameters/") + key);
        QCOMPARE(unit.icon(), icon);
    }

    void severalPhasesAreNamedPhases()
    {
        FixedValueUnit phase(FixedValueUnit::Phase, QStringLiteral("L2"), QString());
        QCOMPARE(phase.name(), QStringLiteral("TestParameters/Phase"));
        QSignalSpy changed(&phase, &FixedValueUnit::valueChanged);
        phase.setValue(QStringLiteral("L1 L3"));
        QCOMPARE(phase.name(), QStringLiteral("Menu/Phases"));
        QCOMPARE(phase.property("name").toString(), QStringLiteral("Menu/Phases"));
        QCOMPARE(changed.count(), 1);
    }

    void testTimeInfinity_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("infinity");
        QTest::newRow("0") << int(FixedValueUnit::TestTime) << "0" << true;
        QTest::newRow("empty") << int(FixedValueUnit::TestTime) << "" << true;
        QTest::newRow("30") << int(FixedValueUnit::TestTime) << "30" << false;
        QTest::newRow("-1") << int(FixedValueUnit::TestTime) << "-1" << false;
        QTest::newRow("0 min") << int(FixedValueUnit::TestTime) << "0 min" << false;
        QTest::newRow("other type") << int(FixedValueUnit::Voltage) << "0" << false;
    }
    void testTimeInfinity()
    {
        QFETCH(int, type);
        QFETCH(QString, value);
        QFETCH(bool, infinity);
        FixedValueUnit unit(static_cast<FixedValueUnit::ValueType>(type), value, QStringLiteral("min"));
        QCOMPARE(unit.isInfinity(), infinity);
    }

    // A binding of the infinity mark hears when the time text changes.
    void infinityFollowsTheValueText()
    {
        FixedValueUnit time(FixedValueUnit::TestTime, QStringLiteral("0"), QStringLiteral("min"));
        QSignalSpy changed(&time, &FixedValueUnit::valueChanged);
        time = qMakePair(QStringLiteral("45"), QStringLiteral("min"));
        QVERIFY(!time.property("isInfinity").toBool());
        QCOMPARE(changed.count(), 1);
        const QMetaObject* meta = time.metaObject();
        QCOMPARE(meta->property(meta->indexOfProperty("isInfinity")).notifySignal().name(),
                 QByteArray("valueChanged"));
    }

    void fixedAssignmentKeepsTheUnitHint()
    {
        FixedValueUnit source(FixedValueUnit::Voltage, QStringLiteral("12.0"), QStringLiteral("kV"),
                              QStringLiteral("PEAK"));
        FixedValueUnit target(FixedValueUnit::Range, QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("RMS"));
        QSignalSpy hint(&target, &FixedValueUnit::unitHintChanged);
        target = source;
        QCOMPARE(target.type(), FixedValueUnit::Voltage);
        QCOMPARE(target.value(), QStringLiteral("12.0"));
        QCOMPARE(target.unit(), QStringLiteral("kV"));
        QCOMPARE(target.unitHint(), QStringLiteral("RMS"));
        QCOMPARE(hint.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TstValueUnit)
#include "tst_valueunit.moc"
