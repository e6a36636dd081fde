#pragma once

#include "hvunit/OwedFile.h"
#include "hvunit/TPOF.h"

#include "core/TransObject.h"
#include "uiapi/IGUI.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUuid>

#include <mutex>
#include <vector>

// What the HV unit is still owed by the procedures that drove it: a stop lost with the
// link or owed to a unit found with its output on, and old values (gains, calibration)
// that a run could not give back. Lives as long as the link (its child), so nothing owed
// goes with a procedure released meanwhile. Written, the stop first, each time the link
// reports itself up again, and while the link is up and the instrument idle (no test, no
// procedure) as soon as the unit is not busy; old values only to the unit they were read
// from. Values sent to a unit that stayed busy are read back once it is free; a unit that
// refuses them gets them less and less often, at least once a minute. While values are
// owed the header says so; the operator is told when they went through. Old values are
// kept in a file from the moment a run changes them in the unit, so a program closed or
// gone meanwhile writes them at its next start to that unit, and says another unit's
// calibration may be wrong; what is still owed when the link goes is logged. What the
// operator is told leaves by the signals below, from the link's thread.
class OwedUnitWrites : public QObject {
    Q_OBJECT
public:
    using Values = OwedValues;

    // How a write of old values went.
    enum class Outcome {
        Written, // the unit took them all
        Unsure,  // the unit was or stayed busy: read back once it is free, told only if not taken
        Refused, // the unit answers but did not keep them
        Lost,    // the link failed
    };

    explicit OwedUnitWrites(TPOF* pof);
    ~OwedUnitWrites() override;

    // Keeps the values owed in this file and takes over those it holds. Before the link
    // is used; what the operator is told of them leaves once the event loop runs.
    void keepIn(QString const& path);

    // A stop is owed (the last one did not go through, or the unit was found running
    // unasked) or not.
    void setStopOwed(bool owed);
    // The unit answers with its output on while nothing of ours drives it: a stop is owed,
    // logged by the link; the operator is not told of it.
    void stopFound();
    bool stopOwed() const;
    // A procedure drives the unit's output from now on (true) or no more: a program gone
    // meanwhile owes the unit a stop at its next start.
    void setDriving(bool driving);
    // Sends the stop owed, if any; true when none is owed any more. On the link's thread.
    bool writeStop();

    // Old values a run is about to change in the unit connected now: kept in the file
    // (synced) from now on, not owed while the run holds them. False when they could not
    // be kept. On the link's thread.
    bool keep(QUuid const& id, Values values);
    // The run ended with them back in the unit, or keeps its own: no longer kept.
    void drop(QUuid const& id);
    // The run could not give them back (the write went as told): owed from now on.
    void owe(QUuid const& id, Outcome outcome);
    // Writes the values now. On the link's thread.
    Outcome write(Values const& values);
    // Anything owed, the stop included.
    bool owes() const;
    // What is owed, for the log.
    QStringList owed() const;

    // Writes everything owed to the unit connected now in order, the stop first; stops
    // at the first write that fails. True when nothing is owed to it any more. On the
    // link's thread.
    bool writeOwed();

signals:
    // To the operator, connected to the user interface.
    void showMessageDlg(MessageCategories category, const TransObject& text, bool cancelButton, bool okButton);
    // A header line held until closed.
    void holdMessage(QUuid id, MessageCategories category, const TransObject& text);
    void closeDlg(QUuid id, IGUI::CloseType type);
    // Lines that stay until the operator acknowledges them.
    void showMessageListDlg(MessageCategories category, const QList<TransObject>& texts, bool cancelButton, bool okButton);

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
        bool kept = false; // a run holds them: in the file, not owed yet
        bool sent = false; // the unit was busy at the last write: read back first
        bool fromBefore = false; // read from the file: a program gone meanwhile owed them
    };

    Unit unitNow() const;
    void setStop(bool owed, bool unasked);
    // The header line saying they are owed, when the operator was told of them.
    void holdHeader(Owed& owed);
    void releaseHeader(QUuid const& id);
    // The same, and noted in the ledger.
    void holdOwedHeader(Owed owed);
    void tellOperator(MessageCategories category, const char* key);
    bool owesThisUnit() const;
    void linkEvent(eAppEvent event);
    // Tries again while the link is up and nothing else uses the unit.
    void retry();
    bool writeAll(Unit const& unit);
    // Whether the unit holds them (read back); false when it could not be read.
    bool holds(Values const& values);
    // A unit that refuses gets the next try later, each time twice as late up to a minute.
    void refused();
    qint64 now() const;
    // Logged and told once until something goes through.
    void notWritten(const char* where);
    // Values owed to a unit that is not the one connected: it is told once per unit, and
    // their header lines, which would speak of this one, go.
    void tellOtherUnits(Unit const& now);
    // The values owed or kept, as they are now, into the file (synced with its folder);
    // none, no file. False when that failed.
    bool save();
    void startRetry();
    // What was written for a program gone meanwhile, told in one notice.
    void tellRestored();

    TPOF* m_pof;
    mutable std::mutex m_mutex; // guards the four below; no write runs under it
    bool m_stopOwed = false;
    bool m_stopUnasked = false; // owed to a unit found running
    bool m_stopFromBefore = false; // owed by a program gone meanwhile
    bool m_driving = false;
    std::vector<Owed> m_values;
    bool m_failureTold = false; // the operator knows it did not go through
    int m_refusals = 0;         // in a row; link's thread only, as the one below
    qint64 m_nextWrite = 0;     // the link's steady clock; no retry before
    QTimer m_retry;
    OwedFile m_file;         // no path: nothing kept
    std::mutex m_fileMutex;  // one save at a time, each with the values of its moment
    QStringList m_otherUnitsTold; // link's thread only, as the one below
    QList<TransObject> m_restored; // written for a program gone, not told yet
};
