#include "hvsim/HvUnitSimulator.h"

#include "hvunit/POFCodec.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

namespace {
// Every other live process for which the test holds, as "pid (name)".
QStringList otherProcessesWhere(const std::function<bool(const QString& procDir)>& test)
{
    QStringList out;
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || !pid.at(0).isDigit() || !test(proc.filePath(pid)))
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
        out << QStringLiteral("%1 (%2)").arg(pid, name);
    }
    return out;
}

// Processes started to use this terminal: a program left running from an earlier run
// opens it again by that name as soon as the number is handed out anew.
QStringList startedFor(const QString& path)
{
    const QByteArray entry = "SERIAL_COMDEVICE=" + path.toLocal8Bit();
    return otherProcessesWhere([&entry](const QString& dir) {
        QFile env(dir + QStringLiteral("/environ"));
        return env.open(QIODevice::ReadOnly) && env.readAll().split('\0').contains(entry);
    });
}

bool isEchoFault(HvUnitSimulator::Fault f)
{
    using F = HvUnitSimulator::Fault;
    return f == F::NoEcho || f == F::WrongEcho || f == F::LateEcho || f == F::Silence;
}
} // namespace

HvUnitSimulator::HvUnitSimulator() : m_t0(std::chrono::steady_clock::now()) {}

HvUnitSimulator::~HvUnitSimulator() { stop(); }

qint64 HvUnitSimulator::elapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_t0)
        .count();
}

bool HvUnitSimulator::start()
{
    if (m_running)
        return true;
    termios raw {};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    char name[256] = {};
    for (int tries = 0;; ++tries) {
        if (openpty(&m_masterFd, &m_slaveFd, name, &raw, nullptr) < 0)
            return false;
        fcntl(m_masterFd, F_SETFD, FD_CLOEXEC);
        fcntl(m_slaveFd, F_SETFD, FD_CLOEXEC);
        m_slavePath = QString::fromLocal8Bit(name);
        const QStringList others = startedFor(m_slavePath);
        if (others.isEmpty() || tries == 8)
            break;
        // Kept open, so its number stays taken while we run, and never read.
        std::fprintf(stderr, "hvsim: %s is left to %s, which was started for it\n", name,
                     qPrintable(others.join(QStringLiteral(", "))));
        m_leftAlone.push_back(m_masterFd);
        m_leftAlone.push_back(m_slaveFd);
    }
    fcntl(m_masterFd, F_SETFL, fcntl(m_masterFd, F_GETFL) | O_NONBLOCK);
    // In packet mode the link's output flush, done only when it resets the line, shows.
    int on = 1;
    m_packetMode = ::ioctl(m_masterFd, TIOCPKT, &on) == 0;
    if (pipe2(m_wakePipe, O_NONBLOCK | O_CLOEXEC) < 0) {
        ::close(m_masterFd);
        ::close(m_slaveFd);
        m_masterFd = m_slaveFd = -1;
        return false;
    }
    m_running = true;
    m_thread = std::thread([this] { run(); });
    return true;
}

void HvUnitSimulator::stop()
{
    if (!m_running)
        return;
    m_running = false;
    const char c = 'q';
    (void)!::write(m_wakePipe[1], &c, 1);
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : { &m_masterFd, &m_slaveFd, &m_wakePipe[0], &m_wakePipe[1] }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    for (int fd : m_leftAlone)
        ::close(fd);
    m_leftAlone.clear();
}

QStringList HvUnitSimulator::otherHolders() const
{
    if (m_slavePath.isEmpty())
        return QStringList();
    return otherProcessesWhere([this](const QString& dir) {
        const QDir fds(dir + QStringLiteral("/fd"));
        for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (QFile::symLinkTarget(fds.filePath(fd)) == m_slavePath)
                return true;
        return false;
    });
}

void HvUnitSimulator::setFault(Fault fault, int count, int param)
{
    setFaultFor(0, fault, count, param);
}

void HvUnitSimulator::setFaultFor(char letter, Fault fault, int count, int param)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fault = count == 0 ? Fault::None : fault;
    m_faultCount = count;
    m_faultParam = param;
    m_faultLetter = letter;
}

bool HvUnitSimulator::faultActive(Fault f) const
{
    return m_fault == f && m_faultCount != 0;
}

void HvUnitSimulator::consumeFault()
{
    if (m_faultCount > 0 && --m_faultCount == 0)
        m_fault = Fault::None;
}

