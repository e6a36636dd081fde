#pragma once

#include "hvunit/TPOF.h"

#include "datamodel/InstrumentTypes.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUuid>

#include <mutex>
#include <optional>
#include <vector>

// What the HV unit is still owed by the procedures that drove it: a stop lost with the
// link, and old values (gains, calibration) that a run could not give back. Lives as long
// as the link (its child), so nothing owed goes with a procedure released meanwhile.
// Written, the stop first, each time the link reports itself up again, and while the link
// is up and the instrument idle (no test, no procedure) as soon as the unit is not busy;
// old values only to the unit they were read from. While values are owed the header says
// so; the operator is told when they went through. Values owed are kept in a file, so a
// program closed meanwhile writes them at its next start to that unit, and says another
// unit's calibration may be wrong; what is still owed when the link goes is logged.
class OwedUnitWrites : public QObject {
    Q_OBJECT
public:
    // Old values to give back, written in this order: the gains, then the parameters.
    struct Values {
        QString what; // names them for the log
        QString told; // what the operator was told of them; the header shows it while owed
        std::optional<stGainCalibration> gains;
        QList<QPair<eHVUnitParamType, quint64>> parameters;
    };

    explicit OwedUnitWrites(TPOF* pof);
    ~OwedUnitWrites() override;

    // Keeps the values owed in this file (written whole, then renamed) and takes over
    // those it holds. Before the link is used.
    void keepIn(QString const& path);

    // The last stop did not go through (true) or did (false).
    void setStopOwed(bool owed);
    bool stopOwed() const;
    // Writes the values now; true when the unit took them all. On the link's thread.
    bool write(Values const& values);
    // Old values the unit connected now is owed.
    void owe(Values values);
    // Anything owed, the stop included.
    bool owes() const;
    // What is owed, for the log.
    QStringList owed() const;

    // Writes everything owed to the unit connected now in order, the stop first; stops
    // at the first write that fails. True when nothing is owed to it any more. On the
    // link's thread.
    bool writeOwed();

private:
    struct Unit {
        QString serial;
        QString hardwareId;
        bool operator==(Unit const& o) const { return serial == o.serial && hardwareId == o.hardwareId; }
    };
    struct Owed {
        Values values;
        Unit unit;
        QUuid id;          // also names the header line saying they are owed
        bool held = false; // that line is shown
    };

    Unit unitNow() const;
    // The header line saying they are owed, when the operator was told of them.
    static void holdHeader(Owed& owed);
    bool owesThisUnit() const;
    void linkEvent(eAppEvent event);
    // Tries again while the link is up and nothing else uses the unit.
    void retry();
    bool writeAll(Unit const& unit);
    // Logged and told once until something goes through.
    void notWritten(const char* where);
    // Values owed to a unit that is not the one connected: it is told once per unit, and
    // their header lines, which would speak of this one, go.
    void tellOtherUnits(Unit const& now);
    // The values owed, as they are now, into the file; none owed, no file.
    void save();

    TPOF* m_pof;
    mutable std::mutex m_mutex; // guards the two below; no write runs under it
    bool m_stopOwed = false;
    std::vector<Owed> m_values;
    bool m_failureTold = false; // the operator knows it did not go through
    QTimer m_retry;
    QString m_file;          // empty: nothing kept
    std::mutex m_fileMutex;  // one save at a time, each with the values of its moment
    QStringList m_otherUnitsTold; // link's thread only
};
