#include "gui/MainMenu.h"

#include <QSignalSpy>
#include <QtTest>

using M = OperatingModes;

namespace {
QList<M::OperatingMode> modesOf(const QList<MenuViewModel*>& nodes)
{
    QList<M::OperatingMode> out;
    for (MenuViewModel* n : nodes)
        out << n->mode();
    return out;
}

bool on(M::OperatingMode mode) { return M::getInstance()->isModeEnabled(mode); }
} // namespace

// The main menu's tree of operating modes and what opens its calibration group.
class TstMainMenu : public QObject {
    Q_OBJECT
private slots:
    void everyCandidateHasItsNodeUnderItsGroup()
    {
        MainMenu menu;
        QSignalSpy changed(&menu, &MainMenu::entriesChanged);
        menu.build();
        menu.build();
        QCOMPARE(changed.size(), 1);
        // Every candidate has its node under its parent group, ordered by priority.
        QCOMPARE(modesOf(menu.entries()),
                 (QList<M::OperatingMode>{M::Withstand, M::Diagnosis, M::SheathFault, M::Calibration}));
        MenuViewModel* withstand = menu.find(M::Withstand);
        QCOMPARE(modesOf(withstand->menuEntries()),
                 (QList<M::OperatingMode>{M::DC, M::VLFSin, M::VLFRect, M::VLFCosRect}));
        QCOMPARE(menu.find(M::TanDelta), menu.find(M::Diagnosis)->menuEntries().first());
        QCOMPARE(menu.find(M::Decay), nullptr); // not a candidate
        QCOMPARE(withstand->icon(), QStringLiteral("qrc:/icons/mode_withstand.svg"));
        QCOMPARE(withstand->focusIcon(), QStringLiteral("qrc:/icons/mode_withstand_focus.svg"));
        QCOMPARE(menu.find(M::DC)->detailedDescription(), QStringLiteral("DC withstand test"));
        QCOMPARE(withstand->subMenuText(), QStringLiteral("SelectWithstandTest"));

        QSignalSpy retranslated(menu.find(M::DC), &MenuViewModel::languageChanged);
        emit menu.languageChanged();
        QCOMPARE(retranslated.size(), 1);
    }

    void commissioningOpensTheCalibrationGroupWhateverTheRule()
    {
        MainMenu menu;
        menu.build();
        const auto onlyDc = [](M::OperatingMode mode) { return mode == M::DC; };
        menu.enable(onlyDc, true);
        QVERIFY(on(M::DC) && on(M::Calibration) && on(M::SafetyCircuitCheck) && on(M::ManualDiagnosis));
        QVERIFY(!on(M::VLFSin) && !on(M::SheathPinpointing));
        menu.enable(onlyDc, false);
        QVERIFY(on(M::DC) && !on(M::Calibration) && !on(M::SafetyCircuitCheck) && !on(M::ManualDiagnosis));
        // A node once built stays; only an enabled mode's is handed out by add.
        QCOMPARE(menu.add(M::VLFSin), nullptr);
        QVERIFY(menu.find(M::VLFSin));
        QCOMPARE(menu.add(M::DC), menu.find(M::DC));
    }
};

QTEST_MAIN(TstMainMenu)
#include "tst_mainmenu.moc"
