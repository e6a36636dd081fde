#pragma once

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <cxxabi.h>
#include <execinfo.h>

#include <cstdlib>

// Watches the GUI thread for nested event loops: the first event a loop started inside
// another one delivers names the loop's site, the program's functions that started it
// (innermost first). A site of the short list below is told as allowed; any other is told
// as a critical message, on which every test of the suite fails. The test's own waits
// (QSignalSpy::wait) are not the program's. Symbols need the test linked with its exports
// (ENABLE_EXPORTS).
class NestedLoopWatch : public QObject {
public:
    // The nested loops the program still has, each with why it stays.
    struct Allowed {
        const char* site;
        const char* why;
    };
    static constexpr Allowed kAllowed[] = {
        {"UpdateManager::", "an update writes flash and reboots; its waits stay until it is a flow of steps"},
        {"TCheckSafetyCircuit::setHV_On", "HV on waits 50 ms for the line while the poll may pull it down again"},
        // The same wait: setHV_On ends in it, so its frame is gone (a tail call).
        {"GlobalFuncs::waitMs < Application::updateHvEnable", "HV on's 50 ms wait, reached from the HV-enable rule"},
    };

    NestedLoopWatch() { QCoreApplication::instance()->installEventFilter(this); }
    ~NestedLoopWatch() override { QCoreApplication::instance()->removeEventFilter(this); }

    // The sites seen that are not allowed.
    QStringList refused() const { return m_refused; }

    bool eventFilter(QObject*, QEvent*) override
    {
        QThread* thread = QThread::currentThread();
        if (thread != QCoreApplication::instance()->thread())
            return false;
        const int level = thread->loopLevel();
        if (level > m_level)
            noteLoop();
        m_level = level;
        return false;
    }

private:
    static QString demangled(const char* line)
    {
        // "binary(_ZN3Foo3barEv+0x12) [0x...]"
        QString text = QString::fromLocal8Bit(line);
        const int open = text.indexOf(QLatin1Char('('));
        const int plus = text.indexOf(QLatin1Char('+'), open);
        if (open < 0 || plus <= open + 1)
            return QString();
        const QByteArray mangled = text.mid(open + 1, plus - open - 1).toLatin1();
        int status = 0;
        char* name = abi::__cxa_demangle(mangled.constData(), nullptr, nullptr, &status);
        const QString out = status == 0 && name ? QString::fromLatin1(name) : QString::fromLatin1(mangled);
        std::free(name);
        return out;
    }

    void noteLoop()
    {
        void* frames[64];
        const int count = backtrace(frames, 64);
        char** lines = backtrace_symbols(frames, count);
        if (!lines)
            return;
        QStringList names;
        for (int i = 0; i < count; ++i)
            names << demangled(lines[i]);
        std::free(lines);
        // The innermost loop and what started it.
        int exec = -1;
        for (int i = 0; i < names.size() && exec < 0; ++i)
            if (names.at(i).startsWith(QLatin1String("QEventLoop::exec")))
                exec = i;
        if (exec < 0)
            return;
        QStringList site;
        for (int i = exec + 1; i < names.size() && site.size() < 3; ++i) {
            const QString& n = names.at(i);
            if (n.startsWith(QLatin1String("QTestEventLoop")) || n.startsWith(QLatin1String("QSignalSpy::wait")))
                return; // the test waits
            if (n.isEmpty() || n.startsWith(QLatin1Char('Q')) || n.startsWith(QLatin1String("std::"))
                || n.startsWith(QLatin1String("void std::")) || n.startsWith(QLatin1String("_Z"))
                || n.startsWith(QLatin1String("g_"))) // the event loop's own glib frames
                continue;
            site << n.section(QLatin1Char('('), 0, 0);
        }
        // The test's own screenshots and waits are not the program's.
        if (site.isEmpty() || site.first().startsWith(QLatin1String("ProgramWindow::"))
            || site.first().startsWith(QLatin1String("Tst")))
            return;
        const QString text = site.join(QLatin1String(" < "));
        if (m_sites.contains(text))
            return;
        m_sites.insert(text);
        for (const Allowed& a : kAllowed) {
            if (text.contains(QLatin1String(a.site))) {
                qInfo().noquote() << QStringLiteral("Nested event loop allowed at %1: %2").arg(text, QLatin1String(a.why));
                return;
            }
        }
        m_refused << text;
        qCritical().noquote() << QStringLiteral("Nested event loop on the GUI thread at %1").arg(text);
    }

    int m_level = 0;
    QSet<QString> m_sites;
    QStringList m_refused;
};
