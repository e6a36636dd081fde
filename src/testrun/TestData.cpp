#include "testrun/TestData.h"

namespace TestChart {
namespace VLF {

bool operator==(const TestData::Info& a, const TestData::Info& b)
{
    return a.group == b.group && a.key == b.key && a.value == b.value;
}

bool operator==(const TestData::Measure& a, const TestData::Measure& b)
{
    return a.run == b.run && a.timestamp == b.timestamp && a.voltage == b.voltage && a.current == b.current;
}

bool operator==(const TestData::Periodic& a, const TestData::Periodic& b)
{
    return a.run == b.run && a.timestamp == b.timestamp && a.voltage == b.voltage && a.amperage == b.amperage
        && a.tanDelta == b.tanDelta;
}

bool operator==(const TestData& a, const TestData& b)
{
    return a.info == b.info && a.measure == b.measure && a.periodic == b.periodic;
}

QString info(const TestData& data, qint32 group, qint32 key)
{
    for (const TestData::Info& e : data.info) {
        if (e.group == group && e.key == key)
            return e.value;
    }
    return QString();
}

void update(TestData& data, qint32 group, qint32 key, const QString& value)
{
    for (TestData::Info& e : data.info) {
        if (e.group == group && e.key == key) {
            e.value = value;
            return;
        }
    }
}

void insert(TestData& data, qint32 group, qint32 key, const QString& value)
{
    data.info.append(TestData::Info{group, key, value});
}

void insert(TestData& data, qint32 group, qint32 key, qint64 value)
{
    insert(data, group, key, QString::number(value));
}

void insert(TestData& data, qint32 run, qint32 timestamp, qint32 voltage, qint32 current)
{
    data.measure.append(TestData::Measure{run, timestamp, voltage, current});
}

void insert(TestData& data, qint32 run, qint32 timestamp, qint32 voltage, qint32 amperage, qint32 tanDelta)
{
    data.periodic.append(TestData::Periodic{run, timestamp, voltage, amperage, tanDelta});
}

void clear(TestData& data)
{
    data.info.clear();
    data.measure.clear();
    data.periodic.clear();
}

} // namespace VLF
} // namespace TestChart
