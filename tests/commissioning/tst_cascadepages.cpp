#include "commissioning/CommissioningViewModel.h"
#include "commissioning/TimerScale.h"
#include "fakes/ProgramWindow.h"
#include "fakes/QmlWarnings.h"
#include "fakes/SimulatedSurroundings.h"
#include "hvunit/TCheckSafetyCircuit.h"

#include <QQuickItem>
#include <QTest>

// Both cascade procedures as the operator runs them: the encoder in the program's
// window, the HV-on key on the simulated unit, the HV-enable line on the fake GPIO tree;
// the procedures' timers run ten times faster.
class TstCascadePages : public QObject {
    Q_OBJECT
public:
    TstCascadePages(Application* app, FakeGpioTree* gpio, HvUnitModel* unit)
        : m_app(app), m_unit(unit), m_ui("tst_cascadepages", gpio, unit)
    {
    }

private:
    Application* m_app;
    HvUnitModel* m_unit;
    ProgramWindow m_ui;

    QQuickItem* page() const { return m_ui.page(); }
    // The texts a page shows below the item of that name, in order.
    QStringList textsIn(const char* name) const
    {
        QStringList out;
        if (auto* container = page()->findChild<QQuickItem*>(QLatin1String(name)))
            for (QQuickItem* child : container->childItems())
                if (child->isVisible() && child->property("text").isValid())
                    out << child->property("text").toString();
        return out;
    }
    // Opens the procedure's page from the main page or the Calibration group's page.
    bool open(int mode, const char* objectName) { return m_ui.openPage(OperatingModes::Calibration, mode, objectName); }
    // Every value line the page showed.
    QStringList lines() const { return m_ui.trail("measured") + m_ui.trail("cascades"); }
    // The verdict stays until the confirm button, the only one left, closes the page.
    void confirmCloses()
    {
        QVERIFY(!m_ui.item("cancelButton")->isVisible());
        QVERIFY(m_ui.confirm());
        QTRY_COMPARE(m_ui.depth(), 2);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_ui.attach(m_app));
        m_unit->setRampMs(0);
        QmlWarnings::install()->take();
        m_ui.vm()->enableCommissioning(true);
    }
    // A page a failed case left open goes first.
    void init()
    {
        if (m_ui.depth() > 2)
            QMetaObject::invokeMethod(page(), "close");
        QTRY_VERIFY(m_ui.depth() <= 2);
    }
    void cleanup()
    {
        m_ui.useQuickTimes();
        QCOMPARE(QmlWarnings::install()->take(), QStringList());
    }

    // Cancel pressed twice: the second press falls on the list's entry, which got the knob
    // back, and starts nothing again; the unit keeps its calibration words.
    void doublePressOnCancel_data()
    {
        QTest::addColumn<bool>("hvOn");
        QTest::addColumn<int>("gapMs");
        QTest::newRow("waiting for HV on") << false << 700;
        QTest::newRow("6 kV output") << true << 300;
        QTest::newRow("6 kV output, 100 ms") << true << 100;
    }
    void doublePressOnCancel()
    {
        QFETCH(bool, hvOn);
        QFETCH(int, gapMs);
        const auto words = [this] { return QList<quint64>({ m_unit->parameter(13), m_unit->parameter(14),
                                                            m_unit->parameter(17), m_unit->parameter(18) }); };
        const QList<quint64> before = words();
        m_unit->setRampMs(60000); // still on the way to 6 kV
        QVERIFY(open(OperatingModes::CascadeCalibration, "cascadeCalibration"));
        QVERIFY(m_ui.reached(QStringLiteral("HV On drücken")));
        if (hvOn)
            m_unit->pressHvOn();
        QVERIFY(!hvOn || m_ui.reached(QStringLiteral("Kalibrieren +6kV")));
        m_ui.useOperatorTimes();
        QVERIFY2(m_ui.cancelTwice(gapMs, [&] { return words() == before; }), qPrintable(m_ui.lastError()));
        m_unit->setRampMs(0);
        m_ui.checkHandedBack();
    }

    void wholeCascadeCalibrationThroughThePage()
    {
        // Readings off by a few percent at +6, +40, -6 and -40 kV.
        m_unit->setCascadeReading(60, 6100000);
        m_unit->setCascadeReading(400, 40500000);
        m_unit->setCascadeReading(-60, -5900000);
        m_unit->setCascadeReading(-400, -39600000);
        QVERIFY(open(OperatingModes::CascadeCalibration, "cascadeCalibration"));
        QCOMPARE(m_ui.title(), QStringLiteral("Kalibrierung HV-Kaskaden"));
        QVERIFY(m_ui.reached(QStringLiteral("HV On drücken")));
        QVERIFY(m_ui.hvEnable());
        m_ui.shot(QStringLiteral("calibration-hv-on"));
        m_unit->pressHvOn();
        QVERIFY(m_ui.reached(QStringLiteral("Kalibrieren +40kV")));
        m_ui.shot(QStringLiteral("calibration-p40"));
        QVERIFY(m_ui.reached(QStringLiteral("Bestätigen -6kV")));
        m_ui.shot(QStringLiteral("calibration-confirm-n6"));

        QVERIFY(m_ui.reached(QStringLiteral("Erfolgreiche Kalibrierung")));
        QCOMPARE(m_ui.headlineColor(), QColor(QStringLiteral("#2E9E4F")));
        m_ui.shot(QStringLiteral("calibration-done"));
        QCOMPARE(m_ui.trail("headline"),
                 QStringList({ "Warte", "HV On drücken", "Starte HV-Erzeugung", "Kalibrieren +6kV", "Kalibrieren +40kV",
                               "Kalibrieren -6kV", "Kalibrieren -40kV", "Bestätigen +6kV", "Bestätigen +40kV",
                               "Bestätigen -6kV", "Bestätigen -40kV", "Erfolgreiche Kalibrierung" }));
        QStringList results;
        for (QQuickItem* row : page()->findChild<QQuickItem*>(QStringLiteral("results"))->childItems())
            if (row->property("label").isValid())
                results << row->property("label").toString() + row->property("value").toString();
        QCOMPARE(results, QStringList({ "PGain:0.9884", "POffset:-0.0004", "NGain:1.009", "NOffset:0.0007" }));
        const QStringList points = textsIn("points");
        QCOMPARE(points.mid(0, 6), QStringList({ "Sollwert", "Vorher", "Nachher", "+6 kV", "6.10 kV", "5.99 kV" }));
        QCOMPARE(points.mid(12), QStringList({ "-40 kV", "-39.60 kV", "-40.00 kV" }));
        QVERIFY(lines().contains(QStringLiteral("Ausgangsspannung: 40500 V & Strom: 20.3 uA")));
        QVERIFY(lines().contains(QStringLiteral("Kaskaden: A 0 V & B 6000 V, 0.0 mA & 0.0 mA")));
        QVERIFY(!page()->findChild<QQuickItem*>(QStringLiteral("measuredText"))->isVisible());
        m_ui.checkHandedBack();
        confirmCloses();
        m_unit->clearCascadeReadings();
    }

    // The verdict in colour; a missed point's text in the error dialog, the page staying
    // with its verdict.
    void powerPassThroughThePage_data()
    {
        QTest::addColumn<bool>("envelope"); // the unit's current follows the envelope
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("question");
        QTest::newRow("passed") << true << "Test erfolgreich" << QColor(QStringLiteral("#2E9E4F")) << QString();
        QTest::newRow("missed") << false << "Test nicht bestanden" << QColor(QStringLiteral("crimson"))
                                << "Konnte 5.0 kV bei 46.0(+/-2.0) mA nicht erreichen.\n"
                                   "Erreicht wurden Kaskade P 5.0 kV & N 0.0 kV bei 0.0 mA";
    }
    void powerPassThroughThePage()
    {
        QFETCH(bool, envelope);
        QFETCH(QString, verdict);
        QFETCH(QColor, colour);
        QFETCH(QString, question);
        // The output reads the cascades without the calibration the last run left.
        for (int code : { 13, 17 })
            m_unit->setParameter(code, 4096);
        for (int code : { 14, 18 })
            m_unit->setParameter(code, 0);
        m_unit->setEnvelopeCurrent(envelope);
        QVERIFY(open(OperatingModes::CascadePowerEnvelope, "cascadePowerEnvelope"));
        QCOMPARE(m_ui.title(), QStringLiteral("Kennlinien der Kaskaden"));
        QVERIFY(m_ui.reached(QStringLiteral("HV On drücken")));
        QVERIFY(m_ui.hvEnable());
        m_unit->pressHvOn();
        if (envelope) {
            QVERIFY(m_ui.reached(QStringLiteral("Messung läuft")));
            m_ui.shot(QStringLiteral("power-running"));
        }
        QVERIFY(m_ui.reached(verdict));
        QCOMPARE(m_ui.headlineColor(), colour);
        if (envelope) {
            QVERIFY(lines().contains(QStringLiteral("Ausgangsspannung: +10000 V & Strom: +45.0 mA")));
            QVERIFY(lines().contains(QStringLiteral("Ausgangsspannung: -15000 V & Strom: -44.0 mA")));
            QVERIFY(lines().contains(
                QStringLiteral("Kaskaden: SpannungP: 0 V &  SpannungN: 15000 V \n CurrentP: 0.0 mA & CurrentN: 44.0 mA")));
            QVERIFY(!page()->findChild<QQuickItem*>(QStringLiteral("measuredText"))->isVisible());
            QCOMPARE(m_ui.trail("headline"),
                     QStringList({ "Warte", "HV On drücken", "Starte HV-Erzeugung", "Messung läuft", "Test erfolgreich" }));
            QVERIFY(m_ui.vm()->questions().isEmpty());
        } else {
            QVERIFY(m_ui.trail("headline").contains(QStringLiteral("Error")));
            QCOMPARE(m_ui.question(), question);
        }
        m_ui.shot(QStringLiteral("power-%1").arg(QLatin1String(QTest::currentDataTag())));
        m_ui.checkHandedBack();
        if (!envelope) {
            m_ui.answer();
            m_ui.shot(QStringLiteral("power-failed"));
        }
        confirmCloses();
    }
};

int main(int argc, char** argv)
{
    Commissioning::setTimerScale(0.04);
    return runInProgram<TstCascadePages>(argc, argv);
}

#include "tst_cascadepages.moc"
