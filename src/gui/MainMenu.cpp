#include "gui/MainMenu.h"

namespace {
// The modes of the main menu in the order they are added; the last eleven are the
// calibration group that the commissioning switch opens.
const OperatingModes::OperatingMode kMenuModes[] = {
    OperatingModes::DC, OperatingModes::VLFSin, OperatingModes::VLFRect, OperatingModes::VLFCosRect,
    OperatingModes::TanDelta, OperatingModes::MWTSingle, OperatingModes::MWTStep, OperatingModes::SheathTest,
    OperatingModes::SheathPinpointing,
    OperatingModes::Calibration, OperatingModes::SafetyCircuitCheck, OperatingModes::OutputCalibration,
    OperatingModes::CascadeCalibration, OperatingModes::VoltageWaveformCheck, OperatingModes::TanDCalibration,
    OperatingModes::MaxCapacityLoad, OperatingModes::CascadePowerEnvelope, OperatingModes::LongDurationTest,
    OperatingModes::SinusDiagnosis, OperatingModes::ManualDiagnosis,
};
constexpr int kFirstCalibrationPlace = 9;
} // namespace

MainMenu::MainMenu(QObject* parent) : QObject(parent) {}

void MainMenu::build()
{
    if (!entries().isEmpty())
        return;
    // Every candidate gets its node once; later runs change only the enabling.
    OperatingModes* modes = OperatingModes::getInstance();
    for (OperatingModes::OperatingMode mode : kMenuModes) {
        modes->enableMode(mode, true);
        add(mode);
    }
    emit entriesChanged();
}

void MainMenu::enable(const Rule& permitted, bool commissioning)
{
    int place = 0;
    for (OperatingModes::OperatingMode mode : kMenuModes) {
        const bool calibration = place++ >= kFirstCalibrationPlace;
        OperatingModes::getInstance()->enableMode(mode, permitted(mode) || (commissioning && calibration));
    }
    emit entriesChanged();
}

MenuViewModel* MainMenu::add(OperatingModes::OperatingMode mode)
{
    OperatingModes* modes = OperatingModes::getInstance();
    if (!modes->isModeEnabled(mode))
        return nullptr;
    if (MenuViewModel* existing = find(mode))
        return existing;
    MenuViewModel* parentNode = &m_root;
    const OperatingModes::OperatingMode parent = modes->getParentMode(mode);
    if (parent != OperatingModes::None) {
        parentNode = add(parent);
        if (!parentNode)
            return nullptr;
    }
    auto* node = new MenuViewModel(this);
    connect(this, &MainMenu::languageChanged, node, &MenuViewModel::languageChanged);
    node->setMode(mode);
    node->setIcon(modes->getIconPath(mode, false));
    node->setFocusIcon(modes->getIconPath(mode, true));
    node->setDetailedDescription(modes->getDetailedModeName(mode));
    node->setDescription(modes->getModeName(mode));
    node->setSubMenuText(modes->getSubMenuText(mode));
    parentNode->addMenuEntry(node);
    return node;
}

MenuViewModel* MainMenu::find(OperatingModes::OperatingMode mode) const
{
    const OperatingModes::OperatingMode parent = OperatingModes::getInstance()->getParentMode(mode);
    const MenuViewModel* level = parent == OperatingModes::None ? &m_root : find(parent);
    if (!level)
        return nullptr;
    for (MenuViewModel* node : level->menuEntries())
        if (node->mode() == mode)
            return node;
    return nullptr;
}
