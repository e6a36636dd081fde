#pragma once

#include "datamodel/OperatingModes.h"
#include "gui/MenuViewModel.h"

#include <QObject>

#include <functional>

// The main menu: a tree of the operating modes a test or a commissioning procedure starts
// from, built once, after which only the modes' enabling changes.
class MainMenu : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool(OperatingModes::OperatingMode)>;

    explicit MainMenu(QObject* parent = nullptr);

    const QList<MenuViewModel*>& entries() const { return m_root.menuEntries(); }
    QQmlListProperty<MenuViewModel> entriesProperty() { return m_root.menuEntriesProperty(); }
    // On its first run every candidate mode is enabled and gets its node.
    void build();
    // Enables the candidates the rule permits, and the calibration group while commissioning.
    void enable(const Rule& permitted, bool commissioning);
    // The node of a mode, built (with its parents) when the mode is enabled; null otherwise.
    MenuViewModel* add(OperatingModes::OperatingMode mode);
    MenuViewModel* find(OperatingModes::OperatingMode mode) const;

signals:
    void entriesChanged();
    // Passed on to every node, whose texts are translated on reading.
    void languageChanged();

private:
    MenuViewModel m_root;
};
