#include "fakes/DataModelFixture.h"
#include "fakes/LogCapture.h"
#include "fakes/QmlWarnings.h"
#include "gui/Gui.h"
#include "uiapi/UpdatePackage.h"

#include <QGuiApplication>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

// The QML host: what each back-end request becomes in the root view model's lists,
// the relays between the view model and the back end, and loading the window.
class TstGui : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<DataModelFixture> m_fixture;
    LogCapture m_log;

private slots:
    void init()
    {
        m_fixture = std::make_unique<DataModelFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void informationWithoutButtonIsATransientMessage()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        const QUuid id = gui.showMessageDlg(CAT_INF, QStringLiteral("Ctx"), QStringLiteral("Saved"), false, false);
        QCOMPARE(vm->messages().size(), 1);
        QCOMPARE(vm->messages().first().id, id);
        QCOMPARE(vm->messages().first().category, int(CAT_INF));
        QVERIFY(vm->questions().isEmpty());
        const qint64 lifetime = QDateTime::currentDateTime().msecsTo(vm->messages().first().expiry);
        QVERIFY2(lifetime > 4000 && lifetime <= 5000, QByteArray::number(lifetime));

        const QUuid question = gui.showMessageDlg(CAT_INF, QStringLiteral("Ctx"), QStringLiteral("Read"), false, true);
        QCOMPARE(vm->questions().size(), 1);
        QCOMPARE(vm->questions().first().id, question);
        QCOMPARE(vm->questions().first().item->icon(), QStringLiteral("qrc:/icons/info.svg"));
        QCOMPARE(vm->questionButtonText(question, 1), QStringLiteral("OK"));
        QCOMPARE(vm->questionButtonText(question, 0), QString());
    }

    void listOfTextsEndsEachLine()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        const QList<TransObject> texts{TransObject(QStringLiteral("Ctx"), QStringLiteral("First %1"), {QStringLiteral("1")}),
                                       TransObject(QStringLiteral("Ctx"), QStringLiteral("Second"))};
        gui.showMessageDlg(CAT_WARN, texts, false, false);
        QCOMPARE(vm->messages().size(), 1);
        QCOMPARE(vm->messages().first().item->name(), QStringLiteral("First 1\r\nSecond\r\n"));
        // With a button it is a question whatever the category.
        const QUuid id = gui.showMessageDlg(CAT_INF, texts, true, false);
        QCOMPARE(vm->questions().first().id, id);
        QCOMPARE(vm->questionButtonText(id, 0), QStringLiteral("Cancel"));
        QCOMPARE(vm->questionButtonText(id, 1), QString());
    }

    void closingDialogsAnswersQuestions_data()
    {
        QTest::addColumn<int>("closeType");
        QTest::addColumn<int>("result");
        QTest::newRow("accepted") << int(IGUI::Accepted) << 1;
        QTest::newRow("rejected") << int(IGUI::Rejected) << 0;
        QTest::newRow("other") << int(IGUI::OtherResult) << 0;
    }
    void closingDialogsAnswersQuestions()
    {
        QFETCH(int, closeType);
        QFETCH(int, result);
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        const QUuid id = gui.showMessageDlg(CAT_ERR, QStringLiteral("Ctx"), QStringLiteral("Retry?"), true, true);
        QSignalSpy answered(vm, &GuiViewModel::questionAnswered);
        QSignalSpy closed(&gui, &IGUI::messageDglClosed);
        gui.closeDlg(id, IGUI::CloseType(closeType));
        QCOMPARE(answered.size(), 1);
        QCOMPARE(answered.first().at(1).toInt(), result);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed.first().at(0).toUuid(), id);
        QCOMPARE(closed.first().at(1).value<IGUI::CloseType>(), result == 1 ? IGUI::Accepted : IGUI::Rejected);
    }

    void closingProgressWaitAndUnknownDialogs()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        const QUuid progress = gui.requestProgressDlg(QStringLiteral("Copy"), 0, 4, 1, 0);
        gui.incrementProgressDlg(progress);
        QCOMPARE(vm->progresses().first().item->value().toDouble(), 0.25);
        gui.updateProgressDlgText(progress, QStringLiteral("Copy 2"));
        QCOMPARE(vm->progresses().first().item->name(), QStringLiteral("Copy 2"));
        gui.closeDlg(progress, IGUI::Accepted);
        QVERIFY(vm->progresses().isEmpty());

        // A persistent message without buttons is a wait message until it is closed,
        // in every form of the request.
        const QUuid wait1 = gui.showMessageDlg(CAT_PERSISTENT, QStringLiteral("InfoMessages"),
                                               QStringLiteral("DeletingAllData"), false, false);
        const QUuid wait2 = gui.showMessageDlg(CAT_PERSISTENT, {TransObject(QStringLiteral("A"), QStringLiteral("B"))},
                                               false, false);
        QCOMPARE(vm->waitItems().size(), 2);
        QVERIFY(vm->questions().isEmpty());
        gui.closeDlg(wait1, IGUI::Accepted);
        gui.closeDlg(wait2, IGUI::Accepted);
        QVERIFY(vm->waitItems().isEmpty());

        m_log.clear();
        const QUuid unknown = QUuid::createUuid();
        QSignalSpy closed(&gui, &IGUI::messageDglClosed);
        gui.closeDlg(unknown, IGUI::Accepted);
        QCOMPARE(closed.size(), 0);
        const auto logged = m_log.deliveredWhere([&](const LoggingData& d) {
            return d.text.contains(QLatin1String("can't hide dialog")) && d.text.contains(unknown.toString());
        });
        QCOMPARE(logged.size(), 1);
        // A null id is no dialog: nothing to log.
        m_log.clear();
        gui.closeDlg(QUuid(), IGUI::Accepted);
        QVERIFY(m_log.deliveredWhere([](const LoggingData& d) { return d.text.contains(QLatin1String("can't hide")); })
                    .isEmpty());
    }

    void communicationDownComesAndGoes()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        gui.communicationDown(true);
        gui.communicationDown(true);
        QCOMPARE(vm->messages().size(), 2);
        QCOMPARE(vm->messages().first().category, int(CAT_ERR));
        gui.communicationDown(false);
        QCOMPARE(vm->messages().size(), 1);
    }

    void usbRequestIsAQuestionWithOnlyOk()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        QVERIFY(!gui.requestUSBConnDlg());
        QCOMPARE(vm->questions().size(), 1);
        const QUuid id = vm->questions().first().id;
        QCOMPARE(vm->questionButtonText(id, 1), QStringLiteral("OK"));
        QCOMPARE(vm->questionButtonText(id, 0), QString());
    }

    void requestsAndNotificationsAreRelayed()
    {
        Gui gui;
        GuiViewModel* vm = gui.viewModel();
        QSignalSpy event(&gui, &IGUI::sendAppEvent);
        QSignalSpy unlock(&gui, &IGUI::unlockSystemFunction);
        QSignalSpy mode(&gui, &IGUI::changeOperatingMode);
        QSignalSpy action(&gui, &IGUI::PerformExternalAction);
        emit vm->sendAppEvent(eAppEvent::UserAck);
        emit vm->unlockSystemFunction(SystemFunction::Service);
        vm->setOperationMode(OperatingModes::TanDelta);
        emit vm->PerformExternalAction(QStringLiteral("StartMode"));
        QCOMPARE(event.first().first().value<eAppEvent>(), eAppEvent::UserAck);
        QCOMPARE(unlock.first().first().value<SystemFunction::eSysFunc>(), SystemFunction::Service);
        QCOMPARE(mode.first().first().value<OperatingModes::OperatingMode>(), OperatingModes::TanDelta);
        QCOMPARE(action.first().first().toString(), QStringLiteral("StartMode"));

        QSignalSpy usb(vm, &GuiViewModel::usbStateChanged);
        QSignalSpy boost(vm, &GuiViewModel::testBoostStateChanged);
        QSignalSpy remote(vm, &GuiViewModel::remoteControlledChanged);
        QSignalSpy peer(vm, &GuiViewModel::peerNameChanged);
        emit gui.USBStateChanged(USBState_NoStick, USBState_Ready);
        emit gui.TestBoostStateChanged(stTBState{}, stTBState{2, 7});
        gui.remoteControlled(true);
        QCOMPARE(usb.size(), 1);
        QCOMPARE(boost.size(), 1);
        QCOMPARE(remote.size(), 1);
        QCOMPARE(peer.size(), 1);

        QSignalSpy modeChanged(vm, &GuiViewModel::modeChanged);
        gui.operatingModeChanged(OperatingModes::DC);
        QCOMPARE(modeChanged.first().first().value<OperatingModes::OperatingMode>(), OperatingModes::DC);
    }

    // The file the operator chose on the stick leaves as a typed package, also to a
    // receiver on another thread.
    void chosenUpdateFileLeavesAsPackage()
    {
        UpdatePackage::registerMetaTypes();
        QTemporaryDir stick;
        QVERIFY(stick.isValid());
        const QString kernel = stick.filePath(QStringLiteral("kernel-1.2.ldr"));
        const QString software = stick.filePath(QStringLiteral("vlf-Software-4.2.1.tar"));
        for (const QString& path : {kernel, software}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        }

        Gui gui;
        QThread worker;
        QObject receiver;
        receiver.moveToThread(&worker);
        QList<updatePackage> received;
        QMutex lock;
        connect(&gui, &IGUI::performUpdate, &receiver, [&](updatePackage p) {
            QMutexLocker locked(&lock);
            received << p;
        });
        worker.start();
        emit gui.viewModel()->performUpdate(kernel);
        emit gui.viewModel()->performUpdate(software);
        // A file gone from the stick still reaches the update procedure, which refuses it.
        emit gui.viewModel()->performUpdate(stick.filePath(QStringLiteral("kernel-9.9.ldr")));
        QTRY_COMPARE_WITH_TIMEOUT(([&] { QMutexLocker locked(&lock); return received.size(); }()), 3, 5000);
        worker.quit();
        QVERIFY(worker.wait(5000));

        QCOMPARE(received[0].type, int(UpdatePackage::Kernel));
        QCOMPARE(received[0].file, QStringLiteral("kernel-1.2.ldr"));
        QCOMPARE(received[0].directory, QFileInfo(kernel).absolutePath());
        QCOMPARE(received[0].version, QStringLiteral("1.2.0"));
        QCOMPARE(received[1].type, int(UpdatePackage::SoftwarePackage));
        QCOMPARE(received[1].file, QFileInfo(software).absoluteFilePath());
        QCOMPARE(received[1].version, QStringLiteral("4.2.1"));
        QCOMPARE(received[2].type, int(UpdatePackage::Unknown));
        QVERIFY(received[2].directory.isEmpty());
    }

    // A main file that does not load ends the run with -1, and says why.
    void brokenMainFileExitsWithMinusOne()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile broken(dir.filePath(QStringLiteral("main.qml")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("import QtQuick 2.15\nItem { width: \n");
        broken.close();
        const QUrl url = QUrl::fromLocalFile(broken.fileName());

        m_log.clear();
        Gui gui(nullptr, url);
        gui.show();
        QCOMPARE(QCoreApplication::exec(), -1);
        const auto fatal = m_log.deliveredWhere([&](const LoggingData& d) {
            return d.category == CAT_FATAL && d.text.contains(url.toString());
        });
        QCOMPARE(fatal.size(), 1);
        const auto errors = m_log.deliveredWhere([](const LoggingData& d) {
            return d.category == CAT_WARN && d.text.contains(QLatin1String("main.qml:3"));
        });
        QVERIFY(!errors.isEmpty());
    }

    void mainWindowLoadsWithTheViewModel()
    {
        QmlWarnings::install()->take();
        Gui gui;
        gui.show();
        QTest::qWait(200);
        QCOMPARE(QmlWarnings::install()->take(), QStringList());
        QCOMPARE(gui.engine()->rootObjects().size(), 1);
        auto* window = qobject_cast<QQuickWindow*>(gui.engine()->rootObjects().first());
        QVERIFY(window);
        QCOMPARE(window->size(), QSize(800, 480));
        QCOMPARE(gui.engine()->rootContext()->contextProperty(QStringLiteral("guiViewModel")).value<QObject*>(),
                 gui.viewModel());
        QVERIFY(gui.engine()->rootContext()->contextProperty(QStringLiteral("chartDecorator")).value<QObject*>());
        QVERIFY(gui.engine()->rootContext()->contextProperty(QStringLiteral("emulator")).value<QObject*>() == nullptr);
    }
};

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    qputenv("QT_IM_MODULE", "qtvirtualkeyboard");
    QGuiApplication app(argc, argv);
    QmlWarnings::install();
    TstGui test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_gui.moc"
