#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelFixture.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeTestLink.h"
#include "fakes/RecordBuilder.h"
#include "fakes/RecordingGui.h"
#include "gui/GuiViewModel.h"
#include "gui/IconListViewItem.h"
#include "maintenance/ConfigfileManager.h"
#include "maintenance/LogfileManager.h"
#include "testrun/TTestChart.h"
#include "testrun/TTestThread.h"
#include "tandelta/TanDeltaLists.h"

#include <QDirIterator>
#include <QtTest>

// Every writer to the USB stick against every kind of stick: what the operator is told is
// true, nothing lands beside the stick or is lost inside the instrument, and afterwards
// the program sees the stick that is really there.
namespace {
enum Writer { OneRecord, SelectedRecords, EndOfTest, Standards, Screenshot, Logs, Configuration };
enum Stick { Absent, BareFolder, Present, PulledAfterFirst, Full, ReadOnly, ExportFolderOut, TanDeltaIn };

const QString kAppData = QStringLiteral("/home/root/mappedPaths/appdata");

// The files below the root, those on the stick or every entry beside it (with what a file holds).
QMap<QString, QByteArray> entries(const TempRoot& root, bool onStick)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(root.root(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next().mid(root.root().size());
        // The link that inserts the stick comes and goes with it.
        if (name.startsWith(QLatin1String("/stick/")) != onStick || (name == "/media/USB" && it.fileInfo().isSymLink())
            || (onStick && !it.fileInfo().isFile()))
            continue;
        QFile file(it.filePath());
        found.insert(name, !it.fileInfo().isSymLink() && file.open(QIODevice::ReadOnly) ? file.readAll() : "entry");
    }
    return found;
}
} // namespace

