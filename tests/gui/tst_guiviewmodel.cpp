#include "datamodel/DataModell.h"
#include "db/DB.h"
#include "fakes/DataModelFixture.h"
#include "gui/GuiViewModel.h"
#include "gui/QmlTypes.h"
#include "commissioning/CommissioningViewModel.h"
#include "commissioning/MachineBundle.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QtTest>

// The root view model over a real data model: the dialog and message lists and the
// properties the main window binds to.
class TstGuiViewModel : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;
    QDateTime m_now;

    std::unique_ptr<GuiViewModel> makeViewModel()
    {
        auto vm = std::make_unique<GuiViewModel>();
        vm->setClock([this]() { return m_now; });
        return vm;
    }

    static QStringList names(const QList<GuiViewModel::Message>& messages)
    {
        QStringList out;
        for (const auto& m : messages)
            out << m.item->name();
        return out;
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
        m_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0));
    }
    void cleanup() { m_fixture.reset(); }

    void messagesAreOrderedBySeverityThenNewestFirst()
    {
        auto vm = makeViewModel();
        QSignalSpy changed(vm.get(), &GuiViewModel::messageListChanged);
        vm->showWarning(QStringLiteral("older warning"));
        vm->showError(QStringLiteral("error"));
        vm->showWarning(QStringLiteral("newer warning"));
        QCOMPARE(names(vm->messages()),
                 QStringList({QStringLiteral("error"), QStringLiteral("newer warning"), QStringLiteral("older warning")}));
        QCOMPARE(changed.size(), 3);
        const GuiViewModel::Message& error = vm->messages().first();
        QCOMPARE(error.item->icon(), QStringLiteral("qrc:/icons/error.svg"));
        QCOMPARE(error.item->value().toString(), QStringLiteral("#FFF43149"));
        QCOMPARE(error.expiry, m_now.addSecs(10));
        QVERIFY(vm->messageTimerActive());

        // Category 6 has no lifetime: an id, but nothing listed.
        const QUuid meas = vm->showMessageOfCategory(QStringLiteral("measurement"), CAT_MEAS);
        QVERIFY(!meas.isNull());
        QCOMPARE(vm->messages().size(), 3);
        QCOMPARE(changed.size(), 3);

        QVERIFY(vm->hideWarning(QStringLiteral("older warning")));
        QVERIFY(!vm->hideError(QStringLiteral("older warning")));
        QVERIFY(!vm->hideInfo(error.id));
        QVERIFY(vm->hideError(vm->messages().first().id));
        QCOMPARE(names(vm->messages()), QStringList({QStringLiteral("newer warning")}));
    }

    void messagesExpireByCategoryDrivenByTheTimer()
    {
        auto vm = makeViewModel();
        vm->showInfo(QStringLiteral("info"));       // 5 s
        vm->showError(QStringLiteral("error"));     // 10 s
        vm->showFatal(QStringLiteral("fatal"));     // 99 days
        QSignalSpy changed(vm.get(), &GuiViewModel::messageListChanged);

        m_now = m_now.addSecs(6);
        QTRY_COMPARE_WITH_TIMEOUT(names(vm->messages()), QStringList({QStringLiteral("fatal"), QStringLiteral("error")}),
                                  5000);
        QCOMPARE(changed.size(), 1);
        m_now = m_now.addSecs(5);
        QTRY_COMPARE_WITH_TIMEOUT(names(vm->messages()), QStringList({QStringLiteral("fatal")}), 5000);

        m_now = m_now.addDays(98);
        QTest::qWait(1300);
        QCOMPARE(names(vm->messages()), QStringList({QStringLiteral("fatal")}));
        QVERIFY(vm->messageTimerActive());
        m_now = m_now.addDays(2);
        QTRY_VERIFY_WITH_TIMEOUT(vm->messages().isEmpty(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!vm->messageTimerActive(), 5000);
    }

    void progressFractionsAndIncrements()
    {
        auto vm = makeViewModel();
        const QUuid x = vm->showProgress(QStringLiteral("x"), 10, 0, 1, 20);
        QCOMPARE(vm->progresses().first().item->value().toDouble(), 1.0);
        QCOMPARE(vm->progresses().first().min, 0);
        QCOMPARE(vm->progresses().first().max, 10);
        const QUuid y = vm->showProgress(QStringLiteral("y"), 5, 5);
        QCOMPARE(vm->progresses().first().id, y);
        QCOMPARE(vm->progresses().first().item->value().toDouble(), 0.0);
        QCOMPARE(vm->progresses().first().item->icon(), QStringLiteral("qrc:/icons/hourglass-empty.svg"));

        const QUuid z = vm->showProgress(QStringLiteral("z"), 0, 10, 1, 9);
        QVERIFY(!vm->incrementProgress(z)); // 10 is not below 10
        QCOMPARE(vm->progresses().first().item->value().toDouble(), 1.0);

        // Incrementing an older entry brings it to the front.
        QVERIFY(vm->incrementProgress(y) == false);
        QCOMPARE(vm->progresses().first().id, y);
        QVERIFY(!vm->incrementProgress(QUuid::createUuid()));
        QVERIFY(vm->hideProgress(x));
        QVERIFY(!vm->hideProgress(x));
        QCOMPARE(vm->progresses().size(), 2);
    }

    // The same text again moves the shown fraction; the record follows, so the next
    // increment continues from there instead of jumping back.
    void progressShownAgainUpdatesItsRecord()
    {
        auto vm = makeViewModel();
        const QUuid id = vm->showProgress(QStringLiteral("copy"), 0, 10, 1, 2);
        QSignalSpy changed(vm.get(), &GuiViewModel::progressListChanged);
        QCOMPARE(vm->showProgress(QStringLiteral("copy"), 0, 10, 1, 6), id);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(vm->progresses().size(), 1);
        QVERIFY(vm->incrementProgress(id));
        QCOMPARE(vm->progresses().first().value, 7);
        QCOMPARE(vm->progresses().first().item->value().toDouble(), 0.7);
        // Same fraction again: nothing to tell.
        QCOMPARE(vm->showProgress(QStringLiteral("copy"), 0, 10, 1, 7), id);
        QCOMPARE(changed.size(), 2);
    }

    void equalQuestionsMergeAndComeToTheFront()
    {
        auto vm = makeViewModel();
        const QUuid first = vm->showQuestion(QStringLiteral("Delete?"));
        const QDateTime stamp = vm->questions().first().item->timestamp();
        const QUuid other = vm->showQuestion(QStringLiteral("Export?"), QStringLiteral("Yes"));
        QCOMPARE(vm->questionButtonText(other, 0), QStringLiteral("Cancel"));
        QCOMPARE(vm->questionButtonText(first, 1), QStringLiteral("OK"));
        QCOMPARE(vm->questionButtonText(other, 1), QStringLiteral("Yes"));
        QCOMPARE(vm->questionButtonText(other, 2), QString());
        QCOMPARE(vm->questionButtonText(QUuid::createUuid(), 1), QString());
        QCOMPARE(vm->questions().first().item->icon(), QStringLiteral("qrc:/icons/question.svg"));

        QTest::qWait(5);
        QSignalSpy changed(vm.get(), &GuiViewModel::questionListChanged);
        QCOMPARE(vm->showQuestion(QStringLiteral("Delete?")), first);
        QCOMPARE(vm->questions().size(), 2);
        QCOMPARE(changed.size(), 1);
        QVERIFY(vm->questions().last().item->timestamp() > stamp);
    }

    void answeringAQuestionReportsResultAndCloseType_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("closeType");
        QTest::newRow("accepted") << 1 << int(IGUI::Accepted);
        QTest::newRow("rejected") << 0 << int(IGUI::Rejected);
        QTest::newRow("other") << 7 << int(IGUI::OtherResult);
    }
    void answeringAQuestionReportsResultAndCloseType()
    {
        QFETCH(int, result);
        QFETCH(int, closeType);
        auto vm = makeViewModel();
        const QUuid id = vm->showQuestion(QStringLiteral("Go?"));
        QList<QString> order;
        connect(vm.get(), &GuiViewModel::questionListChanged, this, [&]() { order << QStringLiteral("list"); });
        connect(vm.get(), &GuiViewModel::questionAnswered, this, [&](QUuid answered, int r) {
            QCOMPARE(answered, id);
            order << QStringLiteral("answered %1").arg(r);
        });
        connect(vm.get(), &GuiViewModel::questionAnsweredCloseType, this, [&](QUuid answered, IGUI::CloseType t) {
            QCOMPARE(answered, id);
            order << QStringLiteral("closed %1").arg(int(t));
        });
        QVERIFY(vm->hideQuestion(id, result));
        QCOMPARE(order, QStringList({QStringLiteral("list"), QStringLiteral("answered %1").arg(result),
                                     QStringLiteral("closed %1").arg(closeType)}));
        QVERIFY(!vm->hideQuestion(id, result));
        QVERIFY(vm->questions().isEmpty());
    }

    void answeringByTextReportsTheQuestionsId()
    {
        auto vm = makeViewModel();
        const QUuid id = vm->showQuestion(QStringLiteral("Go?"));
        vm->showQuestion(QStringLiteral("Other?"));
        QSignalSpy answered(vm.get(), &GuiViewModel::questionAnswered);
        QSignalSpy closed(vm.get(), &GuiViewModel::questionAnsweredCloseType);
        QVERIFY(vm->hideQuestion(QStringLiteral("Go?"), 1));
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.first().at(0).toUuid(), id);
        QCOMPARE(closed.first().at(0).toUuid(), id);
        QCOMPARE(vm->questions().size(), 1);
    }

    void waitMessagesAndTheSpecialCategories()
    {
        auto vm = makeViewModel();
        QSignalSpy waits(vm.get(), &GuiViewModel::waitListChanged);
        const QUuid id = vm->showMessageOfCategory(QStringLiteral("Deleting"), CAT_PERSISTENT);
        QCOMPARE(vm->showWaitMessage(QStringLiteral("Deleting")), id);
        QCOMPARE(vm->waitItems().size(), 1);
        QCOMPARE(waits.size(), 1);
        QCOMPARE(vm->waitItems().first()->value().toUuid(), id);
        QVERIFY(vm->messages().isEmpty());

        const QUuid question = vm->showMessageOfCategory(QStringLiteral("Stick?"), CAT_SKPOUT);
        QCOMPARE(vm->questionButtonText(question, 1), QStringLiteral("OK"));
        QCOMPARE(vm->questionButtonText(question, 0), QStringLiteral("Cancel"));

        // A button turns a message into a question with the category's icon.
        const QUuid info = vm->showInfo(QStringLiteral("Note"), QStringLiteral("OK"));
        QCOMPARE(vm->questions().first().id, info);
        QCOMPARE(vm->questions().first().item->icon(), QStringLiteral("qrc:/icons/info.svg"));
        QCOMPARE(vm->questionButtonText(info, 0), QString());

        QVERIFY(vm->hideWaitMessage(QStringLiteral("Deleting")));
        QVERIFY(!vm->hideWaitMessage(id));
        QVERIFY(vm->waitItems().isEmpty());
    }

    // QML re-reads a list on its change signal and may still hold the item it showed: a
    // removed item lives until the change is announced and goes with the next deferred
    // delete.
    void removedItemsOutliveTheirAnnouncement_data()
    {
        QTest::addColumn<QString>("list");
        for (const char* list : {"question", "wait", "expired message"})
            QTest::newRow(list) << QString::fromLatin1(list);
    }
    void removedItemsOutliveTheirAnnouncement()
    {
        QFETCH(QString, list);
        auto vm = makeViewModel();
        QPointer<QObject> item;
        int announced = 0;
        bool aliveWhenAnnounced = false;
        const auto watch = [&] { ++announced, aliveWhenAnnounced = !item.isNull(); };
        if (list == QLatin1String("question")) {
            const QUuid id = vm->showQuestion(QStringLiteral("Delete?"));
            item = vm->questions().first().item;
            connect(vm.get(), &GuiViewModel::questionListChanged, this, watch);
            QVERIFY(vm->hideQuestion(id, 1));
        } else if (list == QLatin1String("wait")) {
            const QUuid id = vm->showWaitMessage(QStringLiteral("Working"));
            item = vm->waitItems().first();
            connect(vm.get(), &GuiViewModel::waitListChanged, this, watch);
            QVERIFY(vm->hideWaitMessage(id));
        } else {
            vm->showInfo(QStringLiteral("Saved"));
            item = vm->messages().first().item;
            connect(vm.get(), &GuiViewModel::messageListChanged, this, watch);
            m_now = m_now.addSecs(6);
            vm->checkMessageList();
        }
        QCOMPARE(announced, 1);
        QVERIFY(aliveWhenAnnounced);
        QVERIFY(item);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(item.isNull());
    }

    void propertiesFollowTheDataModel()
    {
        DataModell* dm = m_fixture->dm();
        auto vm = makeViewModel();

        // The mode string is empty while no mode is chosen.
        QCOMPARE(dm->getOperatingMode(), OperatingModes::None);
        QCOMPARE(vm->getModeString(), QString());

        dm->setHVUnitState(stHVUnitState(false, 0x00010000));
        QVERIFY(vm->isHvOn());
        dm->setHVUnitState(stHVUnitState(false, 0x00000001));
        QVERIFY(!vm->isHvOn());

        dm->setTestBoostState(stTBState{3, 7}, true);
        QCOMPARE(vm->testBoostState(), Qt::Unchecked);
        dm->setTestBoostState(stTBState{2, 0x2}, true);
        QCOMPARE(vm->testBoostState(), Qt::Checked);
        dm->setTestBoostState(stTBState{1, 0x1}, true);
        QCOMPARE(vm->testBoostState(), Qt::PartiallyChecked);

        // A state change must reach bindings on the state.
        QSignalSpy state(vm.get(), &GuiViewModel::stateChanged);
        dm->receiveAppEvent(eAppEvent::MainsOn);
        QTRY_VERIFY(state.size() >= 1);
        QCOMPARE(vm->state(), dm->getAppState());

        QSignalSpy cable(vm.get(), &GuiViewModel::cableNumberChanged);
        vm->setCableNumber(QStringLiteral("K-17"));
        vm->setCableNumber(QStringLiteral("K-17"));
        QCOMPARE(cable.size(), 1);
        QCOMPARE(vm->getCableNumbersLength(QStringLiteral(" K-1 ")), dm->getCableNumbers(QStringLiteral("K-1")).size());

        dm->setRemoteControlled(true, QStringLiteral("Service PC"));
        QVERIFY(vm->remoteControlled());
        QCOMPARE(vm->peerName(), QStringLiteral("Service PC"));
        dm->setRemoteControlled(false);
    }

    void modeStringNamesTheModeWithItsPolarity()
    {
        DataModell* dm = m_fixture->dm();
        auto vm = makeViewModel();
        dm->changeOperatingMode(OperatingModes::DC);
        QTRY_COMPARE(dm->getOperatingMode(), OperatingModes::DC);
        const QString name = vm->getModeString();
        QVERIFY(!name.isEmpty());
        const OpModeParameters* params = dm->getSettingParameters(OperatingModes::DC);
        if (params && params->isParameterEnabled(OpModeParameters::Polarity))
            QVERIFY(name.endsWith(QLatin1Char('+')) || name.endsWith(QLatin1Char('-')));
        QSignalSpy mode(vm.get(), &GuiViewModel::modeChanged);
        vm->onVoltagePolarityChanged();
        QCOMPARE(mode.size(), 1);
        QCOMPARE(mode.first().first().value<OperatingModes::OperatingMode>(), OperatingModes::DC);
    }

    void boosterEmulationSettingEnablesCosineRectangular()
    {
        auto vm = makeViewModel();
        DataModell* dm = m_fixture->dm();
        stIdentification id;
        id.operatingModeMask = quint64(1) << OperatingModes::VLFCosRect;
        dm->setHVIdentification(id);
        FakeConfig* config = m_fixture->config();
        // The emulated booster reads as present; the menu's enabling is run again with it.
        config->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), true);
        dm->setTestBoostState(stTBState{0, 0}, true);
        QSignalSpy boost(vm.get(), &GuiViewModel::testBoostStateChanged);
        emit vm->settingsValueChanged(QStringLiteral("/Device/VLFBoosterEmulation"));
        QVERIFY(OperatingModes::getInstance()->isModeEnabled(OperatingModes::VLFCosRect));
        config->setBoolean(QStringLiteral("/Device/VLFBoosterEmulation"), false);
        dm->setTestBoostState(stTBState{0, 0}, true);
        emit vm->settingsValueChanged(QStringLiteral("/Device/VLFBoosterEmulation"));
        QVERIFY(!OperatingModes::getInstance()->isModeEnabled(OperatingModes::VLFCosRect));
        QCOMPARE(boost.size(), 3);
        emit vm->settingsValueChanged(QStringLiteral("/Device/Other"));
        QCOMPARE(boost.size(), 3);
    }

    // The database deletes every cable number that contains the text: an empty text
    // would wipe the whole list.
    void emptyCableNumberDeletesNothing()
    {
        DataModell* dm = m_fixture->dm();
        dm->addCableNumber(QStringLiteral("A-1"));
        dm->addCableNumber(QStringLiteral("B-2"));
        auto vm = makeViewModel();
        vm->deleteCableNumberFromDB(QStringLiteral("   "));
        vm->deleteCableNumberFromDB(QString());
        QCOMPARE(dm->getCableNumbers().size(), 2);
        vm->deleteCableNumberFromDB(QStringLiteral("A-1"));
        QCOMPARE(dm->getCableNumbers(), QStringList({QStringLiteral("B-2")}));
    }

    // A record keeps Latin-1 text: a comment beyond it is refused with a warning.
    void commentsTheRecordCannotHoldAreRefused()
    {
        auto vm = makeViewModel();
        QVERIFY(vm->acceptsComment(QStringLiteral("Muffe 3 erneuert, \u00B1 0,5 m")));
        QVERIFY(vm->messages().isEmpty());
        QVERIFY(!vm->acceptsComment(QStringLiteral("Joint \u03A9 3")));
        QCOMPARE(names(vm->messages()), QStringList({QStringLiteral("CommentNotStorable")}));
    }

    // Enabling commissioning builds the machines through the factory; without one it
    // only says so instead of ending the program.
    void commissioningMachinesComeFromTheFactory()
    {
        auto vm = makeViewModel();
        Commissioning::CommissioningViewModel* c = vm->commissioning();
        QSignalSpy enabled(vm.get(), &GuiViewModel::commissioningEnabledChanged);
        vm->enableCommissioning(true);
        QVERIFY(vm->commissioningEnabled());
        QVERIFY(!c->machines().safetyTest);

        int built = 0;
        c->takeCalibrationMachinesFactory([&built]() {
            ++built;
            return Commissioning::MachineBundle();
        });
        vm->enableCommissioning(true);
        QCOMPARE(built, 1);
        vm->enableCommissioning(false);
        QCOMPARE(built, 1);
        QVERIFY(!vm->commissioningEnabled());
        QCOMPARE(enabled.size(), 3);
    }

    // The commissioning pages' types: what QML may create, and why not.
    void commissioningTypesForThePages_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("reason");
        QTest::newRow("view model") << "CommissioningViewModel" << "not default";
        QTest::newRow("enums") << "Commissioning" << "Cannot create";
        QTest::newRow("service bit") << "ServiceBitView" << "Abstract Interface";
        QTest::newRow("range setter") << "RangeSetterView" << "Abstract Interface";
        QTest::newRow("safety contact") << "SafetyCircuitView" << "";
    }
    void commissioningTypesForThePages()
    {
        QFETCH(QString, type);
        QFETCH(QString, reason);
        registerQmlTypes();
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData(QStringLiteral("import Vlf.GUI 1.0\n%1 {}").arg(type).toUtf8(), QUrl());
        std::unique_ptr<QObject> made(component.create());
        QCOMPARE(made != nullptr, reason.isEmpty());
        if (!reason.isEmpty())
            QVERIFY2(component.errorString().contains(reason), qPrintable(component.errorString()));
        if (type != QLatin1String("Commissioning"))
            return;

        QQmlComponent stage(&engine);
        stage.setData("import QtQml 2.15\nimport Vlf.GUI 1.0\nQtObject { property int v: Commissioning.Step2 }", QUrl());
        std::unique_ptr<QObject> probe(stage.create());
        QVERIFY2(probe, qPrintable(stage.errorString()));
        QCOMPARE(probe->property("v").toInt(), 3);
        // The records also under the short names, two of them not their own.
        QCOMPARE(QMetaType::type("CascadePowerState"), qMetaTypeId<Commissioning::CascadePowerStage>());
        QCOMPARE(QMetaType::type("TanDValidationResult"), qMetaTypeId<Commissioning::TanDStepStestResult>());
        QCOMPARE(QMetaType::type("UserEvent"), qMetaTypeId<Commissioning::UserEvent>());
    }

    void childSignalsAreRelayed()
    {
        auto vm = makeViewModel();
        QSignalSpy language(vm.get(), &GuiViewModel::changeLanguage);
        QVariantList list;
        list << QVariantMap{{QStringLiteral("name"), QStringLiteral("Norwegian")},
                            {QStringLiteral("native"), QStringLiteral("Norsk")}};
        emit vm->languageListChanged(list);
        vm->settings()->setLanguage(QStringLiteral("Norsk"));
        QCOMPARE(language.size(), 1);
        QCOMPARE(language.first().first().toString(), QStringLiteral("Norwegian"));
        vm->settings()->setLanguage(QStringLiteral("Klingon"));
        QCOMPARE(language.size(), 1);

        QSignalSpy param(vm.get(), &GuiViewModel::setHVUnitParamValue);
        emit vm->calibration()->hvUnitParamChanged(eHVUnitParamType_GainU, 42);
        QCOMPARE(param.size(), 1);

        QSignalSpy rebuilt(vm->config(), &TestConfiguration::mainParametersChanged);
        emit vm->defaultValuesLoaded();
        emit vm->languageChanged();
        QCOMPARE(rebuilt.size(), 2);

        QSignalSpy mode(vm.get(), &GuiViewModel::changeOperationMode);
        vm->setOperationMode(OperatingModes::VLFSin);
        QCOMPARE(mode.size(), 1);
        vm->operatingModeChanged(OperatingModes::VLFSin);
        QCOMPARE(vm->config()->mode(), OperatingModes::VLFSin);
        QCOMPARE(vm->measure()->mode(), OperatingModes::VLFSin);
    }
};

QTEST_MAIN(TstGuiViewModel)
#include "tst_guiviewmodel.moc"
