#pragma once

#include <QList>
#include <QPair>

#include <algorithm>

// Predicts when a periodic signal passes given phase angles, from the zero crossings
// of its samples. Samples close together around a crossing (within the window) are
// merged into one crossing at their mean time; the period is the mean distance of
// consecutive crossings of one direction, or the default period until there are two.
template <typename TimeT, typename ValueT>
class ValueAtPhases {
public:
    using Upcoming = QPair<TimeT, double>; // predicted time, phase angle (radians)

    ValueAtPhases(const QList<double>& phases, TimeT window, TimeT defaultPeriod)
    {
        reset(phases, window, defaultPeriod);
    }

    void reset(const QList<double>& phases, TimeT window, TimeT defaultPeriod)
    {
        m_phases = phases;
        m_window = window;
        m_defaultPeriod = defaultPeriod;
        m_upcoming.clear();
        m_hasPrevious = false;
        m_previousTime = TimeT();
        m_previousValue = ValueT();
        m_rising.clear();
        m_falling.clear();
        m_risingCandidates.clear();
        m_fallingCandidates.clear();
    }

    void lookForCrossing(const TimeT& time, const ValueT& value)
    {
        if (value == 0) {
            m_risingCandidates.append(time);
            m_fallingCandidates.append(time);
        } else if (m_hasPrevious && sign(m_previousValue) != sign(value)) {
            if (m_previousValue == 0) {
                // The zero sample belongs to the crossing in the direction now known.
                QList<TimeT>& other = value > 0 ? m_fallingCandidates : m_risingCandidates;
                if (!other.isEmpty())
                    other.removeLast();
            } else {
                const double prevV = double(m_previousValue);
                const double fraction = -prevV / (double(value) - prevV);
                const TimeT crossing =
                    m_previousTime + TimeT(fraction * double(time - m_previousTime));
                (value > 0 ? m_risingCandidates : m_fallingCandidates).append(crossing);
            }
        }

        if (!m_risingCandidates.isEmpty() || !m_fallingCandidates.isEmpty()) {
            TimeT earliest;
            if (m_risingCandidates.isEmpty())
                earliest = m_fallingCandidates.first();
            else if (m_fallingCandidates.isEmpty())
                earliest = m_risingCandidates.first();
            else
                earliest = std::min(m_risingCandidates.first(), m_fallingCandidates.first());
            if (time > earliest + m_window) {
                bool rising;
                if (m_fallingCandidates.isEmpty())
                    rising = true;
                else if (m_risingCandidates.isEmpty())
                    rising = false;
                else
                    rising = m_fallingCandidates.last() < m_risingCandidates.last();
                const QList<TimeT>& candidates = rising ? m_risingCandidates : m_fallingCandidates;
                (rising ? m_rising : m_falling).append(mean(candidates));
                m_risingCandidates.clear();
                m_fallingCandidates.clear();
                calculateUpcomingPhases(time);
            }
        }

        m_previousTime = time;
        m_previousValue = value;
        m_hasPrevious = true;
    }

    TimeT extractPeriodDuration() const
    {
        long long sum = 0;
        long long count = 0;
        for (const QList<TimeT>* list : { &m_rising, &m_falling }) {
            for (int i = 1; i < list->size(); ++i) {
                sum += static_cast<long long>(list->at(i)) - static_cast<long long>(list->at(i - 1));
                ++count;
            }
        }
        return count == 0 ? m_defaultPeriod : TimeT(sum / count);
    }

    void calculateUpcomingPhases(const TimeT& now)
    {
        if (m_rising.isEmpty() && m_falling.isEmpty())
            return;
        const long long T = static_cast<long long>(extractPeriodDuration());
        const int k = std::min(m_rising.size(), m_falling.size());

        long long t0 = 0;
        if (k > 0) {
            const bool risingFirst = m_rising.last() < m_falling.last();
            long long sum = 0;
            for (int i = 0; i < k; ++i) {
                const long long r = static_cast<long long>(m_rising.at(m_rising.size() - 1 - i));
                const long long f = static_cast<long long>(m_falling.at(m_falling.size() - 1 - i));
                sum += r + i * T;
                sum += (risingFirst ? f - T / 2 : f + T / 2) + i * T;
            }
            t0 = sum / (2 * k);
        } else if (!m_rising.isEmpty()) {
            t0 = static_cast<long long>(m_rising.first());
        } else {
            t0 = static_cast<long long>(m_falling.first()) - T / 2;
        }

        constexpr double TwoPi = 6.283185307179586;
        m_upcoming.clear();
        for (int period = 0; period < 2; ++period) {
            for (double phase : m_phases) {
                const double at = double(t0) + double(period * T) + double(T) * phase / TwoPi;
                m_upcoming.append({ TimeT(at), phase });
            }
        }
        m_upcoming.erase(std::remove_if(m_upcoming.begin(), m_upcoming.end(),
                                        [&now](const Upcoming& u) { return u.first < now; }),
                         m_upcoming.end());
    }

    const QList<Upcoming>& upcoming() const { return m_upcoming; }
    void removeFirstUpcoming()
    {
        if (!m_upcoming.isEmpty())
            m_upcoming.removeFirst();
    }
    const QList<TimeT>& risingCrossings() const { return m_rising; }
    const QList<TimeT>& fallingCrossings() const { return m_falling; }
    TimeT window() const { return m_window; }
    TimeT defaultPeriod() const { return m_defaultPeriod; }

private:
    static int sign(const ValueT& v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

    static TimeT mean(const QList<TimeT>& values)
    {
        long long sum = 0;
        for (const TimeT& v : values)
            sum += static_cast<long long>(v);
        return values.isEmpty() ? TimeT() : TimeT(sum / values.size());
    }

    QList<double> m_phases;
    QList<Upcoming> m_upcoming;
    TimeT m_previousTime = TimeT();
    ValueT m_previousValue = ValueT();
    bool m_hasPrevious = false;
    QList<TimeT> m_rising;
    QList<TimeT> m_falling;
    QList<TimeT> m_risingCandidates;
    QList<TimeT> m_fallingCandidates;
    TimeT m_window = TimeT();
    TimeT m_defaultPeriod = TimeT();
};
