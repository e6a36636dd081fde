#pragma once

#include "core/ISingleton.h"

#include <QObject>
#include <QSharedPointer>

class GPIOAccess;

// The one facade to the board's digital lines. The back end is chosen once at
// construction: sysfs when the kernel offers it, else a back end that fails every call.
class GPIOManager : public QObject, public ISingleton<GPIOManager> {
    Q_OBJECT
public:
    enum eIOType : int { input = 0, output = 1 };
    Q_ENUM(eIOType)

    explicit GPIOManager(QObject* parent = nullptr);
    ~GPIOManager() override;

    int get_pin(int line);
    bool set_pin(int line, bool value);
    bool cfg_io_pin(int line, eIOType type);

private:
    GPIOAccess* m_access = nullptr;
    QSharedPointer<GPIOAccess> m_owner;
};
