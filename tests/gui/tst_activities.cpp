#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "fakes/DataModelCase.h"
#include "fakes/RecordBuilder.h"
#include "fakes/RecordingGui.h"
#include "fakes/StallMeter.h"
#include "fakes/Step.h"
#include "gui/Activities.h"
#include "testrun/TTestChart.h"
#include "testrun/TestChart.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using ActivityTypes::stActivityEntry;
using namespace TestChart;

namespace {
stActivityEntry entry(int type, const QString& name, const QString& cable = QString())
{
    stActivityEntry e;
    e.type = type;
    e.name = name;
    e.cableNumber = cable;
    e.path = type == ActivityTypes::Measurement ? QStringLiteral("/m/") + name : QString();
    return e;
}

// "F|M cable time selected visible" per row.
QStringList shape(const ActivityModel& m)
{
    QStringList rows;
    for (int r = 0; r < m.rowCount(); ++r) {
        const stActivityEntry e = m.row(m.index(r));
        rows << QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(e.type == ActivityTypes::Folder ? "F" : "M", e.cableNumber.isEmpty() ? "-" : e.cableNumber,
                         e.time.isEmpty() ? "-" : e.time)
                    .arg(e.isSelected)
                    .arg(e.isVisible ? "v" : "h");
    }
    return rows;
}
} // namespace

// The history list over a temporary record store: two days, cables AB, xAby, ab and none.
class TstActivities : public QObject, public DataModelCase {
    Q_OBJECT

    std::unique_ptr<TTestChart> m_chart;
    std::unique_ptr<Activities> m_activities;
    std::unique_ptr<RecordingGui> m_gui;

    ActivityModel& model() const { return *m_activities->activityModel(); }

    static QString store() { return GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements); }
    static QStringList storedFiles()
    {
        QStringList out;
        for (const QString& day : QDir(store()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            for (const QString& name : QDir(store() + '/' + day).entryList(QDir::Files, QDir::Name))
                out << day + '/' + name;
        return out;
    }
    QString path(int row) const { return model().index(row).data(ActivityModel::EntryPathRole).toString(); }
    QString role(int row, int r) const { return model().index(row).data(r).toString(); }
    int checkState(int row) const { return model().index(row).data(ActivityModel::EntryIsSelectedRole).toInt(); }
    static QString storedCable(const QString& file)
    {
        VLF::TestData d;
        return loadTestData(file, &d) ? cableNumber(d) : QStringLiteral("<unreadable>");
    }
    // Builds the list and waits until it is read.
    static bool listed(Activities& activities, bool filter = false, const QString& text = QString())
    {
        QSignalSpy loaded(&activities, &Activities::activityListLoaded);
        activities.loadActivityList(filter, text);
        return QTest::qWaitFor([&] { return loaded.count() > 0; }, 20000);
    }
    bool listed(bool filter = false, const QString& text = QString()) { return listed(*m_activities, filter, text); }
    // Checks test rows, waits for the counters and answers the deletion question; waits
    // for the files to go.
    void deleteRows(const QList<int>& rows, IGUI::CloseType answer = IGUI::Accepted)
    {
        for (int r : rows)
            QVERIFY(model().setData(model().index(r), int(Qt::Checked), ActivityModel::EntryIsSelectedRole));
        QTRY_COMPARE(m_activities->selectedMeasurments(), rows.size());
        m_gui->answers.insert(QStringLiteral("DeleteMeasurements"), answer);
        QSignalSpy deleted(m_chart.get(), &TTestChart::measurementsDeleted);
        m_activities->deleteSelectedActivities();
        QTRY_COMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 1);
        if (answer == IGUI::Accepted)
            QTRY_COMPARE(deleted.count(), 1);
        else
            QTest::qWait(50);
    }
    // Waits for the outcome of an export, shown or refused.
    bool exportTold() const
    {
        return QTest::qWaitFor(
            [this] {
                return m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("DataSuccessfullyExported"))
                    || m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("UnableToExportData"));
            },
            20000);
    }
    bool storeWasAsked() const
    {
        return m_gui->hasMessage(QStringLiteral("InfoMessages"), QStringLiteral("DeletingAllData"))
            || !m_gui->callsOf(QStringLiteral("requestProgressDlg")).isEmpty()
            || !m_gui->callsOf(QStringLiteral("requestUSBConnDlg")).isEmpty();
    }
    QString classification(std::initializer_list<OperatingModes::OperatingMode> modes) const
    {
        OperatingModes::Classifications flags;
        for (auto m : modes)
            flags |= OperatingModes::getInstance()->getClassification(m);
        return OperatingModes::getInstance()->getClassificationString(flags);
    }

    void storeRecord(const QString& day, const QString& time, OperatingModes::OperatingMode mode, const QString& cable)
    {
        VLF::TestData d;
        VLF::insert(d, 0, 10, QStringLiteral("123"));
        VLF::insert(d, 0, 12, qint64(mode));
        VLF::insert(d, 0, 13, qint64(12000000));
        VLF::insert(d, 0, 34, cable);
        VLF::insert(d, 0, 42, cable);
        VLF::insert(d, 1, 15, day.left(4) + '-' + day.mid(4, 2) + '-' + day.mid(6) + 'T' + time + ":00.000");
        VLF::insert(d, 1, 25, QString());
        VLF::insert(d, 1, 28, qint64(eTestResult_FinishedSuccess));
        VLF::insert(d, 0, 11, QStringLiteral("1"));
        QVERIFY(!RecordBuilder::store(d, day).isEmpty());
    }
    void checkFolder(int row, Qt::CheckState state)
    {
        const stActivityEntry e = model().row(model().index(row));
        m_activities->setChecked(e.date, e.cableNumber, state);
    }
    QPair<int, int> counters() const
    {
        return qMakePair(m_activities->selectedFolders(), m_activities->selectedMeasurments());
    }

