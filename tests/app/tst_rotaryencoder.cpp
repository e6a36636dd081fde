#include "app/InputEventReader.h"
#include "app/RotaryEncoder.h"
#include "core/FsRoot.h"
#include "fakes/QmlWarnings.h"
#include "fakes/RecordingGui.h"
#include "fakes/TempRoot.h"
#include "core/GlobalFuncs.h"
#include "gui/QmlTypes.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QtTest>

#include <linux/input.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kDevice = "/dev/input/by-path/test-encoder-event";

QByteArray record(quint16 type, quint16 code, qint32 value)
{
    input_event ev{};
    ev.type = type;
    ev.code = code;
    ev.value = value;
    return QByteArray(reinterpret_cast<const char*>(&ev), sizeof(ev));
}

QByteArray turn(int steps) { return record(EV_REL, REL_X, steps) + record(EV_SYN, SYN_REPORT, 0); }
QByteArray push()
{
    return record(EV_KEY, KEY_ENTER, 1) + record(EV_SYN, SYN_REPORT, 0) + record(EV_KEY, KEY_ENTER, 0)
           + record(EV_SYN, SYN_REPORT, 0);
}

// A page of three buttons in one navigation, as the pages build it.
const char* const kPage = R"(
import QtQuick 2.15
import QtQuick.Window 2.15
import Vlf.Controls 1.0
Window {
    id: win
    width: 400; height: 200; visible: true
    property int presses: 0
    property int dblPresses: 0
    property string lastPressed: ""
    VlfNavigation {
        id: nav
        objectName: "nav"
        anchors.fill: parent
        focus: true
        dblClickTime: 400
        Row {
            id: row
            VlfButton { objectName: "b0"; text: "A"; onClicked: { win.presses++; win.lastPressed = objectName } }
            VlfButton { id: b1; objectName: "b1"; text: "B"; onClicked: { win.presses++; win.lastPressed = objectName }
                        Connections { target: b1.vlfNavigationClient; function onKnobDblPressed() { win.dblPresses++ } } }
            VlfButton { objectName: "b2"; text: "C"; onClicked: { win.presses++; win.lastPressed = objectName } }
        }
        Component.onCompleted: { addNavElementsFrom(row); jumpToIndex(0, false) }
    }
}
)";
} // namespace