class TstStickWriters : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("PEVANTO"));
        registerInstrumentTypes();
        // What is written counts here, not how long a message stays up.
        GlobalFuncs::setShownWaitScale(0.01);
    }

    void writerOnEveryStick_data()
    {
        QTest::addColumn<int>("writer");
        QTest::addColumn<int>("stick");
        QTest::addColumn<bool>("written");
        const char* writers[] = {"one record", "selected records", "end of test", "standards", "screenshot",
                                 "logs", "configuration"};
        const char* sticks[] = {"no stick", "bare mount point", "stick", "pulled after a file", "full", "read-only",
                                "export folder links out", "tanDelta links to the criteria"};
        for (int w = OneRecord; w <= Configuration; ++w) {
            // Which writers use the export folder, and which have a second file to lose.
            const bool exportFolder = w != Standards && w != Configuration;
            const bool twoFiles = w == SelectedRecords || w == Standards || w == Logs;
            const bool written[] = {false, false, true, !twoFiles, false, false, !exportFolder, w != Standards};
            for (int s = Absent; s <= TanDeltaIn; ++s)
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(writers[w], sticks[s]))) << w << s << written[s];
        }
    }
    void writerOnEveryStick()
    {
        QFETCH(int, writer);
        QFETCH(int, stick);
        QFETCH(bool, written);
        DataModelFixture fixture;
        QVERIFY(fixture.isValid());
        FakePlatform platform;
        RecordingGui gui;
        GlobalFuncs::setGUI(&gui);
        const TempRoot& root = fixture.root();

        // The instrument's own files that a writer copies or that a link could reach.
        QVERIFY(GlobalFuncs::initPaths());
        const QStringList records{RecordBuilder::store(RecordBuilder::threePhaseTanDelta(), QStringLiteral("20261207")),
                                  RecordBuilder::store(RecordBuilder::threePhaseTanDelta(), QStringLiteral("20261208"))};
        QVERIFY(root.writeFile(kAppData + QStringLiteral("/tanDelta/utility.tds"), R"({"name": "Utility", "items": []})"));
        TanDelta::evaluation::allEvaluationStandards(); // numbered, as at its import
        QVERIFY(root.writeFile(kAppData + QStringLiteral("/trace/PEVANTO.trc"), "trace\n"));
        QVERIFY(root.writeFile(kAppData + QStringLiteral("/config/PEVANTO.cfg.xml"), "<configuration/>"));
        fixture.dm()->setTestTime(TestTime_Start, QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        TTestChart chart;
        chart.setGui(&gui);
        QVERIFY(chart.captureData(QString()));

        if (stick == BareFolder)
            QVERIFY(root.writeFile(QStringLiteral("/media/USB/left.txt"), "left by an old export"));
        const QString contents = stick == Absent || stick == BareFolder ? QString() : root.insertStick();
        if (stick == ExportFolderOut)
            QVERIFY(QFile::link(root.path(kAppData), contents + QStringLiteral("/Pevanto")));
        if (stick == TanDeltaIn)
            QVERIFY(QFile::link(root.path(kAppData + QStringLiteral("/tanDelta")), contents + QStringLiteral("/tanDelta")));
        platform.usbStick.pullAfterFiles = stick == PulledAfterFirst ? 1 : -1;
        platform.usbStick.medium = stick == Full ? FakeUsbStick::Full : stick == ReadOnly ? FakeUsbStick::ReadOnly : FakeUsbStick::Writable;
        fixture.dm()->setUSBState(contents.isEmpty() ? USBState_NoStick : USBState_Ready);
        const QMap<QString, QByteArray> before = entries(root, false);

        auto told = [&gui](const char* context, const char* key) {
            return gui.hasMessage(QLatin1String(context), QLatin1String(key));
        };
        bool toldWritten = false;
        bool toldFailed = false;
        if (writer == OneRecord || writer == SelectedRecords) {
            QSignalSpy copied(&chart, &TTestChart::measurementsCopied);
            if (chart.copyMeasurements(writer == OneRecord ? QStringList{records.first()} : records))
                QTRY_COMPARE_WITH_TIMEOUT(copied.count(), 1, 20000);
            toldWritten = told("History", "DataSuccessfullyExported");
            toldFailed = told("History", "UnableToExportData");
        } else if (writer == EndOfTest) {
            FakeTestLink link;
            TTestThread worker(&link, &chart);
            connect(&worker, &TTestThread::showMessageDlg, &gui,
                    qOverload<MessageCategories, const TransObject&, bool, bool>(&IGUI::showMessageDlg));
            worker.appStateChanged(States::TestFinished, States::TransferringTestData);
            toldFailed = told("History", "UnableToExportData");
            toldWritten = !toldFailed;
        } else if (writer == Standards) {
            GuiViewModel vm;
            vm.exportEvaluationStandards({1, 1000});
            const QString text = vm.messages().last().item->name();
            toldWritten = text == QLatin1String("ExportToUsbSuccess");
            toldFailed = text == QLatin1String("ExportToUsbFailed");
        } else if (writer == Screenshot) {
            QImage picture(80, 48, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            GuiViewModel().saveScreenshot(picture);
            const int category = gui.callsOf(QStringLiteral("showMessageDlg")).last().category;
            toldWritten = category == CAT_INF;
            toldFailed = category == CAT_ERR;
        } else if (writer == Logs) {
            LogfileManager manager;
            QSignalSpy generated(&manager, &LogfileManager::SystemLogGenerated);
            if (manager.exportLogFiles(true))
                QVERIFY(generated.wait(10000));
            toldWritten = told("LogfileManager", "SystemLogSuccessfullyExported");
            toldFailed = told("LogfileManager", "SystemLogExportFailed");
        } else {
            // What the action reports: the exported file, or none.
            toldWritten = !ConfigfileManager().exportConfigFile().isEmpty();
            toldFailed = !toldWritten;
        }
        toldFailed = toldFailed || !gui.callsOf(QStringLiteral("requestUSBConnDlg")).isEmpty();

        QCOMPARE(toldWritten, written);
        QCOMPARE(toldFailed, !written);
        QCOMPARE(entries(root, false), before);
        const QStringList onStick = entries(root, true).keys();
        QVERIFY2(onStick.filter(QStringLiteral(".part")).isEmpty(), qPrintable(onStick.join(' ')));
        // A pulled stick keeps the file written before; a refused write leaves nothing.
        if (stick == PulledAfterFirst)
            QCOMPARE(onStick.size(), 1);
        else
            QCOMPARE(onStick.isEmpty(), !written);
        QCOMPARE(GlobalFuncs::isUsbStickPresent(), !contents.isEmpty() && stick != PulledAfterFirst);
        GlobalFuncs::setGUI(nullptr);
    }
};

QTEST_MAIN(TstStickWriters)
#include "tst_stickwriters.moc"
