// The operations on stored data behind their questions, the exports, the screenshot file
// and the log and standard lists, over a real data model and database.
#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelCase.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordBuilder.h"
#include "fakes/RecordingGui.h"
#include "fakes/StallMeter.h"
#include "gui/GuiViewModel.h"
#include "gui/LogListModel.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {
enum Flow { Update, ImportConfig, ImportStandard, Reset, DeleteServiceLog, DeleteMessageLog, RebootHv, RemoveStandards };
enum Answer { Reject, AnswerOther, Accept, AcceptLocked };
// The lock of the menu that offers each flow, by Flow; all are open unless a row locks one.
const SystemFunction::eSysFunc kOfferedBy[] = {SystemFunction::Administration, SystemFunction::Service,
    SystemFunction::Administration, SystemFunction::Administration, SystemFunction::RYX, SystemFunction::RYX,
    SystemFunction::Service, SystemFunction::Administration};

QString stick(const DataModelFixture& f) { return f.root().path(QStringLiteral("/media/USB")); }
} // namespace

class TstQuestionFlows : public QObject, public DataModelCase {
    Q_OBJECT
public:
    TstQuestionFlows() : DataModelCase(QStringLiteral(ENGLISH_QM)) {}

private:
    QDateTime m_now;

    std::unique_ptr<GuiViewModel> makeViewModel()
    {
        auto vm = std::make_unique<GuiViewModel>();
        vm->setClock([this]() { return m_now; });
        return vm;
    }

    // Every way a flow's operation shows itself.
    struct Effects {
        explicit Effects(GuiViewModel* vm)
            : actions(vm, &GuiViewModel::PerformExternalAction), updates(vm, &GuiViewModel::performUpdate),
              imports(vm, &GuiViewModel::importConfig), standards(vm, &GuiViewModel::evaluationStandardListChanged)
        {
        }
        int count() const { return actions.size() + updates.size() + imports.size() + standards.size(); }
        QSignalSpy actions, updates, imports, standards;
    };

    static void start(GuiViewModel* vm, Flow flow)
    {
        switch (flow) {
        case Update: vm->askToUpdate(QStringLiteral("/media/USB/updates/vlf-4.2.1.tar")); break;
        case ImportConfig: vm->askToImportConfig(QStringLiteral("/media/USB/PEVANTO.cfg.xml"), true); break;
        case ImportStandard: vm->askToImportTanDeltaStandard(QStringLiteral("/media/USB/none.tds")); break;
        case Reset: vm->resetToDefaultValues(); break;
        case DeleteServiceLog: vm->deleteServiceLog(); break;
        case DeleteMessageLog: vm->deleteMessageLog(); break;
        case RebootHv: vm->rebootHvUnit(); break;
        case RemoveStandards: vm->deleteEvaluationStandards({1000}); break;
        }
    }

    QString messageTexts(GuiViewModel* vm)
    {
        QStringList texts;
        for (const GuiViewModel::Message& m : vm->messages())
            texts << QStringLiteral("%1:%2").arg(m.category).arg(m.item->name());
        return texts.join(QLatin1Char('|'));
    }

private slots:
    void init()
    {
        DataModelCase::start();
        for (SystemFunction::eSysFunc lock : kOfferedBy)
            dm()->unlockSystemFunction(lock);
        m_now = QDateTime(QDate(2026, 3, 1), QTime(14, 5, 9));
    }
    void cleanup()
    {
        GlobalFuncs::setGUI(nullptr);
        end();
    }

