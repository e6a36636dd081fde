#pragma once

#include "fakes/SimulatedHVLink.h"

#include <QByteArray>
#include <QMetaObject>
#include <QThread>

// The HV link to the simulated unit on its own "POFThread", as in the instrument; the
// test drives it from outside. Needs vlf_hvsim.
struct HVLinkOnThread {
    SimulatedHVLink link;
    HvUnitSimulator& sim = link.sim;
    QThread thread;
    TPOF* pof = nullptr;

    // Starts unit and link; false when the unit does not start.
    bool start()
    {
        pof = link.start().release();
        if (!pof)
            return false;
        thread.setObjectName(QStringLiteral("POFThread"));
        pof->moveToThread(&thread);
        thread.start();
        return true;
    }

    void stop()
    {
        if (pof)
            onLink([this] {
                delete pof;
                return true;
            });
        pof = nullptr;
        thread.quit();
        thread.wait();
    }

    // Runs f on the link's thread and returns its result.
    template <typename F>
    auto onLink(F f) -> decltype(f())
    {
        decltype(f()) result {};
        QMetaObject::invokeMethod(pof, [&] { result = f(); }, Qt::BlockingQueuedConnection);
        return result;
    }

    // The command letters the unit received, in order.
    QByteArray letters() const
    {
        QByteArray out;
        for (const auto& c : sim.model().commandLog())
            out.append(c.letter);
        return out;
    }
};
