#pragma once

#include "hvsim/HvUnitModel.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// A simulated HV unit on a pseudo-terminal. The link under test opens the slave side
// (its path is slavePath()); the simulator answers on the master side from its own
// thread: every received byte is echoed at once, a read request is answered right
// after its final '.' with '<', letter, data, CRC and '.', a write gets no reply.
// Faults can be switched on to test the link's error paths.
class HvUnitSimulator {
public:
    enum class Fault {
        None,
        NoEcho,           // request bytes are not echoed (the request is still taken)
        WrongEcho,        // the echo of byte `param` (0 = '>') is wrong
        LateEcho,         // every echo byte is delayed by `param` ms
        WrongLetter,      // reply carries another command letter
        BadCrc,           // reply checksum is off by one
        WrongLength,      // reply has one data character more (checksum over it is right)
        NoiseBeforeStart, // junk precedes '<'
        SecondStart,      // a second '<' inside the frame
        Trickle,          // reply trickles so its '.' arrives after `param` ms (default 3300)
        GapMidFrame,      // pause of `param` ms in the middle of the reply
        Silence,          // neither echo nor reply
    };

    struct Request {
        QByteArray bytes;    // from '>' to '.' (or as far as it came)
        qint64 startMs = 0;  // time of '>' since the simulator started
        qint64 endMs = 0;    // time of '.' (or of the next '>' that abandoned it)
        bool complete = false;
        bool afterReset = false; // the link reset the line (closed and reopened it) before it
    };

    HvUnitSimulator();
    ~HvUnitSimulator();
    HvUnitSimulator(const HvUnitSimulator&) = delete;
    HvUnitSimulator& operator=(const HvUnitSimulator&) = delete;

    // Takes a terminal no other live process was started for (SERIAL_COMDEVICE).
    bool start();
    void stop();
    bool isRunning() const { return m_running; }
    QString slavePath() const { return m_slavePath; }
    int slaveFd() const { return m_slaveFd; }
    HvUnitModel& model() { return m_model; }
    // Other processes holding the line open ("pid (name)"): a program left running with
    // the path of an earlier terminal writes into this one once its number is reused.
    QStringList otherHolders() const;

    // The fault hits the next `count` requests (-1: until cleared). Echo faults count
    // request starts ('>'), reply faults count answered reads.
    void setFault(Fault fault, int count = -1, int param = 0);
    // As setFault, but only requests with this command letter are hit (echo faults
    // then start at the letter, the '>' is echoed normally).
    void setFaultFor(char letter, Fault fault, int count = -1, int param = 0);
    // The next n requests get neither echo nor reply.
    void failNext(int n) { setFault(Fault::Silence, n); }
    // The next n requests with this letter get neither echo nor reply; the link tries a
    // command three times, so 3 fails one command whole.
    void failCommand(char letter, int n = 3) { setFaultFor(letter, Fault::Silence, n); }
    void clearFault() { setFault(Fault::None); }

    // The next `count` read replies (-1: until cleared) are replaced by these raw bytes.
    void overrideReplies(const QByteArray& raw, int count = 1);

    // Raw bytes onto the line towards the link (tests of its receiver).
    void inject(const QByteArray& bytes);

    QList<Request> requests() const;
    // Complete requests only, as text.
    QList<QByteArray> completeRequests() const;
    // As completeRequests, but one the link sent again after resetting the line counts
    // once: the unit took it, yet its echo or reply reached the link late.
    QList<QByteArray> requestsOnce() const;
    void clearRequests();
    // Waits until at least n complete requests were recorded.
    bool waitForRequests(int n, int timeoutMs) const;
    qint64 elapsedMs() const;

private:
    void run();
    void onByte(char c);
    void finishRequest();
    void queue(const QByteArray& bytes, qint64 delayMs = 0, qint64 spreadMs = 0);
    void flushDue();
    bool faultActive(Fault f) const;
    void consumeFault();

    HvUnitModel m_model;
    int m_masterFd = -1;
    int m_slaveFd = -1;
    int m_wakePipe[2] = { -1, -1 };
    std::vector<int> m_leftAlone; // terminals another process was started for
    QString m_slavePath;
    std::thread m_thread;
    std::atomic<bool> m_running { false };

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    Fault m_fault = Fault::None;
    int m_faultCount = 0;
    int m_faultParam = 0;
    char m_faultLetter = 0;
    QList<Request> m_requests;
    QByteArray m_injected;
    QByteArray m_override;
    int m_overrideCount = 0;

    // Written by the I/O thread under m_mutex.
    bool m_inRequest = false;
    QByteArray m_current;
    qint64 m_currentStart = 0;
    qint64 m_currentLast = 0;
    bool m_currentAfterReset = false;

    // I/O thread only.
    struct Out {
        qint64 due;
        char byte;
    };
    std::deque<Out> m_out;
    bool m_packetMode = false; // the master reports the link's flushes
    bool m_lineReset = false;  // since the last request start
    Fault m_requestFault = Fault::None;
    int m_requestParam = 0;
    std::chrono::steady_clock::time_point m_t0;
};