    void flowRunsOnlyOnItsOwnAcceptedAnswer_data()
    {
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("acceptText");
        QTest::addColumn<QString>("action");
        const struct {
            Flow flow;
            const char* name;
            const char* question;
            const char* accept;
            const char* action;
        } flows[] = {
            {Update, "update", "<b>vlf-4.2.1.tar</b><br><br>Do you want to perform this update?", "Update", ""},
            {ImportConfig, "import config", "Import config file", "Import", ""},
            {ImportStandard, "import standard", "Do you want to import this tan delta standard?", "Import", ""},
            {Reset, "reset", "Do you want to reset all settings to their default values?\n"
                             "The administrator password returns to the factory password.", "OK", "ResetDefaultValues"},
            {DeleteServiceLog, "delete service log", "Do you want to delete all Logfiles?", "OK", "DeleteLogfiles"},
            {DeleteMessageLog, "delete message log", "Do you want to delete all Logfiles?", "OK", "DeleteLogfiles"},
            {RebootHv, "reboot HV unit", "Do you want to reboot the HV Unit?", "OK", "RebootHVUnit"},
            {RemoveStandards, "remove standards",
             "Remove all selected standards?\nStored tests judged with them: 0 (they keep their verdicts)", "Delete", ""},
        };
        for (const auto& f : flows) {
            const char* answers[] = {"rejected", "other answered", "accepted", "accepted after its menu locked"};
            for (int a = Reject; a <= AcceptLocked; ++a)
                QTest::addRow("%s %s", f.name, answers[a])
                    << int(f.flow) << a << QString::fromUtf8(f.question) << QString::fromUtf8(f.accept)
                    << QString::fromUtf8(f.action);
        }
    }
    void flowRunsOnlyOnItsOwnAcceptedAnswer()
    {
        QFETCH(int, flow);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QString, acceptText);
        QFETCH(QString, action);
        auto vm = makeViewModel();
        Effects effects(vm.get());
        const QUuid other = vm->showQuestion(QStringLiteral("Something else?"));
        start(vm.get(), Flow(flow));

        QTRY_COMPARE(vm->questions().size(), 2); // the removal asks once the store is counted
        const GuiViewModel::Question asked = vm->questions().first();
        QCOMPARE(asked.item->name(), question);
        QCOMPARE(asked.item->icon(), QStringLiteral("qrc:/icons/question.svg"));
        QCOMPARE(vm->questionButtonText(asked.id, 1), acceptText);
        QCOMPARE(vm->questionButtonText(asked.id, 0), QStringLiteral("Cancel"));
        QCOMPARE(effects.count(), 0);

