#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

class TPOF;

// What the HV unit is still owed by the procedures that drove it: a stop lost with the
// link, and old values (gains, calibration) that a run could not give back. Lives as long
// as the link (its child), so nothing owed goes with a procedure released meanwhile.
// Written, the stop first, each time the link reports itself up again; the operator is
// told in the header that it went through, or once that it did not. What is still owed
// when the link goes (the program closing with the unit silent) is logged.
class OwedUnitWrites : public QObject {
    Q_OBJECT
public:
    // Writes old values to the unit on the link's thread; true when the unit took them.
    using Write = std::function<bool(TPOF&)>;

    explicit OwedUnitWrites(TPOF* pof);
    ~OwedUnitWrites() override;

    // The last stop did not go through (true) or did (false).
    void setStopOwed(bool owed);
    bool stopOwed() const;
    // Old values the unit is owed; what names them for the operator's log.
    void owe(QString const& what, Write write);
    // Anything owed, the stop included.
    bool owes() const;
    // What is owed, for the log.
    QStringList owed() const;

    // Writes everything owed in order, the stop first; stops at the first write that
    // fails. True when nothing is owed any more. On the link's thread.
    bool writeOwed();

private:
    struct Values {
        QString what;
        Write write;
    };

    void linkEvent(eAppEvent event);
    bool writeAll();

    TPOF* m_pof;
    mutable std::mutex m_mutex; // guards the two below; no write runs under it
    bool m_stopOwed = false;
    std::vector<Values> m_values;
    bool m_failureTold = false; // the operator knows it did not go through
};
