#include "commissioning/BurnInMachine.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/DiagnoseManualMachine.h"
#include "commissioning/DiagnoseSinusMachine.h"
#include "commissioning/MaxCapacityLoadMachine.h"
#include "commissioning/SafetyTestMachine.h"
#include "commissioning/TanDCalibrationMachine.h"
#include "commissioning/VoltageWaveformMachine.h"
#include "config/ConfigTree.h"
#include "config/IConfigBase.h"
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/Artifacts.h"
#include "fakes/ConnectionManagerOnThread.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakePlatform.h"
#include "fakes/QmlWarnings.h"
#include "fakes/RecordBuilder.h"
#include "gui/ChartDecorator.h"
#include "gui/GuiViewModel.h"
#include "gui/InputGuard.h"
#include "gui/MeasurementData.h"
#include "gui/QmlTypes.h"
#include "testrun/File.h"
#include "testrun/TTestChart.h"
#include "testrun/TanDeltaPhaseData.h"
#include "testrun/TestChart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTranslator>
#include <QTest>
#include <QtQuickTest>

#include <cmath>
#include <memory>
#include <vector>

// What the QML tests may change of the data model behind the view model.
class TestHelper : public QObject {
    Q_OBJECT
public:
    TestHelper(GuiViewModel* vm, FakePlatform* platform, ConnectionManagerOnThread* connections, QObject* parent)
        : QObject(parent), m_vm(vm), m_platform(platform), m_connections(connections)
    {
    }

