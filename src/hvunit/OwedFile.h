#pragma once

#include "hvunit/TPOF.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Old values to give back to the HV unit, written in this order: the gains, then the
// parameters.
struct OwedValues {
    QString what; // names them for the log
    QString told; // what the operator was told of them; the header shows it while owed
    std::optional<stGainCalibration> gains;
    QList<QPair<eHVUnitParamType, quint64>> parameters;
};

// The file that keeps what the HV unit is owed for a program gone meanwhile. Read at the
// start and taken only as far as a commissioning run keeps values: the output
// calibration's gains, the cascade calibration's four words, one entry per unit and
// procedure. A file that cannot be read or is too large is moved aside under another
// name, neither replayed nor overwritten. Written whole, synced with its folder.
class OwedFile {
public:
    // Old values and the unit they were read from.
    struct Entry {
        OwedValues values;
        QString serial;
        QString hardwareId;
    };
    struct Content {
        bool stop = false; // a run drove the output, or a stop is owed
        std::vector<Entry> entries;
    };
    // What the file held at the start.
    struct Found {
        Content content;
        QStringList refused; // entries no run keeps, described
        QStringList dropped; // entries that name no unit or hold nothing to give back
        QString keptAside;   // where an unreadable or outsized file went; empty: nowhere
        QString damage;      // what was wrong with it
    };
    // The procedure that keeps such values; None for anything else.
    enum class Kind { None, Gains, Words };

    static constexpr qint64 kMaxBytes = 64 * 1024;

    OwedFile() = default;
    explicit OwedFile(QString path) : m_path(std::move(path)) {}

    QString const& path() const { return m_path; }
    Found read();
    // Nothing to keep: no file. False when it could not be written or would be too large,
    // and while a damaged file could not be moved aside.
    bool write(Content const& content);

    static Kind kindOf(OwedValues const& values);
    // The first few of them, then how many more.
    static QString nameFirst(QStringList const& items, int most);
    static QByteArray encode(Content const& content);

private:
    void keepAside(QString const& damage, Found& found);

    QString m_path;
    bool m_blocked = false; // a damaged file is still in the way
};
