#pragma once

#include "datamodel/InstrumentTypes.h"
#include "datamodel/TanDeltaTypes.h"

#include <QVector>

#include <optional>

class DataModell;

// The ids behind a choice editor. Editors hold positions in the list; the data model
// and the records hold the ids (imported standards from 1000 on), so every translation
// between the two goes through here.
template <typename Id>
class ChoiceIds {
public:
    explicit ChoiceIds(QVector<Id> ids) : m_ids(std::move(ids)) {}

    const QVector<Id>& ids() const { return m_ids; }
    // -1 when the id is not offered.
    int indexOf(Id id) const { return m_ids.indexOf(id); }
    // Nothing for a position outside the list.
    std::optional<Id> idAt(int index) const
    {
        if (index < 0 || index >= m_ids.size())
            return std::nullopt;
        return m_ids.at(index);
    }

private:
    QVector<Id> m_ids;
};

// The enabled insulation types, or all of them when none is enabled.
ChoiceIds<TanDelta::evaluation::eInsulationType> insulationChoices(const DataModell& dm);
// None, the built-in standards, then the imported ones in listing order.
ChoiceIds<TanDelta::evaluation::eEvaluationStandard> standardChoices();
// Auto and Manual; a stored Off runs as Auto and reads as Auto.
ChoiceIds<eVoltageRampMode> rampModeChoices();