    Q_INVOKABLE void setLanguage(const QString& name, const QString& nativeName)
    {
        QVariantList list;
        list << QVariantMap{{QStringLiteral("name"), name}, {QStringLiteral("native"), nativeName}};
        emit m_vm->languageListChanged(list);
        GlobalFuncs::getDM()->setCurrentLanguage(name);
    }
    Q_INVOKABLE void setRemoteControlled(bool on, const QString& peer)
    {
        GlobalFuncs::getDM()->setRemoteControlled(on, peer);
        emit m_vm->remoteControlledChanged(on);
    }
    // The modes the HV unit offers (bit n: mode n).
    Q_INVOKABLE void setModeMask(const QVariantList& modes)
    {
        stIdentification id;
        for (const QVariant& mode : modes)
            id.operatingModeMask |= quint64(1) << mode.toInt();
        id.valid = true;
        GlobalFuncs::getDM()->setHVIdentification(id);
    }
    // The burn mode of a unit that offers it.
    Q_INVOKABLE void setBurn(bool on)
    {
        DataModell* dm = GlobalFuncs::getDM();
        stIdentification id = dm->getHVIdentification();
        id.supportFlags |= 1;
        dm->setHVIdentification(id);
        dm->setBurnCurrentLimiter(on);
    }
    Q_INVOKABLE void addCableNumber(const QString& number) { GlobalFuncs::getDM()->addCableNumber(number); }
    // Configuration entries for the editor; limits only when max > min.
    Q_INVOKABLE bool setConfigLong(const QString& path, int value, int min, int max, int step)
    {
        return GlobalFuncs::getConfig()->setLong(path, value, min, max, unsigned(step)) == 0;
    }
    Q_INVOKABLE bool setConfigDouble(const QString& path, double value)
    {
        return GlobalFuncs::getConfig()->setDouble(path, value) == 0;
    }
    // The stored value as text, whatever its type.
    Q_INVOKABLE QString configText(const QString& path)
    {
        IConfigBase* config = GlobalFuncs::getConfig();
        QString text;
        long number = 0;
        double real = 0;
        if (config->queryString(path, text) == 0)
            return text;
        if (config->queryLong(path, number) == 0)
            return QString::number(number);
        if (config->queryDouble(path, real) == 0)
            return QString::number(real);
        return QStringLiteral("(none)");
    }
    Q_INVOKABLE bool setConfigReadOnly(const QString& path)
    {
        auto* tree = dynamic_cast<ConfigTree*>(GlobalFuncs::getConfig());
        return tree && tree->setReadOnly(path, true) == 0;
    }
    // What the fake platform received.
    Q_INVOKABLE QVariantList systemTimes() const
    {
        QVariantList times;
        for (const QDateTime& t : m_platform->clock.systemTimes)
            times.append(QVariant(QVariantList{t.toSecsSinceEpoch(), t.offsetFromUtc()}));
        return times;
    }
    Q_INVOKABLE void setClockResult(bool ok) { m_platform->clock.result = ok; }
    Q_INVOKABLE int brightness() const { return m_platform->backlight.current; }
    // The mode selected in the data model, as the menu would select it.
    Q_INVOKABLE void setOperatingMode(int mode)
    {
        GlobalFuncs::getDM()->changeOperatingMode(OperatingModes::OperatingMode(mode));
    }
    // Chart data of a test recorded in a mode at a frequency (mHz), owned by the helper.
    Q_INVOKABLE MeasurementData* createMeasurementData(int mode, int frequency)
    {
        auto* data = new MeasurementData(this);
        QQmlEngine::setObjectOwnership(data, QQmlEngine::CppOwnership);
        data->createData(OperatingModes::OperatingMode(mode), ulong(frequency));
        emit data->measurementDataChanged();
        return data;
    }
    // A 100 ms sample and a per-period record, in the views' units (kV, mA, 1e-3);
    // a negative tan delta stands for a record without one.
    Q_INVOKABLE void addSample(MeasurementData* data, int ms, double kV, double mA)
    {
        data->updateMeasurementValues(sample(ms, kV, mA));
    }
    Q_INVOKABLE void addPeriodic(MeasurementData* data, int ms, double kV, double mA, double tanDelta)
    {
        data->updatePeriodicMeasurementValues(periodic(ms, kV, mA, tanDelta));
    }
    // The running test as the data model reports it.
    Q_INVOKABLE void appStateChanged(int from, int to)
    {
        emit GlobalFuncs::getDM()->appStateChanged(States::AppState(from), States::AppState(to));
    }
    Q_INVOKABLE void updateTimeoutTime(int ms) { emit GlobalFuncs::getDM()->updateTimeoutTime(uint(ms)); }
    // The safety inputs as the poll reports them (bit n closed).
    Q_INVOKABLE void setSafetyCircuit(int bits)
    {
        GlobalFuncs::getDM()->setSafetyCircuitState(SafetyCircuitBits(quint32(bits)));
    }
    Q_INVOKABLE void setFrequencies(int usedMilliHz, int requestedMilliHz)
    {
        GlobalFuncs::getDM()->setFrequencyToTest(requestedMilliHz);
        GlobalFuncs::getDM()->setFrequencyUsed(ulong(usedMilliHz));
    }
    Q_INVOKABLE void setRampMode(int mode) { GlobalFuncs::getDM()->setVoltageRampMode(eVoltageRampMode(mode)); }
    Q_INVOKABLE double voltageToTest() const { return GlobalFuncs::getDM()->getVoltageToTest() / 1e6; }
    Q_INVOKABLE void feedSample(int ms, double kV, double mA)
    {
        GlobalFuncs::getDM()->setMeasurementValues(sample(ms, kV, mA));
    }
    Q_INVOKABLE void feedPeriodic(int ms, double kV, double mA, double tanDelta)
    {
        GlobalFuncs::getDM()->setPeriodicMeasurementValues(periodic(ms, kV, mA, tanDelta));
    }
    // How the last test ended, as the test worker and the safety circuit leave it.
    Q_INVOKABLE void setTestResult(int cause, int safetyCircuit)
    {
        DataModell* dm = GlobalFuncs::getDM();
        dm->resetTestData();
        dm->setSafetyCircuitState(SafetyCircuitBits(quint32(safetyCircuit)));
        dm->setTestResult(eTestResult(cause));
    }
    Q_INVOKABLE void setFaultVoltage(double kV)
    {
        stFaultValues fault;
        fault.faultTime = 1000;
        fault.faultVoltage = qint32(qRound(kV * 1e6));
        GlobalFuncs::getDM()->setFaultValues(fault);
    }
    // The summaries of a three-phase tan delta test in the database and its settings in
    // the data model, as the test worker leaves them.
    Q_INVOKABLE bool setThreePhaseTanDelta()
    {
        DataModell* dm = GlobalFuncs::getDM();
        for (const auto& phase : TestChart::tanDeltaSummary(RecordBuilder::threePhaseTanDelta())) {
            QVector<DB::TanDeltaStep> rows;
            for (const TanDeltaMeasurementValues& v : phase.second)
                rows.append({v.voltage, v.avgTanDelta, v.stdDevTanDelta});
            if (!DB::getInstance()->setTanDeltaSummary(phase.first, rows))
                return false;
        }
        dm->setPhasesToTest(7);
        dm->setVoltageSteps(3);
        dm->setCableInsulation(TanDelta::evaluation::PE_XLPE);
        dm->setEvaluationStandard(TanDelta::evaluation::IEEE2013);
        return true;
    }
    // Kept for people to look at; the test fails when the picture cannot be written.
    Q_INVOKABLE bool saveScreenshot(QObject* window, const QString& name)
    {
        const QImage shot = grab(window);
        const QString dir = artifactDir(QStringLiteral("screenshots"), QStringLiteral("tst_quick"));
        return !shot.isNull() && shot.save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
    // The share of an item's pixels on screen that show the colour (each channel within 24).
    Q_INVOKABLE double colourShare(QObject* window, QObject* item, const QString& colour)
    {
        auto* quickItem = qobject_cast<QQuickItem*>(item);
        const QImage shot = grab(window);
        if (!quickItem || shot.isNull())
            return -1;
        const QColor wanted(colour);
        const QRect area = quickItem->mapRectToScene(QRectF(0, 0, quickItem->width(), quickItem->height()))
                               .toRect()
                               .intersected(shot.rect());
        return shareAlike(shot, area, [&](int, int) { return wanted; });
    }
    // How long the active window still drops a press or tap (ms); 0 for a window without
    // the guard.
    Q_INVOKABLE int guardLeft() const
    {
        QWindow* window = QGuiApplication::focusWindow();
        const auto* guard = window ? window->property("inputGuard").value<InputGuard*>() : nullptr;
        return guard ? int(qMax<qint64>(0, guard->takenFrom() - InputGuard::now())) : 0;
    }
    // A mouse tap on the middle of the item as the platform sends it: stamped afterMs after
    // the last such tap (0: long after anything), so that one within the double-click
    // interval makes a double click, which the test library's taps never do.
    Q_INVOKABLE void platformTap(QObject* item, int afterMs)
    {
        auto* quickItem = qobject_cast<QQuickItem*>(item);
        QQuickWindow* window = quickItem ? quickItem->window() : nullptr;
        if (!window)
            return;
        const QPointF spot = quickItem->mapToScene(QPointF(quickItem->width() / 2, quickItem->height() / 2));
        const QPointF global = window->mapToGlobal(spot.toPoint());
        m_tapStamp = afterMs > 0 ? m_tapStamp + afterMs : QTest::lastMouseTimestamp + 1000;
        qt_handleMouseEvent(window, spot, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress,
                            Qt::NoModifier, m_tapStamp);
        qt_handleMouseEvent(window, spot, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease,
                            Qt::NoModifier, m_tapStamp + 1);
        // The library's next tap is no double click of these.
        QTest::lastMouseTimestamp = m_tapStamp + 1 + QTest::mouseDoubleClickInterval;
    }
    // Deletes a window at once; a deferred destroy() would let its bindings run on a
    // half-torn-down tree.
    Q_INVOKABLE void destroyNow(QObject* object) { delete object; }
    // The procedures this version cannot run, on this thread without a link: each answers
    // Start with its error. Off: no machines, as with commissioning switched off.
    Q_INVOKABLE void setUnavailableMachines(bool on)
    {
        using namespace Commissioning;
        MachineBundle b;
        if (on) {
            b.safetyTest = std::make_shared<SafetyTestMachine>(nullptr, nullptr);
            b.voltageWaveform = std::make_shared<VoltageWaveformMachine>(nullptr, nullptr);
            b.burnIn = std::make_shared<BurnInMachine>(nullptr, nullptr);
            b.diagnoseSinus = std::make_shared<DiagnoseSinusMachine>(nullptr, nullptr);
            b.diagnoseManual = std::make_shared<DiagnoseManualMachine>(nullptr, nullptr);
            b.maxCapacityLoad = std::make_shared<MaxCapacityLoadMachine>(nullptr, nullptr);
            b.tanDCalibration = std::make_shared<TanDCalibrationMachine>(nullptr, nullptr);
        }
        m_vm->commissioning()->setMachineBundle(b);
    }
    // A tan delta calibration's results as its machine reports them (queued to the view model).
    Q_INVOKABLE void reportTanDCalibration()
    {
        using namespace Commissioning;
        TanDCalibrationMachine* machine = m_vm->commissioning()->machines().tanDCalibration.get();
        if (!machine)
            return;
        emit machine->calibrationResults({ 1.000125, -0.000031, 0.999870, 0.000042 });
        emit machine->validationResult({ TanDCalibrationFirstStepTest,
                                         { { 5000000, 1234, 56, true }, { 10000000, 1301, 40, true } } });
        emit machine->validationResult({ TanDCalibrationSecondStepTest, { { 20000000, 2950, 310, false } } });
    }
    // Stored tests of the history, written into the record store of the data model.
    Q_INVOKABLE bool storeSineRecord(const QString& day, const QString& time, const QString& cable,
                                     const QString& comment)
    {
        return writeRecord(sineRecord(day, time, cable, comment));
    }
    // The record the test worker leaves for the test just run.
    Q_INVOKABLE bool leaveRecord()
    {
        const TestChart::VLF::TestData data = sineRecord(QStringLiteral("20261208"), QStringLiteral("12:00"), "K-9", "");
        stExportTestInfo info;
        info.fileName = TestChart::exportFileName(data);
        info.directory = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + QStringLiteral("/20261208");
        GlobalFuncs::getDM()->setHistoryTestInfo(info);
        return writeRecord(data);
    }
    static TestChart::VLF::TestData sineRecord(const QString& day, const QString& time, const QString& cable,
                                               const QString& comment)
    {
        RecordBuilder b;
        b.info(0, 10, QStringLiteral("00000000123"));
        b.test(OperatingModes::VLFSin, 20000000, 600000, 5).cableNumber(cable);
        RecordBuilder::Run run;
        run.start = day.left(4) + '-' + day.mid(4, 2) + '-' + day.mid(6) + 'T' + time + QStringLiteral(":00.000");
        run.comment = comment;
        b.run(run).load(1, QStringLiteral("2500000000"), QStringLiteral("350"));
        for (int t = 0; t <= 600000; t += 100)
            b.sample(1, t, qint32(20000000 * std::sin(t * 2 * M_PI / 10000.0)), 2000000);
        for (int t = 10000; t <= 600000; t += 10000)
            b.periodic(1, t, 14140000, 1400000 + t / 100, 1200 + (t / 10000) % 7 * 10);
        return b.build(1);
    }
    Q_INVOKABLE bool storeTanDeltaRecord() { return writeRecord(RecordBuilder::threePhaseTanDelta()); }
    Q_INVOKABLE void clearStore()
    {
        QDir(GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements)).removeRecursively();
    }

