#include "hvsim/HvUnitSimulator.h"
#include "fakes/LogCapture.h"
#include "hvunit/TSerial.h"
#include "fakes/TempRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <termios.h>
#include <unistd.h>

using Fault = HvUnitSimulator::Fault;

class TestTSerial : public QObject {
    Q_OBJECT

    HvUnitSimulator sim;

    static int openDescriptors()
    {
        return QDir(QStringLiteral("/proc/self/fd"))
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    }

    // For a send that only sets a case up: on a busy machine an echo can miss its 30 ms,
    // and the line's own resend covers that as it does for the program.
    static constexpr int kResendMs = 2000;

    static void drain(TSerial& s)
    {
        QTest::qWait(20);
        tcflush(s.descriptor(), TCIFLUSH);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(sim.start());
        qputenv("SERIAL_COMDEVICE", sim.slavePath().toLocal8Bit());
    }

    void init()
    {
        sim.clearFault();
        sim.clearRequests();
        sim.model().reset();
    }

    void portIsConfiguredRaw115200_8N1()
    {
        // Start from a cooked, slow, 7E2 line so every change is visible.
        termios t {};
        QCOMPARE(tcgetattr(sim.slaveFd(), &t), 0);
        t.c_lflag |= ICANON | ECHO | ECHOE | ISIG;
        t.c_oflag |= ONLCR;
        t.c_cflag &= ~(CSIZE | CLOCAL);
        t.c_cflag |= CS7 | PARENB | CSTOPB;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        const tcflag_t iflagBefore = t.c_iflag | IXON;
        t.c_iflag = iflagBefore;
        QCOMPARE(tcsetattr(sim.slaveFd(), TCSANOW, &t), 0);

        TSerial s;
        QVERIFY(s.descriptor() >= 0);
        termios r {};
        QCOMPARE(tcgetattr(sim.slaveFd(), &r), 0);
        QCOMPARE(cfgetispeed(&r), speed_t(B115200));
        QCOMPARE(cfgetospeed(&r), speed_t(B115200));
        QCOMPARE(r.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(r.c_cflag & PARENB));
        QVERIFY(!(r.c_cflag & CSTOPB));
        QVERIFY(r.c_cflag & CREAD);
        QVERIFY(r.c_cflag & CLOCAL);
        QVERIFY(!(r.c_lflag & (ICANON | ECHO | ECHOE | ISIG)));
        QVERIFY(!(r.c_oflag & ONLCR));
        QCOMPARE(r.c_iflag, iflagBefore); // input flags stay as the driver has them

        cfmakeraw(&r);
        tcsetattr(sim.slaveFd(), TCSANOW, &r);
    }

    void deviceFromEnvironmentElseDefaultBelowRoot()
    {
        QCOMPARE(TSerial::devicePath(), sim.slavePath());
        {
            TSerial s;
            QCOMPARE(s.SendString(">W.", 3, kResendMs), 3);
        }
        QVERIFY(sim.waitForRequests(1, 1000));
        QCOMPARE(sim.completeRequests().count(">W."), sim.completeRequests().size());
        sim.clearRequests();
        TempRoot root;
        QVERIFY(root.mkdir("/dev"));
        QVERIFY(QFile::link(sim.slavePath(), root.path("/dev/ttyUSB0")));
        const QByteArray saved = qgetenv("SERIAL_COMDEVICE");
        qunsetenv("SERIAL_COMDEVICE");
        QCOMPARE(TSerial::devicePath(), root.path("/dev/ttyUSB0"));
        {
            TSerial s;
            QVERIFY(s.descriptor() >= 0);
            QCOMPARE(s.SendString(">W.", 3, kResendMs), 3);
        }
        qputenv("SERIAL_COMDEVICE", saved);
        QVERIFY(sim.waitForRequests(1, 1000));
        QCOMPARE(sim.completeRequests().count(">W."), sim.completeRequests().size());
    }

