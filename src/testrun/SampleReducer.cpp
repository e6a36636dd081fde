#include "testrun/SampleReducer.h"

#include <algorithm>
#include <array>
#include <limits>

using TestChart::VLF::TestData;

namespace {
template <typename Entry, std::size_t N>
void thin(QVector<Entry>& entries, const std::array<qint32 Entry::*, N>& fields)
{
    qint32 newest = std::numeric_limits<qint32>::min();
    for (const Entry& e : qAsConst(entries))
        newest = std::max(newest, e.timestamp);
    const qint64 tailFrom = qint64(newest) - SampleReducer::TailMs;
    const int older = int(std::count_if(entries.cbegin(), entries.cend(),
                                        [tailFrom](const Entry& e) { return e.timestamp < tailFrom; }));
    const int perBucket = (older + SampleReducer::Buckets - 1) / SampleReducer::Buckets;
    // Each bucket keeps up to two entries a field: below that nothing would go.
    if (perBucket <= int(2 * N))
        return;

    QVector<Entry> kept;
    kept.reserve(SampleReducer::Buckets * int(2 * N) + (entries.size() - older));
    std::array<int, 2 * N> picks{};
    int inBucket = 0;
    auto flush = [&]() {
        if (inBucket == 0)
            return;
        std::sort(picks.begin(), picks.end());
        const auto end = std::unique(picks.begin(), picks.end());
        for (auto it = picks.begin(); it != end; ++it)
            kept.append(entries.at(*it));
        inBucket = 0;
    };
    for (int i = 0; i < entries.size(); ++i) {
        const Entry& e = entries.at(i);
        if (e.timestamp >= tailFrom) {
            flush();
            kept.append(e);
            continue;
        }
        if (inBucket == 0) {
            picks.fill(i);
        } else {
            for (std::size_t f = 0; f < N; ++f) {
                const qint32 v = e.*fields[f];
                if (v < entries.at(picks[2 * f]).*fields[f])
                    picks[2 * f] = i;
                if (v > entries.at(picks[2 * f + 1]).*fields[f])
                    picks[2 * f + 1] = i;
            }
        }
        if (++inBucket == perBucket)
            flush();
    }
    flush();
    entries.swap(kept);
}
} // namespace

void SampleReducer::reduce(QVector<TestData::Measure>& samples)
{
    thin(samples, std::array<qint32 TestData::Measure::*, 2>{&TestData::Measure::voltage, &TestData::Measure::current});
}

void SampleReducer::reduce(QVector<TestData::Periodic>& records)
{
    thin(records, std::array<qint32 TestData::Periodic::*, 3>{&TestData::Periodic::voltage,
                                                             &TestData::Periodic::amperage,
                                                             &TestData::Periodic::tanDelta});
}
