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

int entryCount(QQmlListProperty<MenuViewModel>* list)
{
    return static_cast<const QList<MenuViewModel*>*>(list->data)->size();
}

MenuViewModel* entryAt(QQmlListProperty<MenuViewModel>* list, int index)
{
    const auto* entries = static_cast<const QList<MenuViewModel*>*>(list->data);
    return index >= 0 && index < entries->size() ? entries->at(index) : nullptr;
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
    return QQmlListProperty<MenuViewModel>(this, &m_menuEntries, &entryCount, &entryAt);
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

void MenuViewModel::setMenuEntries(const QList<MenuViewModel*>& entries) { m_menuEntries = entries; }

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