private slots:
    void initTestCase()
    {
        // What is written counts here, not how long a progress step stays up.
        GlobalFuncs::setShownWaitScale(0.01);
    }
    void init()
    {
        start();
        dm()->setTimeFormat(QStringLiteral("HH:mm:ss"));
        storeRecord("20261207", "08:00", OperatingModes::VLFSin, "ab");
        storeRecord("20261207", "09:00", OperatingModes::VLFSin, QString());
        storeRecord("20261207", "10:00", OperatingModes::TanDelta, "AB");
        storeRecord("20261208", "09:00", OperatingModes::VLFSin, "AB");
        storeRecord("20261208", "10:00", OperatingModes::VLFSin, "xAby");
        storeRecord("20261208", "11:00", OperatingModes::TanDelta, "AB");
        m_gui = std::make_unique<RecordingGui>();
        GlobalFuncs::setGUI(m_gui.get());
        m_chart = std::make_unique<TTestChart>();
        m_chart->setGui(m_gui.get());
        m_activities = std::make_unique<Activities>();
        m_activities->setTestChart(m_chart.get());
    }
    void cleanup()
    {
        m_activities.reset();
        m_chart.reset();
        GlobalFuncs::setGUI(nullptr);
        m_gui.reset();
        end();
    }

    void modelRowsAndRoles()
    {
        dm()->addCableNumber(QStringLiteral("K1"));
        dm()->addCableNumber(QStringLiteral("K12"));
        ActivityModel m;
        QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
        ActivityTypes::ActivityEntryList rows;
        for (int i = 0; i < 5; ++i)
            rows << entry(i % 2, QStringLiteral("r%1").arg(i), QStringLiteral("K%1").arg(i));
        m.addActivityEntries(rows);
        QVERIFY(rows.isEmpty()); // the old, empty content comes back
        QSignalSpy changed(&m, &ActivityModel::dataChanged);

        QVERIFY(m.setData(m.index(1), 0, ActivityModel::EntryIsSelectedRole)); // already stored
        QCOMPARE(changed.count(), 0);
        QVERIFY(m.setData(m.index(1), 2, Qt::CheckStateRole));
        QCOMPARE(m.index(1).data(ActivityModel::EntryIsSelectedRole), QVariant(2));
        QCOMPARE(changed.count(), 1);
        QVERIFY(m.setData(m.index(1), QStringLiteral("L1"), ActivityModel::EntryPhaseRole));
        QCOMPARE(m.index(1).data(ActivityModel::EntryPhaseRole).toString(), QString());
        QCOMPARE(changed.count(), 1);
        QVERIFY(!m.setData(QModelIndex(), 1, ActivityModel::EntryIsSelectedRole));
        QCOMPARE(m.index(3).data(Qt::DisplayRole).toString(), QStringLiteral("r3"));
        QCOMPARE(m.roleNames().value(ActivityModel::EntryIsVisibleRole), QByteArray("isVisible"));
        QCOMPARE(m.rowCount(m.index(0)), 0);

        m.removeActivity(-1);
        m.removeActivity(m.rowCount());
        QCOMPARE(m.rowCount(), 5);
        m.addActivityEntry(entry(ActivityTypes::Measurement, QStringLiteral("only")));
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(m.index(0).data(ActivityModel::EntryPathRole).toString(), QStringLiteral("/m/only"));
        // Removing a row drops only its own cable number from the stored list.
        m.removeActivity(0);
        QCOMPARE(dm()->getCableNumbers().size(), 2);
        m.addActivityEntry(entry(ActivityTypes::Measurement, QStringLiteral("b"), QStringLiteral("K1")));
        m.removeActivity(0);
        QCOMPARE(dm()->getCableNumbers(), QStringList{QStringLiteral("K12")});
    }

    void listOfTheStoreByDayAndCable()
    {
        QVERIFY(listed());
        QCOMPARE(shape(model()), (QStringList{"F AB - 0 v", "M AB 11:00:00 0 h", "M AB 09:00:00 0 h", "F xAby - 0 v",
                                              "M xAby 10:00:00 0 h", "F AB - 0 v", "M AB 10:00:00 0 h", "F - - 0 v",
                                              "M - 09:00:00 0 h", "F ab - 0 v", "M ab 08:00:00 0 h"}));
        // Folder and tests carry the same date text; the days differ.
        QCOMPARE(model().row(model().index(1)).date, model().row(model().index(0)).date);
        QVERIFY(model().row(model().index(5)).date != model().row(model().index(0)).date);
        // Cable numbers of the rows are known to the cable-number completion.
        QCOMPARE(m_activities->cableNumbers().size(), 3);
        QVERIFY(m_activities->cableNumbers(QStringLiteral("xa")).contains(QStringLiteral("xAby")));

        m_activities->setCollapsed(model().row(model().index(0)).date, QStringLiteral("AB"), false);
        QCOMPARE(shape(model()).mid(0, 4), (QStringList{"F AB - 0 v", "M AB 11:00:00 0 v", "M AB 09:00:00 0 v",
                                                        "F xAby - 0 v"}));
        QCOMPARE(shape(model()).at(6), QStringLiteral("M AB 10:00:00 0 h")); // the other day's AB stays shut
    }

    void checkStatesAndCounters()
    {
        QVERIFY(listed());
        QSignalSpy counted(m_activities.get(), &Activities::selectedMeasurmentsChanged);
        checkFolder(0, Qt::Checked);
        QTRY_COMPARE(counters(), qMakePair(1, 2));
        QCOMPARE(checkState(0), int(Qt::Checked));
        // The same cable on the other day is another folder.
        QCOMPARE(shape(model()).mid(5, 2), (QStringList{"F AB - 0 v", "M AB 10:00:00 0 h"}));
        QCOMPARE(counted.count(), 1); // a folder click is counted once

        QVERIFY(model().setData(model().index(2), int(Qt::Unchecked), ActivityModel::EntryIsSelectedRole));
        QTRY_COMPARE(counters(), qMakePair(1, 1));
        QCOMPARE(checkState(0), int(Qt::PartiallyChecked));

        checkFolder(5, Qt::Checked);
        QTRY_COMPARE(counters(), qMakePair(2, 2));
        checkFolder(0, Qt::Unchecked);
        QTRY_COMPARE(counters(), qMakePair(1, 1));
        QCOMPARE(checkState(0), int(Qt::Unchecked));

        // Opening the list again starts without a selection, and the counters say so.
        QVERIFY(listed());
        QCOMPARE(counters(), qMakePair(0, 0));
        QVERIFY(!shape(model()).join(' ').contains(QStringLiteral(" 2 ")));

        // Boolean selections store "checked". The sine tests of the first day end alike; the upper one is taken.
        const QString end = QFileInfo(model().index(2).data(ActivityModel::EntryPathRole).toString()).fileName().section('-', 3);
        QVERIFY(model().index(4).data(ActivityModel::EntryPathRole).toString().endsWith(end));
        m_activities->setChecked(end, true);
        QCOMPARE(checkState(2), int(Qt::Checked));
        QCOMPARE(shape(model()).join(' ').count(QStringLiteral(" 2 ")), 1);
        m_activities->setChecked(QString(), true); // names no row
        QTRY_COMPARE(counters(), qMakePair(1, 1));

        m_activities->selectAllActivities(true);
        for (int r = 0; r < model().rowCount(); ++r)
            QCOMPARE(checkState(r), int(Qt::Checked));
        QTRY_COMPARE(counters(), qMakePair(5, 6));
        m_activities->selectAllActivities(false);
        QTRY_COMPARE(counters(), qMakePair(0, 0));
    }

    void cableFilter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rows");
        QTest::newRow("any letter case") << QStringLiteral("ab") << 9;
        QTest::newRow("empty keeps all") << QString() << 11;
        QTest::newRow("none") << QStringLiteral("zz") << 0;
    }
    void cableFilter()
    {
        QFETCH(QString, text);
        QFETCH(int, rows);
        QVERIFY(listed(true, text));
        QCOMPARE(model().rowCount(), rows);
        for (int r = 0; r < model().rowCount(); ++r)
            QVERIFY(model().row(model().index(r)).cableNumber.contains(text, Qt::CaseInsensitive));
    }

    // Rows as listed: 0 F AB, 1 M AB 11:00, 2 M AB 09:00, 3 F xAby, 4 M xAby 10:00 (day 8);
    // 5 F AB, 6 M AB 10:00, 7 F -, 8 M - 09:00, 9 F ab, 10 M ab 08:00 (day 7).
    void deletionOfCheckedTests_data()
    {
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("files");
        QTest::newRow("only test of a folder") << QList<int>{4}
            << QStringList{"F AB", "M AB", "M AB", "F AB", "M AB", "F -", "M -", "F ab", "M ab"} << 5;
        QTest::newRow("a whole day, its folder too") << QList<int>{1, 2, 4}
            << QStringList{"F AB", "M AB", "F -", "M -", "F ab", "M ab"} << 3;
        QTest::newRow("last two folders") << QList<int>{8, 10}
            << QStringList{"F AB", "M AB", "M AB", "F xAby", "M xAby", "F AB", "M AB"} << 4;
    }
    void deletionOfCheckedTests()
    {
        QFETCH(QList<int>, checked);
        QFETCH(QStringList, left);
        QFETCH(int, files);
        QVERIFY(listed());
        QStringList gone;
        for (int r : checked)
            gone << path(r);
        STEP(deleteRows(checked));
        QStringList rows;
        for (const QString& row : shape(model()))
            rows << row.section(' ', 0, 1);
        QCOMPARE(rows, left);
        QCOMPARE(storedFiles().size(), files);
        for (const QString& file : gone)
            QVERIFY(!QFile::exists(file));
        // A day folder goes with its last record.
        QCOMPARE(QDir(store() + "/20261208").exists(), files != 3);
    }

    void deletionKeepsWhatIsNotChecked()
    {
        storeRecord("20261207", "07:00", OperatingModes::VLFSin, "AB");
        QVERIFY(listed());
        // Day 7's AB folder (row 5) now holds a tan delta and a sine test.
        QCOMPARE(shape(model()).at(7), QStringLiteral("M AB 07:00:00 0 h"));
        const QString both = classification({OperatingModes::TanDelta, OperatingModes::VLFSin});
        QCOMPARE(QStringList({role(0, ActivityModel::EntryClassificationRole), role(5, ActivityModel::EntryClassificationRole)}),
                 QStringList({both, both}));

        // Cancel: nothing goes.
        STEP(deleteRows({1, 6}, IGUI::Rejected));
        QCOMPARE(model().rowCount(), 12);
        QVERIFY(!storeWasAsked());

        // The tan delta test of each folder goes; both are partially checked and keep
        // their sine test, which alone makes their classification now.
        QCOMPARE(QList<int>({checkState(0), checkState(5)}), QList<int>({Qt::PartiallyChecked, Qt::PartiallyChecked}));
        const QStringList kept{path(2), path(7)};
        m_gui->calls.clear();
        STEP(deleteRows({1, 6}));
        QTRY_COMPARE(storedFiles().size(), 5);
        QCOMPARE(QStringList({path(1), path(5)}), kept);
        const QString sine = classification({OperatingModes::VLFSin});
        QCOMPARE(QStringList({role(0, ActivityModel::EntryClassificationRole), role(4, ActivityModel::EntryClassificationRole)}),
                 QStringList({sine, sine}));
    }

    // Of two questions the answer to the second is acted on, once; nothing selected by
    // then leaves the store alone.
    void twoDeletionQuestions()
    {
        QVERIFY(listed());
        QVERIFY(model().setData(model().index(4), int(Qt::Checked), ActivityModel::EntryIsSelectedRole));
        m_activities->deleteSelectedActivities();
        m_activities->deleteSelectedActivities();
        const QList<RecordingGui::Call> asked = m_gui->callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked.at(0).category, int(CAT_SKPOUT));
        QVERIFY(asked.at(0).cancelButton && asked.at(0).okButton);
        QSignalSpy removed(&model(), &ActivityModel::rowsRemoved);
        emit m_gui->messageDglClosed(asked.at(1).id, IGUI::Accepted);
        QTRY_COMPARE(storedFiles().size(), 5);
        QCOMPARE(removed.count(), 2); // the test and its folder
        QCOMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 3); // one "deleting" note
        emit m_gui->messageDglClosed(asked.at(1).id, IGUI::Accepted);
        // The first question, answered late, finds nothing checked.
        emit m_gui->messageDglClosed(asked.at(0).id, IGUI::Accepted);
        QTest::qWait(50);
        QCOMPARE(removed.count(), 2);
        QCOMPARE(storedFiles().size(), 5);
        QCOMPARE(m_gui->callsOf(QStringLiteral("showMessageDlg")).size(), 3);
    }

    void exportOfTheSelection()
    {
        QVERIFY(listed());
        m_activities->exportSelectedActivities(); // nothing checked
        QVERIFY(!storeWasAsked());

        const TempRoot& root = fixture().root();
        QVERIFY(!root.insertStick().isEmpty());
        const QString target = GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements);
        // The name of row 4 is taken on the stick by another file.
        const QString taken = target + "/20261208/" + QFileInfo(path(4)).fileName();
        QVERIFY(QDir().mkpath(QFileInfo(taken).path()));
        QFile other(taken);
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("other") == 5);
        other.close();
        for (int r : {4, 6})
            QVERIFY(model().setData(model().index(r), int(Qt::Checked), ActivityModel::EntryIsSelectedRole));
        m_activities->exportSelectedActivities();
        QVERIFY(exportTold());
        QCOMPARE(QFile(taken).size(), 5);
        const QString numbered = QString(taken).replace(".vlf", "-1.vlf");
        QCOMPARE(QFile(numbered).size(), QFile(path(4)).size());
        QVERIFY(QFile::exists(target + "/20261207/" + QFileInfo(path(6)).fileName()));
        QVERIFY(m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("DataSuccessfullyExported")));
    }

    void exportOfOneTest_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("openedIn"); // an opened test's folder: exported by its path
        QTest::addColumn<bool>("exported");
        QTest::newRow("stored record") << QString() << QString() << true;
        QTest::newRow("one separator") << QStringLiteral("123-20261208.vlf") << QString() << false;
        QTest::newRow("no such record") << QStringLiteral("00000000123-20261208-235959-VLFSine.vlf") << QString() << false;
        QTest::newRow("outside the store") << QStringLiteral("x-..-..-etc-passwd") << QString() << false;
        QTest::newRow("with a folder") << QStringLiteral("a-20261208-/../../x.vlf") << QString() << false;
        QTest::newRow("opened, same name in another folder") << QString() << QStringLiteral("20261209") << true;
        QTest::newRow("opened outside the store") << QString() << QStringLiteral("../elsewhere") << false;
    }
    void exportOfOneTest()
    {
        QFETCH(QString, name);
        QFETCH(QString, openedIn);
        QFETCH(bool, exported);
        QVERIFY(!fixture().root().insertStick().isEmpty());
        QVERIFY(listed());
        if (name.isEmpty())
            name = QFileInfo(path(4)).fileName();
        QString day = QStringLiteral("20261208");
        QString source = path(4);
        if (openedIn.isEmpty()) {
            m_activities->exportActivity(name);
        } else {
            // Another record under the same name: the opened one goes, not the one its name points to.
            day = QFileInfo(openedIn).fileName();
            source = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + '/' + openedIn + '/' + name;
            QVERIFY(QDir().mkpath(QFileInfo(source).path()) && QFile::copy(path(6), source));
            m_activities->exportActivityFile(source);
        }
        QVERIFY(exportTold());
        QFile copy(GlobalFuncs::getUsbPath(GlobalFuncs::UsbMeasurements) + '/' + day + '/' + name);
        QCOMPARE(copy.exists(), exported);
        QFile original(source);
        if (exported)
            QVERIFY(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly) && copy.readAll() == original.readAll());
        QCOMPARE(m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("DataSuccessfullyExported")), exported);
        QCOMPARE(m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("UnableToExportData")), !exported);
    }

    void commentReachesTheRecord()
    {
        QVERIFY(listed());
        const QStringList before = storedFiles();
        QSignalSpy changed(&model(), &ActivityModel::dataChanged);
        m_activities->setMeasurementComment(QString(), QStringLiteral("lost"));
        QTest::qWait(50);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!m_gui->hasMessage(QStringLiteral("ErrorMessages"), QStringLiteral("ErrorWhileWritingData")));

        m_activities->setMeasurementComment(path(4), QStringLiteral("Joint renewed"));
        QCOMPARE(role(4, ActivityModel::EntryCommentRole), QStringLiteral("Joint renewed"));
        QTRY_VERIFY([&] {
            VLF::TestData d;
            return loadTestData(path(4), &d) && VLF::info(d, 1, 25) == QLatin1String("Joint renewed");
        }());
        QCOMPARE(storedFiles(), before);
    }

    void cableNumberOfATest()
    {
        QVERIFY(listed());
        QSignalSpy rebuilt(&model(), &ActivityModel::modelReset);
        m_activities->setCableNumber(model().index(4), QStringLiteral("xAby")); // its own number
        QTest::qWait(100);
        QCOMPARE(rebuilt.count(), 0);

        // Rebuilt once the record holds the new number: the test shows in its new folder.
        const QString file = path(4);
        m_activities->setCableNumber(model().index(4), QStringLiteral("AB"));
        QTRY_VERIFY(rebuilt.count() > 0);
        QCOMPARE(storedCable(file), QStringLiteral("AB"));
        QTRY_COMPARE(shape(model()).mid(0, 4), (QStringList{"F AB - 0 v", "M AB 11:00:00 0 h", "M AB 10:00:00 0 h",
                                                        "M AB 09:00:00 0 h"}));
    }

    void cableNumberOfTheOpenedTest()
    {
        QVERIFY(listed());
        const QString file = path(4); // the only test of "xAby"
        const QString other = path(1);
        m_activities->loadActivityData(file);
        QTRY_COMPARE(m_activities->loadedData()->getCableNumber(), QStringLiteral("xAby"));
        QSignalSpy rebuilt(&model(), &ActivityModel::modelReset);
        m_activities->setLoadedDataCableNumber(QStringLiteral("xAby"));
        QTest::qWait(100);
        QCOMPARE(rebuilt.count(), 0);
        QVERIFY(m_activities->cableNumbers().contains(QStringLiteral("xAby")));

        // The test's own record moves, whatever the list shows meanwhile.
        m_activities->setLoadedDataCableNumber(QStringLiteral("K7"));
        QVERIFY(!m_activities->cableNumbers().contains(QStringLiteral("xAby")));
        QCOMPARE(m_activities->loadedData()->getCableNumber(), QStringLiteral("K7"));
        QTRY_VERIFY(rebuilt.count() > 0);
        QCOMPARE(storedCable(file), QStringLiteral("K7"));
        QCOMPARE(storedCable(other), QStringLiteral("AB"));
        model().removeAllActivities();
        m_activities->setLoadedDataCableNumber(QStringLiteral("K8"));
        QTRY_COMPARE(storedCable(file), QStringLiteral("K8"));
        QCOMPARE(storedCable(other), QStringLiteral("AB"));
    }

    void cableNumberOfAFolder()
    {
        QVERIFY(listed());
        const QStringList files{path(1), path(2)};
        m_activities->setCableNumberForFolder(model().index(0), QStringLiteral("K9"));
        for (int r : {0, 1, 2})
            QCOMPARE(role(r, ActivityModel::EntryCableNumberRole), QStringLiteral("K9"));
        QCOMPARE(role(5, ActivityModel::EntryCableNumberRole), QStringLiteral("AB")); // the other day's
        for (const QString& file : files)
            QTRY_COMPARE(storedCable(file), QStringLiteral("K9"));
        QVERIFY(listed());
        QCOMPARE(shape(model()).mid(0, 3), (QStringList{"F K9 - 0 v", "M K9 11:00:00 0 h", "M K9 09:00:00 0 h"}));
    }

    // Each flow of the history waits for its file job (the pool held 200 ms) and meets one
    // thing meanwhile: the stick pulled, its own control pressed again or a test started.
    // It runs once, ends as it would have, and the window's 50 ms timer stays on time.
    void aFlowMeetsSomethingMidway_data()
    {
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("event");
        for (const char* flow : {"list", "open", "delete", "export"})
            for (const char* event : {"stick pulled", "pressed again", "test started"})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(flow, event))) << flow << event;
    }
    void aFlowMeetsSomethingMidway()
    {
        QFETCH(QString, flow);
        QFETCH(QString, event);
        QVERIFY(!fixture().root().insertStick().isEmpty());
        fixture().readyForATest();
        QVERIFY(listed());
        for (int r : {4, 6})
            QVERIFY(model().setData(model().index(r), int(Qt::Checked), ActivityModel::EntryIsSelectedRole));
        const QString opened = path(4);
        m_gui->answers.insert(QStringLiteral("DeleteMeasurements"), IGUI::Accepted);
        QSignalSpy listing(m_activities.get(), &Activities::activityListLoaded);
        QSignalSpy loaded(m_activities.get(), &Activities::dataLoaded);
        QSignalSpy deleted(m_chart.get(), &TTestChart::measurementsDeleted);
        QSignalSpy copied(m_chart.get(), &TTestChart::measurementsCopied);
        QSignalSpy& ended = flow == "list" ? listing : flow == "open" ? loaded : flow == "delete" ? deleted : copied;
        const auto start = [&] {
            if (flow == "list")
                m_activities->loadActivityList();
            else if (flow == "open")
                m_activities->loadActivityData(opened);
            else if (flow == "delete")
                m_activities->deleteSelectedActivities();
            else
                m_activities->exportSelectedActivities();
        };
        TickLateness ticks;
        qint64 returned = 0;
        QVERIFY(runMeeting(ticks, 200, 50, start, fixture().meeting(event, start), [&] { return ended.count() > 0; },
                           &returned));
        QVERIFY2(returned < 150, "the window waited for the flow"); // the pool is held 200 ms
        QCOMPARE(ended.count(), 1);
        if (event == "test started")
            QCOMPARE(dm()->getAppState(), States::InitTest);
        if (flow == "list")
            QCOMPARE(model().rowCount(), 11);
        if (flow == "open")
            QCOMPARE(m_activities->loadedData()->filepath(), opened);
        if (flow == "delete") {
            QCOMPARE(storedFiles().size(), 4);
            QCOMPARE(m_gui->callsOf(QStringLiteral("closeDlg")).size(), 1);
        }
        if (flow == "export") {
            const bool whole = event != "stick pulled";
            QCOMPARE(m_gui->callsOf(QStringLiteral("requestProgressDlg")).size(), 1);
            QCOMPARE(copied.at(0).at(0).toBool(), whole);
            QCOMPARE(m_gui->hasMessage(QStringLiteral("History"), QStringLiteral("UnableToExportData")), !whole);
        }
        QVERIFY2(ticks.onTime(), qPrintable(ticks.text()));
    }

    // The history opened before the first list builds its own; the test selected there is
    // the one Load opens once the first list's time has passed.
    void firstLoadFollowsTheStartByThreeSeconds()
    {
        QElapsedTimer clock;
        clock.start();
        Activities opened;
        opened.setTestChart(m_chart.get());
        Activities withStore;
        withStore.setTestChart(m_chart.get());
        Activities alone; // no record store: nothing to list, nothing to fail
        QCOMPARE(withStore.activityModel()->rowCount(), 0);
        QVERIFY(listed(opened));
        ActivityModel& rows = *opened.activityModel();
        QVERIFY(rows.setData(rows.index(2), int(Qt::Checked), ActivityModel::EntryIsSelectedRole));
        const QString selected = rows.index(2).data(ActivityModel::EntryPathRole).toString();
        QTRY_VERIFY_WITH_TIMEOUT(withStore.activityModel()->rowCount() == 11, 15000);
        // A coarse timer may fire 5 % early.
        QVERIFY2(clock.elapsed() >= Activities::FirstLoadDelayMs * 94 / 100, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(alone.activityModel()->rowCount(), 0);

        QCOMPARE(opened.selectedMeasurments(), 1);
        // Load as the page does it: the first checked test row.
        const int first = shape(rows).indexOf(QRegularExpression(QStringLiteral("M \\S+ \\S+ %1 [vh]").arg(int(Qt::Checked))));
        const QString path = rows.index(first).data(ActivityModel::EntryPathRole).toString();
        QCOMPARE(path, selected);
        QSignalSpy loaded(&opened, &Activities::dataLoaded);
        opened.loadActivityData(path);
        QTRY_COMPARE(loaded.count(), 1);
        QCOMPARE(opened.loadedData()->filepath(), selected);
    }
};

QTEST_MAIN(TstActivities)
#include "tst_activities.moc"
