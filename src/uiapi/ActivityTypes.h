#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

namespace ActivityTypes {
Q_NAMESPACE

enum eActivityEntryType : int {
    Measurement = 0, // a stored test
    Folder = 1,      // a test day and cable number
};
Q_ENUM_NS(eActivityEntryType)

// One row of the history of stored tests.
struct stActivityEntry {
    int type = Measurement;
    int isSelected = 0; // 0 unchecked, 1 partially checked, 2 checked
    bool isVisible = false;
    int modeId = 0;
    QString name;
    QString date;
    QString time;
    QString mode;
    QString classification;
    QString voltage;
    QString comment;
    QString path;
    QString phase;
    QString cableNumber;
};

using ActivityEntryList = QList<stActivityEntry>;

} // namespace ActivityTypes

Q_DECLARE_METATYPE(ActivityTypes::stActivityEntry)