    void missingDeviceFailsWithoutCrash()
    {
        LogCapture log;
        const QByteArray saved = qgetenv("SERIAL_COMDEVICE");
        QTemporaryDir dir;
        qputenv("SERIAL_COMDEVICE", (dir.path() + "/none").toLocal8Bit());
        {
            TSerial s;
            QCOMPARE(s.descriptor(), -1);
            QVERIFY(s.SendString(">W.", 3, 0) < 0);
            char buf[8];
            QCOMPARE(s.ReceiveString(buf, 0), int(TSerial::BadArgument));
            // Every retry resets the line; the failure is logged once, not per retry.
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < 3; ++i)
                s.ResetHVCcom(clock);
            QCOMPARE(log.delivered(QStringLiteral(
                                       "Unable to reinitialize serial port interface after communication error"))
                         .size(),
                     1);
        }
        qputenv("SERIAL_COMDEVICE", saved);
    }

    void sendStringChecksArgumentsAndEcho()
    {
        TSerial s;
        QCOMPARE(s.SendString(nullptr, 3, 0), int(TSerial::BadArgument));
        QCOMPARE(s.SendString(">W.", 0, 0), int(TSerial::BadArgument));
        QCOMPARE(s.SendString(">W.", -1, 0), int(TSerial::BadArgument));
        QCOMPARE(s.SendString(">K0C.", 5, kResendMs), 5);
        QVERIFY(sim.waitForRequests(1, 1000));
        QCOMPARE(sim.completeRequests().value(0), QByteArray(">K0C."));
    }

    void wrongEchoResendsFromStartAfterReset()
    {
        TSerial s;
        sim.setFault(Fault::WrongEcho, 1, 3);
        QCOMPARE(s.SendString(">K0C.", 5, 1000), 5);
        const auto reqs = sim.requests();
        QCOMPARE(reqs.size(), 2);
        QCOMPARE(reqs[0].bytes, QByteArray(">K0C"));
        QVERIFY(!reqs[0].complete);
        QCOMPARE(reqs[1].bytes, QByteArray(">K0C."));
        QVERIFY(reqs[1].complete);
        QVERIFY2(reqs[1].startMs - reqs[0].endMs >= 59,
                 qPrintable(QString::number(reqs[1].startMs - reqs[0].endMs)));
    }

    void wrongEchoWithoutTimeoutIsOnePass()
    {
        TSerial s;
        sim.setFault(Fault::WrongEcho, 1, 1);
        QCOMPARE(s.SendString(">W.", 3, 0), int(TSerial::LineError));
        QTest::qWait(50);
        QCOMPARE(sim.requests().size(), 1);
        QVERIFY(sim.completeRequests().isEmpty());
    }

    void missingOrLateEchoIsNoEcho()
    {
        TSerial s;
        sim.setFault(Fault::NoEcho);
        QElapsedTimer t;
        t.start();
        QCOMPARE(s.SendString(">W.", 3, 0), int(TSerial::NoEcho));
        QVERIFY(t.elapsed() >= 30 + 60);
        sim.setFault(Fault::LateEcho, -1, 80);
        QCOMPARE(s.SendString(">W.", 3, 0), int(TSerial::NoEcho));
        sim.clearFault();
        QTest::qWait(150);
        QCOMPARE(s.SendString(">W.", 3, kResendMs), 3);
    }

    void receiveDropsNoiseAndSecondStart()
    {
        TSerial s;
        drain(s);
        char buf[64];
        sim.inject("noise\r\n>.<W1234<5678.");
        const int n = s.ReceiveString(buf, sizeof buf);
        QCOMPARE(n, 9);
        QCOMPARE(QByteArray(buf, n), QByteArray("W12345678"));
    }

    void receiveSurvivesShortGapMidFrame()
    {
        TSerial s;
        sim.setFault(Fault::GapMidFrame, -1, 15); // a resent request's reply too
        QCOMPARE(s.SendString(">W.", 3, kResendMs), 3);
        char buf[64];
        const int n = s.ReceiveString(buf, sizeof buf);
        QCOMPARE(n, 13);
        QCOMPARE(buf[0], 'W');
    }

    void receiveFrameSizeLimits()
    {
        TSerial s;
        drain(s);
        char buf[8];
        sim.inject("<1234567.");
        QCOMPARE(s.ReceiveString(buf, sizeof buf), 7);
        QCOMPARE(QByteArray(buf, 7), QByteArray("1234567"));
        sim.inject("<12345678.");
        QCOMPARE(s.ReceiveString(buf, sizeof buf), int(TSerial::Overflow));
        drain(s);
        char one[1];
        sim.inject("<.");
        QCOMPARE(s.ReceiveString(one, 1), 0);
        sim.inject("<<x.");
        QCOMPARE(s.ReceiveString(one, 1), int(TSerial::Overflow));
        QCOMPARE(s.ReceiveString(nullptr, 5), int(TSerial::BadArgument));
    }

    void garbageNeverOverrunsTheBuffer()
    {
        TSerial s;
        QRandomGenerator rng(1234);
        char buf[32];
        for (int round = 0; round < 30; ++round) {
            drain(s);
            QByteArray junk;
            const int len = 1 + int(rng.bounded(400));
            for (int i = 0; i < len; ++i)
                junk.append(char(rng.bounded(256)));
            junk.append("<.");
            // Guard bytes behind the buffer catch any write past its end.
            char guarded[sizeof buf + 8];
            memset(guarded, 0x5A, sizeof guarded);
            sim.inject(junk);
            const int n = s.ReceiveString(guarded, int(sizeof buf));
            QVERIFY(n < int(sizeof buf));
            for (size_t i = sizeof buf; i < sizeof guarded; ++i)
                QCOMPARE(guarded[i], char(0x5A));
        }
    }

    void trickledFrameAndSilenceTimeOut()
    {
        TSerial s;
        sim.setFault(Fault::Trickle, 1, 3300);
        QCOMPARE(s.SendString(">W.", 3, kResendMs), 3);
        char buf[64];
        QElapsedTimer t;
        t.start();
        QCOMPARE(s.ReceiveString(buf, sizeof buf), int(TSerial::NoEcho));
        QVERIFY(t.elapsed() >= 2999);
        QVERIFY2(t.elapsed() < 4500, qPrintable(QString::number(t.elapsed())));
        QTest::qWait(500); // rest of the trickle
        drain(s);
        sim.inject(QByteArray(3000, 'x')); // noise without a frame
        t.restart();
        QCOMPARE(s.ReceiveString(buf, sizeof buf), int(TSerial::NoEcho));
        QVERIFY(t.elapsed() >= 2999);
        QVERIFY2(t.elapsed() < 4500, qPrintable(QString::number(t.elapsed())));
    }

    void lineResetsLeaveNoDescriptorBehind()
    {
        const int before = openDescriptors();
        QVERIFY(before > 0);
        {
            TSerial s;
            // Every failed pass closes and reopens the line.
            sim.setFault(Fault::NoEcho);
            QCOMPARE(s.SendString(">W.", 3, 400), int(TSerial::NoEcho));
            sim.clearFault();
            char buf[8];
            sim.inject("<123456789.");
            QCOMPARE(s.ReceiveString(buf, sizeof buf), int(TSerial::Overflow));
            QVERIFY(s.descriptor() >= 0);
            QCOMPARE(openDescriptors(), before + 1);
        }
        QCOMPARE(openDescriptors(), before);

        // A second simulated unit comes and goes without a trace as well.
        {
            HvUnitSimulator other;
            QVERIFY(other.start());
            QVERIFY(openDescriptors() > before);
            other.stop();
        }
        QCOMPARE(openDescriptors(), before);
    }

    void sendFileStreamsRawBytes()
    {
        QTemporaryDir dir;
        QByteArray image;
        for (int i = 0; i < 1000; ++i)
            image.append(char(i * 7));
        QFile f(dir.path() + "/fw.bin");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(image);
        f.close();

        TSerial s;
        QCOMPARE(s.SendString(">p01000003E8DEADBEEF.", 21, kResendMs), 21);
        QVERIFY(s.SendFile(f.fileName(), 1000));
        QTRY_COMPARE_WITH_TIMEOUT(sim.model().firmwareImage(), image, 3000);

        // One byte short of what the caller expects: all is sent, the result is false.
        sim.model().reset();
        QCOMPARE(s.SendString(">p01000003E8DEADBEEF.", 21, kResendMs), 21);
        QVERIFY(f.resize(999));
        QVERIFY(!s.SendFile(f.fileName(), 1000));
        QTRY_COMPARE_WITH_TIMEOUT(sim.model().firmwareImage(), image.left(999), 3000);
        sim.model().reset();

        QVERIFY(!s.SendFile(dir.path() + "/missing.bin", 10));
    }
};

QTEST_GUILESS_MAIN(TestTSerial)
#include "tst_TSerial.moc"
