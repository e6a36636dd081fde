#include "gui/PropertyConfirmationViewModel.h"
#include "gui/PropertySettingsViewModel.h"
#include "gui/QmlTypes.h"
#include "uiapi/Measurement.h"
#include "uiapi/SafetyCircuitView.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

namespace {
// Every warning printed while a test function runs; any of them fails it.
QStringList g_warnings;
QtMessageHandler g_previous = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(text);
    if (g_previous)
        g_previous(type, context, text);
}
} // namespace

// What the pages see of the value items, contact views and verdicts through "Vlf.GUI".
class TstValueUnitsQml : public QObject {
    Q_OBJECT

    static QByteArray page(const QByteArray& body)
    {
        return "import QtQml 2.15\nimport Vlf.GUI 1.0\nQtObject {\n" + body + "\n}\n";
    }

    std::unique_ptr<QObject> create(QQmlEngine& engine, const QByteArray& body, QString* errors = nullptr)
    {
        QQmlComponent component(&engine);
        component.setData(page(body), QUrl(QStringLiteral("file:///tst_valueunitsqml.qml")));
        std::unique_ptr<QObject> object(component.create());
        if (errors) {
            for (const QQmlError& e : component.errors())
                errors->append(e.toString());
        }
        return object;
    }

private slots:
    void initTestCase()
    {
        g_previous = qInstallMessageHandler(collectWarnings);
        registerQmlTypes();
        registerQmlTypes(); // a second call registers nothing twice
    }
    void cleanup()
    {
        const QStringList warnings = g_warnings;
        g_warnings.clear();
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
    }

    void enumsByName()
    {
        QQmlEngine engine;
        auto object = create(engine, "property int time: ValueUnit.Time\n"
                                     "property int standard: ValueUnit.TanDeltaStandard\n"
                                     "property int passed: TestResult.Passed\n"
                                     "property int interrupted: TestResult.InteruptedByUser\n"
                                     "property int phaseRow: PropertyConfirmationViewModel.Phase\n"
                                     "property int list: PropertySettingsViewModel.ListValue");
        QVERIFY(object);
        QCOMPARE(object->property("time").toInt(), int(ValueUnit::Time));
        QCOMPARE(object->property("standard").toInt(), 16);
        QCOMPARE(object->property("passed").toInt(), int(Measurement::Passed));
        QCOMPARE(object->property("interrupted").toInt(), 4);
        QCOMPARE(object->property("phaseRow").toInt(), int(PropertyConfirmationViewModel::Phase));
        QCOMPARE(object->property("list").toInt(), int(PropertySettingsViewModel::ListValue));
    }

    void placeholdersOfTheCreatableTypes()
    {
        QQmlEngine engine;
        auto object = create(engine, "property var item: PropertySettingsViewModel {}\n"
                                     "property var contact: SafetyCircuitView {}\n"
                                     "property bool confirmed: item.isConfirmed\n"
                                     "property int kind: item.propertyItemType\n"
                                     "property bool closed: contact.closed");
        QVERIFY(object);
        auto* item = qvariant_cast<PropertySettingsViewModel*>(object->property("item"));
        QVERIFY(item);
        QCOMPARE(object->property("kind").toInt(), int(PropertySettingsViewModel::Unknown));
        item->setConfirm(true);
        QVERIFY(object->property("confirmed").toBool());
        auto* contact = qvariant_cast<SafetyCircuitView*>(object->property("contact"));
        QVERIFY(contact);
        contact->onSafetyCircuitChanged(std::bitset<10>(1));
        QVERIFY(object->property("closed").toBool());
    }

    void uncreatableTypesSayWhy_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QString>("reason");
        QTest::newRow("ValueUnit") << QByteArray("ValueUnit") << "Can't create ValueUnit instance";
        QTest::newRow("confirmation") << QByteArray("PropertyConfirmationViewModel")
                                      << "Can't create PropertyConfirmationViewModel instance";
        QTest::newRow("TestResult") << QByteArray("TestResult") << "Access to measurement enums";
    }
    void uncreatableTypesSayWhy()
    {
        QFETCH(QByteArray, type);
        QFETCH(QString, reason);
        QQmlEngine engine;
        QString errors;
        auto object = create(engine, "property var x: " + type + " {}", &errors);
        QVERIFY(!object);
        QVERIFY2(errors.contains(reason), qPrintable(errors));
        g_warnings.clear(); // the refused creation is the point here
    }
};

QTEST_GUILESS_MAIN(TstValueUnitsQml)
#include "tst_valueunitsqml.moc"
