#pragma once

#include <QObject>

// Versions, serial numbers and disk use; filled in with the information page.
class SystemInformation : public QObject {
    Q_OBJECT
public:
    explicit SystemInformation(QObject* parent = nullptr);
};