    Q_INVOKABLE void clearLists()
    {
        while (!m_vm->questions().isEmpty())
            m_vm->hideQuestion(m_vm->questions().first().id, 0);
        while (!m_vm->progresses().isEmpty())
            m_vm->hideProgress(m_vm->progresses().first().id);
        while (!m_vm->waitItems().isEmpty())
            m_vm->hideWaitMessage(m_vm->waitItems().first()->value().toUuid());
        while (!m_vm->messages().isEmpty()) {
            const GuiViewModel::Message m = m_vm->messages().first();
            if (!m_vm->hideInfo(m.id) && !m_vm->hideWarning(m.id) && !m_vm->hideError(m.id) && !m_vm->hideFatal(m.id)
                && !m_vm->hideMessage(m.id))
                break;
        }
    }

    // Stick, screenshot switch, clock, menu locks and logs of the log and screenshot tests.
    // The stick stays in with its files (the connection pages list them): only what the
    // program knows of it changes.
    Q_INVOKABLE void setStick(bool present) { setUsbState(present ? USBState_Ready : USBState_NoStick); }
    Q_INVOKABLE bool writeStickFile(const QString& path, const QByteArray& content)
    {
        const QString file = stickFile(path);
        QFile out(file);
        return QDir().mkpath(QFileInfo(file).path()) && out.open(QIODevice::WriteOnly) && out.write(content) == content.size();
    }
    // A criteria file on the stick made from a built-in one under another name.
    Q_INVOKABLE bool writeStandard(const QString& path, const QString& name)
    {
        Q_INIT_RESOURCE(tanDeltaStandards);
        QFile builtIn(QStringLiteral(":/tanDeltaStandards/2Uo.tds"));
        return builtIn.open(QIODevice::ReadOnly)
            && writeStickFile(path, builtIn.readAll().replace("\"name\"", "\"name\": \"" + name.toUtf8() + "\", \"was\""));
    }
    Q_INVOKABLE bool removeStickFile(const QString& path)
    {
        const QFileInfo info(stickFile(path));
        return info.isDir() ? QDir(info.filePath()).removeRecursively() : QFile::remove(info.filePath());
    }
    Q_INVOKABLE QString stickFile(const QString& path) const
    {
        return GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint) + path;
    }
    Q_INVOKABLE QString screenshotFolder() const { return GlobalFuncs::getUsbPath(GlobalFuncs::UsbScreenshots); }
    Q_INVOKABLE void setScreenshotsEnabled(bool on)
    {
        const QString key = QStringLiteral("/General/ScreenshotFunction");
        GlobalFuncs::getConfig()->setBoolean(key, on);
        emit m_vm->settingsValueChanged(key);
    }
    // hour < 0 gives the real clock back.
    Q_INVOKABLE void setViewModelClock(int hour, int minute, int second)
    {
        const QDateTime at(QDate(2026, 3, 1), QTime(hour, minute, second));
        m_vm->setClock(hour < 0 ? std::function<QDateTime()>() : [at]() { return at; });
    }
    // As on a new instrument: only the factory records of the database set-up.
    Q_INVOKABLE bool freshDatabase() { return GlobalFuncs::getDB()->resetDatabase(false); }
    Q_INVOKABLE void setMenuLocks(bool ryxLocked, bool serviceLocked)
    {
        DataModell* dm = GlobalFuncs::getDM();
        ryxLocked ? dm->lockSystemFunction(SystemFunction::RYX) : dm->unlockSystemFunction(SystemFunction::RYX);
        serviceLocked ? dm->lockSystemFunction(SystemFunction::Service)
                      : dm->unlockSystemFunction(SystemFunction::Service);
    }
    // One message-log row per text (categories in turn: the short names), one service-log row.
    Q_INVOKABLE bool addLogRows(const QVariantList& categories, const QStringList& texts)
    {
        DB* db = GlobalFuncs::getDB();
        const qint64 start = QDateTime(QDate(2026, 3, 1), QTime(14, 0)).toMSecsSinceEpoch();
        for (int i = 0; i < texts.size(); ++i)
            db->queueMessage({start + i * 60000, categories.value(i).toInt(), texts.at(i)});
        db->queueServiceMessage({start, CAT_INF, QStringLiteral("HV unit serviced")});
        return db->flushLogQueues();
    }
    Q_INVOKABLE void keepWindowPicture(QObject* window) { m_kept = grab(window); }
    // A picture the program wrote, kept beside the screenshots.
    Q_INVOKABLE bool keepFile(const QString& file, const QString& name)
    {
        const QString dir = artifactDir(QStringLiteral("screenshots"), QStringLiteral("tst_quick"));
        QFile::remove(dir + QLatin1Char('/') + name);
        return QFile::copy(file, dir + QLatin1Char('/') + name);
    }
    Q_INVOKABLE QSize imageSize(const QString& file) const { return QImage(file).size(); }
    Q_INVOKABLE bool exists(const QString& path) const { return QFileInfo::exists(path); }
    // The share of a region's pixels in the file that look as in the kept window picture.
    Q_INVOKABLE double shareLikeKeptPicture(const QString& file, int x, int y, int width, int height) const
    {
        const QImage shot(file);
        const QRect area = QRect(x, y, width, height).intersected(shot.rect()).intersected(m_kept.rect());
        return area.isEmpty() ? -1 : shareAlike(shot, area, [this](int px, int py) { return m_kept.pixelColor(px, py); });
    }

    // The connection pages' scripted backends: networks as [ssid, name, strength] each.
    Q_INVOKABLE void setWlanNetworks(const QVariantList& networks)
    {
        QList<WlanNetwork> list;
        for (const QVariant& n : networks) {
            const QVariantList fields = n.toList();
            list.append({fields.value(0).toString(), fields.value(1).toString(), 1, 0, fields.value(2).toInt()});
        }
        m_connections->network()->setNetworks(list);
    }
    Q_INVOKABLE void setWlanOutcome(const QString& name, bool connects)
    {
        m_connections->network()->setConnectOutcome(name, connects ? Qt::Checked : Qt::Unchecked);
    }
    // Addresses as [type, name, address] each.
    Q_INVOKABLE void setAddresses(const QVariantList& addresses)
    {
        QList<ConnectionAddress> list;
        for (const QVariant& a : addresses) {
            const QVariantList fields = a.toList();
            list.append({fields.value(0).toString(), fields.value(1).toString(), QHostAddress(fields.value(2).toString())});
        }
        m_connections->setAddresses(list);
    }
    Q_INVOKABLE QStringList wiredAddressesSet() const { return m_connections->network()->wiredAddresses(); }
    Q_INVOKABLE void setBluetoothCentral(const QString& name) { m_connections->bluetooth()->setCentral(name); }
    Q_INVOKABLE QString stickPath() const
    {
        return QFileInfo(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint)).canonicalFilePath();
    }
    Q_INVOKABLE void setUsbState(int state)
    {
        GlobalFuncs::getDM()->setUSBState(eUSBState(state));
        emit m_vm->usbStateChanged();
    }
    // A parameter as the HV unit reports it; a negative raw value: never received.
    Q_INVOKABLE void setHvUnitParam(int type, double raw)
    {
        const quint64 value = raw < 0 ? HVUnitParamUnknown : quint64(raw);
        GlobalFuncs::getDM()->setHVUnitParam(eHVUnitParamType(type), value);
        emit m_vm->HVUnitParamChanged(eHVUnitParamType(type), value);
    }

