#pragma once

#include "datamodel/InstrumentTypes.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QMutex;

// The three fixed-format lines every test leaves in the measurement log: Part1 at the
// start, Part2 after load detection, Part3 at the end. Each line is built from the data
// model at the moment it is written.
class TLog : public QObject {
    Q_OBJECT
public:
    TLog();
    ~TLog() override;

    // What the Part1 line shows, as read from the data model when the line is written.
    struct Part1Values {
        QDateTime start;
        QString versions[6]; // boot loader, kernel, file system, application (verbose), data, fonts
        quint16 firmwareMajor = 0;
        quint16 firmwareMinor = 0;
        QString serialNumber;
        long voltage = 0; // mV
        int voltageType = 0;
        unsigned long frequency = 0; // mHz, 0 automatic
        stTestTime testTime;
        QString modeName;
        OperatingModes::OperatingMode mode = OperatingModes::None;
        eVoltagePolarity polarity = VoltagePolarity_Positive;
        bool developmentMode = false;
        quint64 gainU = 0;
        quint64 gainI = 0;
    };
    static Part1Values readPart1Values();
    static QString part1Line(const Part1Values& values);

    bool createLogPart1();
    bool createLogPart2();
    bool createLogPart3();

    // "hh:mm:ss", each number at least two digits; hours above 99 keep all digits.
    static QString TimeString(int hours, int minutes, int seconds);
    // Milliseconds rounded to whole seconds, as TimeString.
    static QString elapsedTimeString(quint64 milliseconds);
    // value / divisor with the given number of decimals, rounded half away from zero.
    static QString fixedPoint(qint64 value, quint64 divisor, int decimals);
    static QString fixedPointUnsigned(quint64 value, quint64 divisor, int decimals);

private:
    QMutex* m_mutex;
};
