#pragma once

#include <QFile>
#include <QList>
#include <QPoint>
#include <QString>

// One input of the random operator, as drawn and as replayed: when (ms since the run's
// start), what, on which control (object name, else its type and text) at which spot.
struct OperatorInput {
    qint64 at = 0;
    QString kind;    // tap, turn-to, tap-anywhere, turn, press, press-twice, type, wait, hv-on-key,
                     // safety-input, stick, fault, unit, aim, criteria (an imported file put in place)
    QString target;  // the control's object name; empty for one without
    QString type;    // the control's QML type, and its text, for one without a name
    QString text;    // the control's text, the text typed, the fault or setting, the aim
    QPoint spot;     // where the control was, or the tap went
    int value = 0;   // steps, gap or wait (ms), safety input, fault time (ms), setting; a tap
                     // after the guard time
    int value2 = 0;  // a fault's error bit
    bool flag = false; // touch, replacing, opened, stick in
    QString shown;   // what was shown when it was drawn

    QString describe() const;
    QByteArray toLine() const;
    static OperatorInput fromLine(const QByteArray& line, bool* ok);
};

// The inputs of a run, written as they are performed (one JSON object a line, flushed), so
// that `--replay FILE` plays a run again; the last 50 for a broken rule's report.
class InputLog {
public:
    // Opens a new file in the folder; false when it cannot be written.
    bool open(const QString& folder, const QString& name);
    QString path() const { return m_file.fileName(); }
    void write(const OperatorInput& input);
    QStringList last() const { return m_last; }
    // Each input printed as it is written, too.
    bool verbose = false;

    // The inputs of a file written by a run; empty with the reason in error otherwise.
    static QList<OperatorInput> read(const QString& path, QString* error);

private:
    QFile m_file;
    QStringList m_last;
};