QList<HvUnitSimulator::Request> HvUnitSimulator::requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<Request> out = m_requests;
    if (m_inRequest)
        out.append({ m_current, m_currentStart, m_currentLast, false, m_currentAfterReset });
    return out;
}

QList<QByteArray> HvUnitSimulator::completeRequests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<QByteArray> out;
    for (const Request& r : m_requests)
        if (r.complete)
            out << r.bytes;
    return out;
}

QList<QByteArray> HvUnitSimulator::requestsOnce() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<QByteArray> out;
    bool reset = false; // since the last complete request
    for (const Request& r : m_requests) {
        reset = reset || r.afterReset;
        if (!r.complete)
            continue;
        if (!reset || out.isEmpty() || out.last() != r.bytes)
            out << r.bytes;
        reset = false;
    }
    return out;
}

void HvUnitSimulator::clearRequests()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
    m_inRequest = false;
}

bool HvUnitSimulator::waitForRequests(int n, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        int complete = 0;
        for (const Request& r : m_requests)
            complete += r.complete ? 1 : 0;
        return complete >= n;
    });
}

void HvUnitSimulator::overrideReplies(const QByteArray& raw, int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_override = raw;
    m_overrideCount = count;
}

void HvUnitSimulator::inject(const QByteArray& bytes)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_injected += bytes;
    }
    const char c = 'i';
    (void)!::write(m_wakePipe[1], &c, 1);
}

void HvUnitSimulator::queue(const QByteArray& bytes, qint64 delayMs, qint64 spreadMs)
{
    const qint64 now = elapsedMs();
    qint64 base = now + delayMs;
    if (!m_out.empty() && m_out.back().due > base)
        base = m_out.back().due;
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        const qint64 offset = (n > 1 && spreadMs > 0) ? spreadMs * i / (n - 1) : 0;
        m_out.push_back({ base + offset, bytes.at(i) });
    }
}

void HvUnitSimulator::flushDue()
{
    const qint64 now = elapsedMs();
    QByteArray chunk;
    while (!m_out.empty() && m_out.front().due <= now) {
        chunk.append(m_out.front().byte);
        m_out.pop_front();
    }
    int done = 0;
    while (done < chunk.size()) {
        const ssize_t w = ::write(m_masterFd, chunk.constData() + done, size_t(chunk.size() - done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd p { m_masterFd, POLLOUT, 0 };
                ::poll(&p, 1, 10);
                continue;
            }
            break; // nobody listens: drop
        }
        done += int(w);
    }
}

void HvUnitSimulator::onByte(char c)
{
    if (m_model.pendingFirmwareBytes() > 0) {
        m_model.firmwareByte(c);
        return;
    }
    const qint64 now = elapsedMs();
    Fault fault = Fault::None;
    int param = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (c == '>') {
            if (m_inRequest) // abandoned by the sender (wrong echo, time-out)
                m_requests.append({ m_current, m_currentStart, m_currentLast, false, m_currentAfterReset });
            m_inRequest = true;
            m_current = QByteArray(1, '>');
            m_currentAfterReset = std::exchange(m_lineReset, false);
            m_requestFault = Fault::None;
            m_requestParam = m_faultParam;
            if (m_faultLetter == 0 && isEchoFault(m_fault) && m_faultCount != 0) {
                m_requestFault = m_fault;
                if (m_requestFault != Fault::WrongEcho)
                    consumeFault();
            }
            m_currentStart = now;
        } else if (m_inRequest) {
            m_current.append(c);
            if (m_current.size() == 2 && m_faultLetter != 0 && c == m_faultLetter && isEchoFault(m_fault)
                && m_faultCount != 0) {
                m_requestFault = m_fault;
                m_requestParam = m_faultParam;
                if (m_requestFault != Fault::WrongEcho)
                    consumeFault();
            }
        }
        m_currentLast = now;
        fault = m_inRequest ? m_requestFault
                            : (m_faultLetter == 0 && isEchoFault(m_fault) && m_faultCount != 0 ? m_fault : Fault::None);
        param = m_inRequest ? m_requestParam : m_faultParam;
        if (fault == Fault::WrongEcho && m_inRequest && m_current.size() - 1 == param) {
            consumeFault();
            m_requestFault = Fault::None;
        } else if (fault == Fault::WrongEcho) {
            fault = Fault::None;
        }
    }
    switch (fault) {
    case Fault::Silence:
    case Fault::NoEcho:
        break;
    case Fault::LateEcho:
        queue(QByteArray(1, c), param);
        break;
    case Fault::WrongEcho:
        queue(QByteArray(1, char(c == 'Z' ? 'Y' : 'Z')));
        break;
    default:
        queue(QByteArray(1, c));
        break;
    }
    if (c == '.' && m_inRequest)
        finishRequest();
}

