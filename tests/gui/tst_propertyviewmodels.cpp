#include "datamodel/DataModell.h"
#include "gui/PhaseString.h"
#include "gui/PropertyConfirmationViewModel.h"
#include "gui/PropertySettingsViewModel.h"
#include "fakes/DataModelFixture.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

class TstPropertyViewModels : public QObject {
    Q_OBJECT

    QTranslator m_english;
    std::unique_ptr<DataModelFixture> m_fixture;

    static std::unique_ptr<PropertySettingsViewModel> item(ValueUnit::ValueType type, int scale, int value)
    {
        auto p = std::make_unique<PropertySettingsViewModel>(QStringLiteral("name"), QString(), QString(), type);
        p->setMaximum(100000);
        p->setScaleFactor(scale);
        p->setValue(value);
        return p;
    }

    void setVoltageType(eVoltageType type)
    {
        m_fixture->dm()->setVoltageType(type, false);
        QCOMPARE(m_fixture->dm()->getVoltageType(), type);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_english.load(QStringLiteral(ENGLISH_QM)));
        QVERIFY(QCoreApplication::installTranslator(&m_english));
    }
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void phaseNames()
    {
        QCOMPARE(getPhaseString(0), QStringLiteral("L1"));
        QCOMPARE(getPhaseString(2), QStringLiteral("L3"));
        QVERIFY(getPhaseString(3).isEmpty());
        m_fixture->dm()->setPhaseName(1, QStringLiteral("Blue"));
        QCOMPARE(getPhaseString(1), QStringLiteral("Blue"));

        auto phases = item(ValueUnit::Phases, 1, 0);
        QCOMPARE(phases->valueToString(), QStringLiteral("---"));
        phases->setValue(5);
        QCOMPARE(phases->valueToString(), QStringLiteral("L1 L3"));
        phases->setValue(7);
        QCOMPARE(phases->valueToString(), QStringLiteral("L1 Blue L3"));
        phases->setValue(0);
        phases->setZeroRepresentation(QStringLiteral("none"));
        QCOMPARE(phases->valueToString(), QStringLiteral("none"));
    }

    void numbersByScaleFactor()
    {
        auto voltage = item(ValueUnit::Voltage, 10, 87);
        QCOMPARE(voltage->valueToString(), QStringLiteral("8.7"));
        QSignalSpy factorChanged(voltage.get(), &PropertySettingsViewModel::valueFactorChanged);
        voltage->setValueFactor(20);
        voltage->setValueFactor(20);
        QCOMPARE(factorChanged.count(), 1);
        QCOMPARE(voltage->valueToString(), QStringLiteral("17.4"));

        QCOMPARE(item(ValueUnit::Frequency, 100, 12345)->valueToString(), QStringLiteral("123.45"));
        QCOMPARE(item(ValueUnit::Time, 1, 30)->valueToString(), QStringLiteral("30"));
        QCOMPARE(item(ValueUnit::NumberOfLevels, 1, 5)->valueToString(), QStringLiteral("5"));
        QCOMPARE(item(ValueUnit::VoltageU0, 10, 12345)->valueToString(), QStringLiteral("1,234.5"));

        auto time = item(ValueUnit::Time, 1, 0);
        time->setZeroRepresentation(QStringLiteral("\u221E"));
        QCOMPARE(time->valueToString(), QStringLiteral("\u221E"));

        // A scale factor of 0 must not divide by zero.
        QCOMPARE(item(ValueUnit::Voltage, 0, 87)->valueToString(), QStringLiteral("87"));

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(item(ValueUnit::Voltage, 10, 87)->valueToString(), QStringLiteral("8,7"));
    }

    void voltageFactorAgainstU0()
    {
        auto u0 = item(ValueUnit::VoltageU0, 10, 87);
        auto factor = item(ValueUnit::VoltageFactor, 10, 30);
        QCOMPARE(factor->valueToString(), QStringLiteral("3.0"));

        factor->setConnectedModel(u0.get());
        QCOMPARE(factor->getConnectedModel(), u0.get());
        // U0 is entered in the test voltage's form: the product needs no conversion.
        for (eVoltageType type : {VoltageType_RMS, VoltageType_PEAK, VoltageType_Factor}) {
            setVoltageType(type);
            QCOMPARE(factor->valueToString(), QStringLiteral("26.1"));
        }

        // A deleted U0 item is forgotten, never read.
        u0.reset();
        QVERIFY(!factor->getConnectedModel());
        QCOMPARE(factor->valueToString(), QStringLiteral("3.0"));
    }

    void choiceTexts()
    {
        auto choice = item(ValueUnit::Polarity, 1, 0);
        choice->setStringValues({QStringLiteral("Positive"), QStringLiteral("Negative")});
        choice->setValue(1);
        QCOMPARE(choice->valueToString(), QStringLiteral("Negative"));
        // The range follows the list, so only a shorter list leaves the value outside it.
        choice->setMinimum(-5);
        choice->setValue(-1);
        QVERIFY(choice->valueToString().isEmpty());
        choice->setMaximum(10);
        choice->setValue(2);
        QVERIFY(choice->valueToString().isEmpty());

        QVERIFY(item(ValueUnit::Unknown, 1, 3)->valueToString().isEmpty());
        QVERIFY(item(static_cast<ValueUnit::ValueType>(17), 1, 3)->valueToString().isEmpty());
    }

    void itemKinds()
    {
        using P = PropertySettingsViewModel;
        const P::PropertyItemType expected[] = {
            P::Unknown,          P::PhaseValue,        P::SlideValue,        P::SlideValue,
            P::SingleChoiceValue, P::SingleChoiceValue, P::SlideValue,        P::SlideValue,
            P::SlideValue,       P::SingleChoiceValue, P::SlideValue,        P::SingleChoiceValue,
            P::SingleChoiceValue, P::SingleChoiceValue, P::SlideValue,        P::SlideValue,
            P::ListValue,        P::Unknown};
        for (int type = 0; type < 18; ++type) {
            P model(QString(), QString(), QString(), static_cast<ValueUnit::ValueType>(type));
            QCOMPARE(int(model.propertyItemType()), int(expected[type]));
            QCOMPARE(model.isPhase(), type == ValueUnit::Phases);
            QCOMPARE(model.isVoltageFactor(), type == ValueUnit::VoltageFactor);
        }
        P placeholder;
        QCOMPARE(placeholder.type(), ValueUnit::Unknown);
        QCOMPARE(placeholder.property("propertyItemType").toInt(), int(P::Unknown));
    }

    void confirmationSurvivesOnlyTheSameValue()
    {
        auto model = item(ValueUnit::Voltage, 10, 10);
        QSignalSpy confirm(model.get(), &PropertySettingsViewModel::confirmChanged);
        QSignalSpy active(model.get(), &PropertySettingsViewModel::activeChanged);

        model->setConfirm(true);
        model->setActive(true);
        model->setActive(false);
        QVERIFY(model->isConfirmed());
        QCOMPARE(confirm.count(), 1);
        QCOMPARE(active.count(), 2);

        model->setActive(true);
        model->setValue(11);
        model->setActive(false);
        QVERIFY(!model->isConfirmed());
        QCOMPARE(confirm.count(), 2);

        // Confirming again remembers the new value; so does confirming an already confirmed item.
        model->setConfirm(true);
        model->setValue(12);
        model->setConfirm(true);
        model->setActive(true);
        model->setActive(false);
        QVERIFY(model->isConfirmed());
        QCOMPARE(confirm.count(), 3);

        // Leaving an item never confirmed keeps it unconfirmed, whatever its value.
        auto fresh = item(ValueUnit::Voltage, 10, 10);
        fresh->setActive(true);
        fresh->setValue(20);
        fresh->setActive(false);
        QVERIFY(!fresh->isConfirmed());
        QVERIFY(fresh->setProperty("isActive", true));
        QVERIFY(fresh->isActive());
    }

    void confirmationRows()
    {
        PropertyConfirmationViewModel levels(PropertyConfirmationViewModel::VoltageLevels);
        QCOMPARE(levels.description(), QStringLiteral("Confirm Voltage Steps"));
        QVERIFY(!levels.isConfirmed());
        QCOMPARE(levels.value(), 0);

        m_fixture->dm()->setPhasesToTest(0b101);
        QCOMPARE(m_fixture->dm()->phasesToTest(), 0b101);
        PropertyConfirmationViewModel first(PropertyConfirmationViewModel::Phase);
        QCOMPARE(first.description(), QStringLiteral("Connect to phase L1"));
        PropertyConfirmationViewModel third(PropertyConfirmationViewModel::Phase);
        QSignalSpy valueChanged(&third, &PropertyConfirmationViewModel::valueChanged);
        third.setValue(2);
        third.setValue(2);
        QCOMPARE(valueChanged.count(), 1);
        QCOMPARE(third.description(), QStringLiteral("L1 done, reconnect to phase L3"));

        // L2 is not tested, so a row for it has nothing before it but L1.
        PropertyConfirmationViewModel second(PropertyConfirmationViewModel::Phase);
        second.setValue(1);
        QCOMPARE(second.description(), QStringLiteral("L1 done, reconnect to phase L2"));
        m_fixture->dm()->setPhasesToTest(0b100);
        QCOMPARE(third.description(), QStringLiteral("Connect to phase L3"));

        QSignalSpy confirmChanged(&third, &PropertyConfirmationViewModel::confirmChanged);
        third.setConfirm(true);
        third.setConfirm(true);
        QCOMPARE(confirmChanged.count(), 1);

        // Copying takes the type only.
        PropertyConfirmationViewModel copy;
        copy = third;
        QCOMPARE(copy.type(), PropertyConfirmationViewModel::Phase);
        QCOMPARE(copy.value(), 0);
        QVERIFY(!copy.isConfirmed());
    }
};

QTEST_GUILESS_MAIN(TstPropertyViewModels)
#include "tst_propertyviewmodels.moc"
