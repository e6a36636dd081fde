#include "gui/MenuViewModel.h"

#include <QCoreApplication>

namespace {
int priorityOf(OperatingModes::OperatingMode mode)
{
    return OperatingModes::getInstance()->getPriorityOrderForMode(mode);
}

QString translated(const QString& key, const char* disambiguation)
{
    const QByteArray k = key.toUtf8();
    return QCoreApplication::translate("TestModes", k.constData(), disambiguation);
}

} // namespace

MenuViewModel::MenuViewModel(QObject* parent) : QObject(parent)
{
    // Enabling one mode may change its parent too, so every entry re-reads.
    connect(OperatingModes::getInstance(), &OperatingModes::operatingModeEnabledChanged, this,
            &MenuViewModel::enabledChanged);
}

QQmlListProperty<MenuViewModel> MenuViewModel::menuEntriesProperty()
{
    return m_menuEntries.property(this);
}

void MenuViewModel::addMenuEntry(MenuViewModel* child)
{
    const int priority = priorityOf(child->mode());
    for (int i = 0; i < m_menuEntries.size(); ++i) {
        if (priorityOf(m_menuEntries.at(i)->mode()) > priority) {
            m_menuEntries.insert(i, child);
            return;
        }
    }
    m_menuEntries.append(child);
}

void MenuViewModel::setMenuEntries(const QList<MenuViewModel*>& entries)
{
    // The children list is constant for QML: nothing to announce.
    m_menuEntries.replace(entries, [] {});
}

QString MenuViewModel::description() const { return translated(m_description, "Test Mode description"); }

QString MenuViewModel::detailedDescription() const
{
    return translated(m_detailedDescription, "Test Mode description");
}

QString MenuViewModel::subMenuText() const { return translated(m_subMenuText, nullptr); }

bool MenuViewModel::enabled() const { return OperatingModes::getInstance()->isModeEnabled(m_mode); }

void MenuViewModel::onOperatingModeEnabledChanged(OperatingModes::OperatingMode mode)
{
    if (mode == m_mode)
        emit enabledChanged();
}