private:
    static stMeasurementValues sample(int ms, double kV, double mA)
    {
        stMeasurementValues v;
        v.timeStamp = quint32(ms);
        v.voltage = qint32(qRound(kV * 1e6));
        v.current = qRound64(mA * 1e6);
        return v;
    }
    static stPeriodicMeasurementValues periodic(int ms, double kV, double mA, double tanDelta)
    {
        stPeriodicMeasurementValues v;
        v.timeStamp = quint32(ms);
        v.voltage = qint32(qRound(kV * 1e6));
        v.current = qRound64(mA * 1e6);
        v.tanDelta = tanDelta < 0 ? TanDeltaNone : quint32(qRound(tanDelta * 1000));
        return v;
    }
    // The share of the area's pixels within 24 on each channel of the colour wanted there.
    template <typename Wanted>
    static double shareAlike(const QImage& shot, const QRect& area, Wanted wanted)
    {
        int alike = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor a = shot.pixelColor(x, y);
                const QColor b = wanted(x, y);
                alike += qAbs(a.red() - b.red()) <= 24 && qAbs(a.green() - b.green()) <= 24
                         && qAbs(a.blue() - b.blue()) <= 24;
            }
        return area.isEmpty() ? 0 : double(alike) / (area.width() * area.height());
    }
    static bool writeRecord(const TestChart::VLF::TestData& data)
    {
        const QString name = TestChart::exportFileName(data);
        const QString folder =
            GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + '/' + name.section('-', 1, 1);
        return QDir().mkpath(folder) && TestChart::VLF::File::write(folder + '/' + name, data);
    }

    static QImage grab(QObject* window)
    {
        auto* quickWindow = qobject_cast<QQuickWindow*>(window);
        if (!quickWindow)
            return QImage();
        QImage shot = quickWindow->grabWindow();
        // The software renderer on the offscreen platform may hand back nothing; the
        // screen still holds what was drawn.
        if (shot.isNull())
            shot = quickWindow->screen()->grabWindow(quickWindow->winId()).toImage();
        return shot;
    }

    GuiViewModel* m_vm;
    FakePlatform* m_platform;
    ConnectionManagerOnThread* m_connections;
    QImage m_kept;
    int m_tapStamp = 0;
};