void HvUnitSimulator::finishRequest()
{
    const QByteArray request = m_current;
    const Fault echoFault = m_requestFault;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inRequest = false;
        m_requests.append({ request, m_currentStart, elapsedMs(), true, m_currentAfterReset });
    }
    m_cond.notify_all();
    if (echoFault == Fault::Silence)
        return;

    QByteArray data;
    if (!m_model.handle(request, data))
        return;

    Fault fault = Fault::None;
    int param = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_overrideCount != 0) {
            if (m_overrideCount > 0)
                --m_overrideCount;
            queue(m_override);
            return;
        }
        if (m_fault != Fault::None && !isEchoFault(m_fault) && m_faultCount != 0
            && (m_faultLetter == 0 || m_faultLetter == request.at(1))) {
            fault = m_fault;
            param = m_faultParam;
            consumeFault();
        }
    }
    char letter = request.at(1);
    if (fault == Fault::WrongLetter)
        letter = char(letter == 'W' ? 'V' : 'W');
    if (fault == Fault::WrongLength)
        data.append('0');
    quint16 crc = POFCodec::crc16(data.constData(), data.size());
    if (fault == Fault::BadCrc)
        crc = quint16(crc + 1);
    QByteArray crcText(4, '0');
    POFCodec::valueToHex(crc, crcText.data(), 4);

    QByteArray frame;
    frame += '<';
    frame += letter;
    if (fault == Fault::SecondStart) {
        frame += data.left(data.size() / 2);
        frame += '<';
        frame += data.mid(data.size() / 2);
    } else {
        frame += data;
    }
    frame += crcText;
    frame += '.';

    switch (fault) {
    case Fault::NoiseBeforeStart:
        queue(QByteArrayLiteral("\x01\xff" "garbage 12AB\r\n") + frame);
        break;
    case Fault::Trickle:
        queue(frame, 0, param > 0 ? param : 3300);
        break;
    case Fault::GapMidFrame:
        queue(frame.left(frame.size() / 2));
        queue(frame.mid(frame.size() / 2), param > 0 ? param : 500);
        break;
    default:
        queue(frame);
        break;
    }
}

void HvUnitSimulator::run()
{
    // The unit echoes every byte at once and the link allows it only tens of ms. On a busy
    // machine an ordinary thread may wait longer than that for a core, so the simulator
    // takes a real-time priority where the process may have one. It blocks in poll and
    // does microseconds of work per byte, so it cannot starve anything.
    sched_param param {};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        std::fprintf(stderr, "HvUnitSimulator: no real-time priority, echoes may be late on a busy machine\n");

    char buf[512];
    while (m_running) {
        int timeout = -1;
        if (!m_out.empty())
            timeout = int(qMax<qint64>(0, m_out.front().due - elapsedMs()));
        pollfd p[2] = { { m_masterFd, POLLIN | POLLPRI, 0 }, { m_wakePipe[0], POLLIN, 0 } };
        const int r = ::poll(p, 2, timeout);
        if (r < 0 && errno != EINTR)
            break;
        if (p[1].revents & POLLIN) {
            while (::read(m_wakePipe[0], buf, sizeof buf) > 0) {
            }
        }
        if (!m_running)
            break;
        QByteArray injected;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            injected.swap(m_injected);
        }
        if (!injected.isEmpty())
            queue(injected);
        if (p[0].revents & POLLIN) {
            const ssize_t n = ::read(m_masterFd, buf, sizeof buf);
            // In packet mode a read brings either data behind a zero byte or flush flags.
            const ssize_t first = m_packetMode ? 1 : 0;
            if (m_packetMode && n > 0 && buf[0] != TIOCPKT_DATA)
                m_lineReset = m_lineReset || (buf[0] & TIOCPKT_FLUSHWRITE);
            else
                for (ssize_t i = first; i < n; ++i)
                    onByte(buf[i]);
        } else if (p[0].revents & (POLLHUP | POLLERR)) {
            ::usleep(10000);
        }
        flushDue();
    }
}