        if (answer == AnswerOther) {
            QVERIFY(vm->hideQuestion(other, 1));
            QCOMPARE(effects.count(), 0);
            return;
        }
        if (answer == AcceptLocked)
            dm()->lockSystemFunction(kOfferedBy[flow]);
        QVERIFY(vm->hideQuestion(asked.id, answer >= Accept ? 1 : 0));
        QCOMPARE(effects.count(), answer == Accept ? 1 : 0);
        if (answer == Accept && !action.isEmpty())
            QCOMPARE(effects.actions.first().first().toString(), action);
        // The handler is gone: a late second answer with that id runs nothing.
        vm->showQuestion(question);
        vm->hideQuestion(question, 1);
        QCOMPARE(effects.count(), answer == Accept ? 1 : 0);
    }

    // Equal texts make one question; each waiting request runs with its own arguments,
    // a repeated press of the same request only once.
    void mergedQuestionsRunEachRequestOnce()
    {
        auto vm = makeViewModel();
        Effects effects(vm.get());
        vm->askToUpdate(QStringLiteral("/media/USB/a/pkg.tar"));
        vm->askToUpdate(QStringLiteral("/media/USB/b/pkg.tar"));
        vm->askToUpdate(QStringLiteral("/media/USB/b/pkg.tar"));
        vm->resetToDefaultValues();
        vm->resetToDefaultValues();
        QCOMPARE(vm->questions().size(), 2);
        QVERIFY(vm->hideQuestion(vm->questions().last().id, 1));
        QCOMPARE(effects.updates.size(), 2);
        QCOMPARE(effects.updates.at(0).first().toString(), QStringLiteral("/media/USB/a/pkg.tar"));
        QCOMPARE(effects.updates.at(1).first().toString(), QStringLiteral("/media/USB/b/pkg.tar"));
        QVERIFY(vm->hideQuestion(vm->questions().first().id, 1));
        QCOMPARE(effects.actions.size(), 1);

        // A file name from the stick is shown as text.
        vm->askToUpdate(QStringLiteral("/media/USB/<i>x&y.tar"));
        QVERIFY(vm->questions().first().item->name().startsWith(QStringLiteral("<b>&lt;i&gt;x&amp;y.tar</b>")));
    }

    // The removal counts the stored tests judged with the standards (the pool held 200 ms)
    // and meets one thing meanwhile: it asks once, and the window's timer stays on time.
    void standardsCountMeetsSomethingMidway_data() { meetingRows(); }
    void standardsCountMeetsSomethingMidway()
    {
        QFETCH(QString, event);
        auto vm = makeViewModel();
        QVERIFY(!fixture().root().insertStick().isEmpty());
        fixture().readyForATest();
        TestChart::VLF::TestData record = RecordBuilder::threePhaseTanDelta();
        TestChart::VLF::update(record, 0, 21, QStringLiteral("1000"));
        QVERIFY(!RecordBuilder::store(record, QStringLiteral("20260301")).isEmpty());
        TickLateness ticks;
        qint64 returned = 0;
        const auto press = [&] { vm->deleteEvaluationStandards({1000}); };
        QVERIFY(runMeeting(ticks, 200, 50, press, fixture().meeting(event, press),
                           [&] { return !vm->questions().isEmpty(); }, &returned));
        QVERIFY2(returned < 150, "the window waited for the count"); // the pool is held 200 ms
        QCOMPARE(vm->questions().size(), 1);
        QCOMPARE(vm->questions().first().item->name(),
                 QStringLiteral("Remove all selected standards?\nStored tests judged with them: 1 (they keep their verdicts)"));
        if (event == "test started")
            QCOMPARE(dm()->getAppState(), States::InitTest);
        QVERIFY2(ticks.onTime(), qPrintable(ticks.text()));
    }

    void standardsImportRemoveAndExportReportAndRefresh()
    {
        auto vm = makeViewModel();
        const TempRoot& root = fixture().root();
        QVERIFY(!root.insertStick().isEmpty());
        QSignalSpy changed(vm.get(), &GuiViewModel::evaluationStandardListChanged);
        auto ids = [&vm]() {
            QList<int> out;
            for (IconListViewItem* item : vm->evaluationStandardItems())
                out << item->value().toInt();
            return out;
        };
        QCOMPARE(ids(), QList<int>({1, 2}));

        Q_INIT_RESOURCE(tanDeltaStandards);
        QFile builtIn(QStringLiteral(":/tanDeltaStandards/2Uo.tds"));
        QVERIFY(builtIn.open(QIODevice::ReadOnly));
        QByteArray content = builtIn.readAll();
        content.replace("\"name\"", "\"name\": \"Utility 7\", \"former\"");
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/utility.tds"), content));
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/broken.tds"), "{ not a standard"));
        auto accept = [&vm]() { return vm->hideQuestion(vm->questions().first().id, 1); };

        vm->askToImportTanDeltaStandard(stick(fixture()) + QStringLiteral("/utility.tds"));
        QVERIFY(accept());
        QCOMPARE(messageTexts(vm.get()), QStringLiteral("4:Tan delta standard imported."));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(ids(), QList<int>({1, 2, 1000}));
        QCOMPARE(vm->evaluationStandardItems().last()->name(), QStringLiteral("Utility 7"));

        vm->askToImportTanDeltaStandard(stick(fixture()) + QStringLiteral("/broken.tds"));
        QVERIFY(accept());
        QVERIFY(messageTexts(vm.get()).startsWith(QStringLiteral("2:Import of the tan delta standard failed!")));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(ids(), QList<int>({1, 2, 1000}));
        // Refused for its size, and said so.
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/huge.tds"), QByteArray(256 * 1024 + 1, ' ')));
        vm->askToImportTanDeltaStandard(stick(fixture()) + QStringLiteral("/huge.tds"));
        QVERIFY(accept());
        QCOMPARE(messageTexts(vm.get()),
                 QStringLiteral("2:The tan delta standard was not imported: the file is larger than 256 KiB."));
        // A name taken is said, on screen and in the log; the installed file stays.
        LogCapture log;
        vm->askToImportTanDeltaStandard(stick(fixture()) + QStringLiteral("/utility.tds"));
        QVERIFY(accept());
        QCOMPARE(messageTexts(vm.get()), QStringLiteral("2:The tan delta standard was not imported: a standard of "
                                                        "the same name is already installed."));
        const QString refused = stick(fixture()) + QStringLiteral("/utility.tds not imported: Utility 7.tds exists");
        QCOMPARE(log.delivered(refused).size(), 1);
        QCOMPARE(ids(), QList<int>({1, 2, 1000}));

        vm->exportEvaluationStandards({1, 1000});
        QVERIFY(messageTexts(vm.get()).contains(
            QStringLiteral("4:The selected standards have been exported to the USB flash drive.")));
        QVERIFY(QFile::exists(stick(fixture()) + QStringLiteral("/tanDelta/2Uo.tds")));
        QVERIFY(QFile::exists(stick(fixture()) + QStringLiteral("/tanDelta/Utility 7.tds")));
        // A stick the folder cannot be made on.
        QVERIFY(QDir(stick(fixture()) + QStringLiteral("/tanDelta")).removeRecursively());
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/tanDelta"), "in the way"));
        vm->exportEvaluationStandards({1000});
        QVERIFY(messageTexts(vm.get()).startsWith(QStringLiteral("2:Export to the USB flash drive failed!")));

        // An import answered before the removal takes a number of its own: the standard
        // asked about goes, and the question counts the stored tests judged with it.
        const char* days[] = {"20260301", "20260302", "20260303"};
        for (int i = 0; i < 3; ++i) {
            TestChart::VLF::TestData record = RecordBuilder::threePhaseTanDelta();
            TestChart::VLF::update(record, 0, 21, QString::number(i < 2 ? 1000 : 1));
            QVERIFY(!RecordBuilder::store(record, QString::fromLatin1(days[i])).isEmpty());
        }
        QByteArray other = content;
        QVERIFY(root.writeFile(QStringLiteral("/media/USB/a.tds"), other.replace("Utility 7", "Aardvark")));
        vm->deleteEvaluationStandards({1000});
        vm->askToImportTanDeltaStandard(stick(fixture()) + QStringLiteral("/a.tds"));
        QVERIFY(accept());
        QCOMPARE(messageTexts(vm.get()), QStringLiteral("4:Tan delta standard imported."));
        QCOMPARE(ids(), QList<int>({1, 2, 1001, 1000}));
        QTRY_COMPARE(vm->questions().size(), 1); // once the store is counted
        QCOMPARE(vm->questions().first().item->name(),
                 QStringLiteral("Remove all selected standards?\nStored tests judged with them: 2 (they keep their verdicts)"));
        QVERIFY(accept());
        QVERIFY(messageTexts(vm.get()).contains(QStringLiteral("4:The selected standards have been removed.")));
        QCOMPARE(changed.size(), 6);
        QCOMPARE(ids(), QList<int>({1, 2, 1001}));
        QCOMPARE(vm->evaluationStandardItems().last()->name(), QStringLiteral("Aardvark"));
    }

    // Waits for the read that reload() started; the rows as "name|icon|value".
    static QStringList readLog(LogListModel* log)
    {
        log->reload();
        if (!QTest::qWaitFor([log]() { return !log->isLoading(); }, 5000))
            return {QStringLiteral("still loading")};
        QStringList rows;
        for (int i = 0; i < log->rowCount(); ++i) {
            const QModelIndex index = log->index(i);
            rows << QStringList{index.data(LogListModel::NameRole).toString(),
                                index.data(LogListModel::IconRole).toString(),
                                index.data(LogListModel::ValueRole).toString()}
                        .join(QLatin1Char('|'));
        }
        return rows;
    }

    void logListsShowTheStoredLogs()
    {
        auto vm = makeViewModel();
        DB* db = GlobalFuncs::getDB();
        dm()->setDateFormat(QStringLiteral("dd.MM.yyyy"));
        dm()->setTimeFormat(QStringLiteral("HH:mm:ss"));
        QCOMPARE(readLog(vm->serviceLog()), QStringList());

        const qint64 t = m_now.toMSecsSinceEpoch();
        const struct {
            int category;
            const char* text;
            const char* icon;
        } rows[] = {
            {CAT_INF, "started", "info"},      {CAT_WARN, "hot", "warning"}, {CAT_FATAL, "lost", "fatal"},
            {CAT_ERR, "breakdown", "question"}, {CAT_MSG, "note", "question"},
            {CAT_SKPOUT, "remote\tout\nput", "question"},
        };
        for (int i = 0; i < 6; ++i)
            db->queueMessage({t + i * 1000, rows[i].category, QString::fromUtf8(rows[i].text)});
        db->queueServiceMessage({t, CAT_INF, QStringLiteral("serviced\nat site")});
        QVERIFY(db->flushLogQueues());

        const QStringList messages = readLog(vm->messageLog());
        QCOMPARE(messages.size(), 6);
        for (int i = 0; i < 6; ++i) {
            const auto& row = rows[5 - i]; // newest first
            const QStringList fields = messages.at(i).split(QLatin1Char('|'));
            QCOMPARE(fields.size(), 3);
            // Separators inside a message become spaces: one line, three fields.
            QCOMPARE(fields.at(0), QString::fromUtf8(row.text).replace(QRegularExpression("[\t\n]"), " "));
            QCOMPARE(fields.at(1), QStringLiteral("qrc:/icons/%1.svg").arg(QLatin1String(row.icon)));
            QCOMPARE(fields.at(2), QLocale::c().toString(QDateTime::fromMSecsSinceEpoch(t + (5 - i) * 1000),
                                                         QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz AP")));
        }
        QCOMPARE(readLog(vm->serviceLog()), QStringList{QStringLiteral("serviced at site||01.03.2026 14:05:09")});

        // A log that cannot be read is said so and listed empty.
        LogCapture log;
        db->release();
        QCOMPARE(readLog(vm->messageLog()), QStringList());
        QCOMPARE(log.delivered(QStringLiteral("Can't load meaasge log data!")).size(), 1);
        QCOMPARE(readLog(vm->serviceLog()), QStringList());
        QCOMPARE(log.delivered(QStringLiteral("Can't load service log data!")).size(), 1);
    }

    void screenshotFile_data()
    {
        QTest::addColumn<bool>("withStick");
        QTest::addColumn<bool>("folderBlocked");
        QTest::addColumn<int>("taken"); // earlier pictures of that time of day
        QTest::addColumn<int>("category");
        QTest::addColumn<QString>("text");
        const QString shown = QStringLiteral("USB:/Pevanto/Screenshots/Screenshot_VLF42_140509%1.png");
        const QString saved = QStringLiteral("Screenshot has been saved to ") + shown;
        const QString failed = QStringLiteral("Error: Unable to save screenshot under ") + shown.arg(QString());
        QTest::newRow("saved") << true << false << 0 << int(CAT_INF) << saved.arg(QString());
        QTest::newRow("name taken") << true << false << 1 << int(CAT_INF) << saved.arg(QStringLiteral("-1"));
        QTest::newRow("name and -1 taken") << true << false << 2 << int(CAT_INF) << saved.arg(QStringLiteral("-2"));
        QTest::newRow("folder blocked") << true << true << 0 << int(CAT_ERR) << failed;
        QTest::newRow("no stick") << false << false << 0 << int(CAT_ERR) << failed;
    }
    void screenshotFile()
    {
        QFETCH(bool, withStick);
        QFETCH(bool, folderBlocked);
        QFETCH(int, taken);
        QFETCH(int, category);
        QFETCH(QString, text);
        const TempRoot& root = fixture().root();
        fixture().config()->setString(QStringLiteral("/General/SystemName"), QStringLiteral("VLF42"), QString());
        if (withStick)
            QVERIFY(!root.insertStick().isEmpty());
        if (folderBlocked)
            QVERIFY(root.writeFile(QStringLiteral("/media/USB/Pevanto/Screenshots"), "in the way"));
        const QString folder = QStringLiteral("/media/USB/Pevanto/Screenshots/");
        QStringList names{QStringLiteral("Screenshot_VLF42_140509.png"), QStringLiteral("Screenshot_VLF42_140509-1.png"),
                          QStringLiteral("Screenshot_VLF42_140509-2.png")};
        for (int i = 0; i < taken; ++i)
            QVERIFY(root.writeFile(folder + names.at(i), "an earlier picture"));
        RecordingGui gui;
        GlobalFuncs::setGUI(&gui);
        auto vm = makeViewModel();
        QImage picture(800, 480, QImage::Format_RGB32);
        picture.fill(QColor(0x4A, 0x90, 0xE2));

        vm->saveScreenshot(picture);

        const QString file = root.path(folder + names.at(taken));
        const bool saved = category == CAT_INF;
        QCOMPARE(QImage(file).isNull(), !saved);
        if (saved)
            QCOMPARE(QImage(file).pixelColor(400, 240), QColor(0x4A, 0x90, 0xE2));
        for (int i = 0; i < taken; ++i)
            QCOMPARE(root.readFile(folder + names.at(i)), QByteArray("an earlier picture"));
        // Nothing half-written is left, and without a stick nothing lands below the mount point.
        QStringList left = QDir(root.path(folder)).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        QStringList expected = names.mid(0, taken + (saved ? 1 : 0));
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(QFileInfo::exists(root.path(QStringLiteral("/media/USB"))), withStick);

        // Without a GUI door (the window tests) the view model shows it itself.
        const QList<RecordingGui::Call> shown = gui.callsOf(QStringLiteral("showMessageDlg"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().category, category);
        QCOMPARE(shown.first().key, text);
        QVERIFY(shown.first().okButton);
        QVERIFY(!shown.first().cancelButton);
    }
};

QTEST_MAIN(TstQuestionFlows)
#include "tst_questionflows.moc"