// Each QML test file gets its own engine and, with it, a fresh root view model over the
// one data model of the program.
class Setup : public QObject {
    Q_OBJECT
public slots:
    void applicationAvailable()
    {
        // The settings pages set the clock and the brightness: never this machine's.
        m_platform = std::make_unique<FakePlatform>();
        m_fixture = std::make_unique<DataModelFixture>();
        m_chart = std::make_unique<TTestChart>();
        // The connection pages: scripted backends and a stick with folders, an update, a
        // configuration and a criteria file; below the top another configuration.
        m_fixture->root().insertStick();
        for (const char* file : {"/media/USB/logs/run.log", "/media/USB/updates/app.tar", "/media/USB/backup.cfg.xml",
                                 "/media/USB/criteria.tds", "/media/USB/manual.pdf", "/media/USB/v4.2/old.cfg.xml",
                                 "/media/USB/v4.2/R&D.tar"})
            m_fixture->root().writeFile(QLatin1String(file), "x");
        m_connections = std::make_unique<ConnectionManagerOnThread>(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMountPoint));
        registerQmlTypes();
        // Screenshots show the operator's texts; a key without one shows up as the key.
        Q_INIT_RESOURCE(translations);
        if (m_english.load(QStringLiteral(":/languages/english.qm")))
            QCoreApplication::installTranslator(&m_english);
        else
            qFatal("The English catalogue cannot be loaded");
    }
    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral(":/"));
        auto* vm = new GuiViewModel(engine);
        // As the host hands it over at start-up.
        vm->activities()->setTestChart(m_chart.get());
        // As the host wires it: the selected mode reaches the data model at once.
        QObject::connect(vm, &GuiViewModel::changeOperationMode, m_fixture->dm(), &DataModell::changeOperatingMode,
                         Qt::DirectConnection);
        QObject::connect(m_fixture->dm(), &DataModell::operatingModeChanged, vm, &GuiViewModel::operatingModeChanged);
        QObject::connect(vm, &GuiViewModel::unlockSystemFunction, m_fixture->dm(), &DataModell::unlockSystemFunction);
        engine->rootContext()->setContextProperty(QStringLiteral("chartDecorator"), new ChartDecorator(engine));
        engine->rootContext()->setContextProperty(QStringLiteral("guiViewModel"), vm);
        engine->rootContext()->setContextProperty(QStringLiteral("testHelper"),
                                                  new TestHelper(vm, m_platform.get(), m_connections.get(), engine));
        engine->rootContext()->setContextProperty(QStringLiteral("qmlWarnings"), QmlWarnings::install());
        // Qt Quick Test takes the message handler over once its first case runs; the
        // engine's own signal still names every error and binding loop.
        QObject::connect(engine, &QQmlEngine::warnings, engine, [](const QList<QQmlError>& warnings) {
            for (const QQmlError& w : warnings)
                QmlWarnings::record(w.toString());
        });
    }
    void cleanupTestCase()
    {
        m_connections.reset();
        m_chart.reset();
        m_fixture.reset();
        m_platform.reset();
    }

private:
    std::unique_ptr<FakePlatform> m_platform;
    std::unique_ptr<DataModelFixture> m_fixture;
    std::unique_ptr<ConnectionManagerOnThread> m_connections;
    std::unique_ptr<TTestChart> m_chart;
    QTranslator m_english;
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    QApplication app(argc, argv);
    QmlWarnings::install();
    Setup setup;
    // A CTest entry runs the one file VLF_QML_TEST names; without it, every file runs.
    QByteArray input = QByteArrayLiteral(QUICK_TEST_SOURCE_DIR "/") + qgetenv("VLF_QML_TEST");
    char flag[] = "-input";
    std::vector<char*> args(argv, argv + argc);
    if (qEnvironmentVariableIsSet("VLF_QML_TEST"))
        args.insert(args.begin() + 1, { flag, input.data() });
    args.push_back(nullptr);
    return quick_test_main_with_setup(int(args.size()) - 1, args.data(), "gui", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_quick.moc"