class TestRotaryEncoder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_warnings = QmlWarnings::install();
        registerQmlTypes();
    }

    void init()
    {
        m_root = std::make_unique<TempRoot>();
        FsRoot::setRoot(m_root->root());
        QVERIFY(m_root->mkdir(QStringLiteral("/dev/input/by-path")));
        QCOMPARE(::mkfifo(m_root->path(QString::fromLatin1(kDevice)).toLocal8Bit().constData(), 0600), 0);
        GlobalFuncs::setGUI(&m_gui);
    }

    void cleanup()
    {
        if (m_writer >= 0)
            ::close(m_writer);
        m_writer = -1;
        GlobalFuncs::setGUI(nullptr);
        m_root.reset();
    }

    // Turns and presses move the focus on a page and press the focused control.
    void turnsAndPressesDriveTheNavigation()
    {
        QQmlApplicationEngine engine;
        engine.addImportPath(QStringLiteral(":/"));
        engine.loadData(kPage);
        QCOMPARE(engine.rootObjects().size(), 1);
        auto* window = qobject_cast<QQuickWindow*>(engine.rootObjects().first());
        QVERIFY(window);
        window->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto focusedName = [window]() {
            QQuickItem* item = window->activeFocusItem();
            return item ? item->objectName() : QString();
        };
        QTRY_COMPARE(focusedName(), QStringLiteral("b0"));

        RotaryEncoder encoder(QString::fromLatin1(kDevice));
        QVERIFY(encoder.start());
        QSignalSpy keys(&m_gui, &IGUI::keyPressDetected);
        openWriter();

        write(turn(1));
        QTRY_COMPARE(focusedName(), QStringLiteral("b1"));
        QCOMPARE(keys.size(), 2);
        QCOMPARE(keys.at(0), (QVariantList{int(Qt::Key_Right), true}));
        QCOMPARE(keys.at(1), (QVariantList{int(Qt::Key_Right), false}));

        write(turn(2));
        QTRY_COMPARE(focusedName(), QStringLiteral("b0")); // two steps right wrap round
        write(turn(-1));
        QTRY_COMPARE(focusedName(), QStringLiteral("b2"));

        // A record split over two writes is put together again.
        const QByteArray left = turn(-1);
        write(left.left(5));
        QTest::qWait(50);
        write(left.mid(5));
        QTRY_COMPARE(focusedName(), QStringLiteral("b1"));

        // A single press acts once the double-click time is over.
        write(push());
        QTRY_COMPARE(window->property("presses").toInt(), 1);
        QCOMPARE(window->property("lastPressed").toString(), QStringLiteral("b1"));

        // Two presses within it make one double press and no single one.
        write(push() + push());
        QTRY_COMPARE(window->property("dblPresses").toInt(), 1);
        QTest::qWait(600);
        QCOMPARE(window->property("presses").toInt(), 1);
        QCOMPARE(window->property("dblPresses").toInt(), 1);
        QVERIFY2(m_warnings->take().isEmpty(), "QML warnings");
    }

    // Garbage, unknown records, auto-repeat and a vanished device change nothing and do not spin.
    void badInputAndLostDevice()
    {
        RotaryEncoder encoder(QString::fromLatin1(kDevice));
        encoder.reader()->setRetryInterval(100);
        QVERIFY(encoder.start());
        QSignalSpy keys(&m_gui, &IGUI::keyPressDetected);
        openWriter();

        QByteArray garbage;
        for (int i = 0; i < int(sizeof(input_event)) * 3; ++i)
            garbage.append(char(0xA5 ^ (i * 37)));
        write(garbage);
        write(record(EV_ABS, ABS_X, 5) + record(EV_REL, REL_HWHEEL, 1) + record(EV_KEY, KEY_A, 1)
              + record(EV_KEY, KEY_ENTER, 2) + record(EV_MSC, MSC_SCAN, 7));
        write(turn(1000)); // a runaway count is bounded
        QTRY_COMPARE(keys.size(), 20);

        // The writer goes away with half a record sent: the device counts as lost.
        write(turn(1).left(7));
        ::close(m_writer);
        m_writer = -1;
        QTRY_VERIFY(!encoder.reader()->isOpen());
        // It is looked for again and used once it is back.
        QTRY_VERIFY(encoder.reader()->isOpen());
        openWriter();
        keys.clear();
        write(turn(1));
        QTRY_COMPARE(keys.size(), 2);
        QCOMPARE(keys.at(0).at(0).toInt(), int(Qt::Key_Right));

        // A device that is not there at all: logged, retried, never opened.
        InputEventReader missing(QStringLiteral("/dev/input/by-path/none"));
        missing.setRetryInterval(20);
        QVERIFY(!missing.start());
        QTest::qWait(100);
        QVERIFY(!missing.isOpen());
        // A device that never runs dry leaves the thread its other events.
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_root->path(QStringLiteral("/dev/input/by-path/zero"))));
        InputEventReader zero(QStringLiteral("/dev/input/by-path/zero"));
        QVERIFY(zero.start());
        bool ticked = false;
        QTimer::singleShot(0, [&ticked] { ticked = true; });
        QTRY_VERIFY(ticked);
    }

private:
    void openWriter()
    {
        m_writer = ::open(m_root->path(QString::fromLatin1(kDevice)).toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(m_writer >= 0);
    }
    void write(const QByteArray& bytes)
    {
        QCOMPARE(::write(m_writer, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }

    std::unique_ptr<TempRoot> m_root;
    RecordingGui m_gui;
    QmlWarnings* m_warnings = nullptr;
    int m_writer = -1;
};

QTEST_MAIN(TestRotaryEncoder)
#include "tst_rotaryencoder.moc"
