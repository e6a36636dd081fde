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
// procedure. Written whole, synced with its folder.
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
        QStringList dropped; // entries that hold nothing to give back
    };
    // The procedure that keeps such values; None for anything else.
    enum class Kind { None, Gains, Words };

    OwedFile() = default;
    explicit OwedFile(QString path) : m_path(std::move(path)) {}

    QString const& path() const { return m_path; }
    Found read();
    // Nothing to keep: no file. False when it could not be written.
    bool write(Content const& content);

    static Kind kindOf(OwedValues const& values);
    // The first few of them, then how many more.
    static QString nameFirst(QStringList const& items, int most);
    static QByteArray encode(Content const& content);

private:
    QString m_path;
};
