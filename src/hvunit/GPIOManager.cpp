#include "hvunit/GPIOManager.h"

#include "core/FsRoot.h"
#include "hvunit/GPIONull.h"
#include "hvunit/GPIOsys.h"

#include <QFileInfo>

GPIOManager::GPIOManager(QObject* parent) : QObject(parent)
{
    if (QFileInfo::exists(FsRoot::path(QStringLiteral("/sys/class/gpio/export"))))
        m_owner.reset(new GPIOsys());
    else
        m_owner.reset(new GPIONull());
    m_access = m_owner.data();
}

GPIOManager::~GPIOManager() = default;

int GPIOManager::get_pin(int line) { return m_access->get_pin(line); }

bool GPIOManager::set_pin(int line, bool value) { return m_access->set_pin(line, value); }

bool GPIOManager::cfg_io_pin(int line, eIOType type) { return m_access->cfg_io_pin(line, static_cast<int>(type)); }
