#include "gui/TanDeltaCriterionItemViewModel.h"

#include <algorithm>

TanDeltaCriterionItemViewModel::TanDeltaCriterionItemViewModel(QObject* parent) : QObject(parent) {}

bool TanDeltaCriterionItemViewModel::hasNegativeTicks() const
{
    return std::any_of(m_ticks.cbegin(), m_ticks.cend(), [](double t) { return t < 0.0; });
}

void TanDeltaCriterionItemViewModel::setTicks(const QVector<double>& edges)
{
    m_ticks.clear();
    m_ticks.reserve(edges.size() + 2);
    for (double edge : edges)
        m_ticks.append(edge * 1000.0);
    if (m_ticks.isEmpty())
        return;
    // The outer bands are as wide again as the edge they start from; a bar that starts
    // below zero mirrors its first edge.
    const double first = m_ticks.first();
    m_ticks.prepend(first < 0.0 ? 2.0 * first : 0.0);
    m_ticks.append(2.0 * m_ticks.last());
}
