#pragma once

#include <QString>
#include <QVector>

namespace TestChart {
namespace VLF {

// One test record in memory: keyed text values, the samples and the periodic samples.
struct TestData {
    struct Info {
        qint32 group = 0;
        qint32 key = 0;
        QString value;
    };
    struct Measure {
        qint32 run = 0;
        qint32 timestamp = 0;
        qint32 voltage = 0;
        qint32 current = 0;
    };
    struct Periodic {
        qint32 run = 0;
        qint32 timestamp = 0;
        qint32 voltage = 0;
        qint32 amperage = 0;
        qint32 tanDelta = 0;
    };

    QVector<Info> info;
    QVector<Measure> measure;
    QVector<Periodic> periodic;
};

bool operator==(const TestData::Info& a, const TestData::Info& b);
bool operator==(const TestData::Measure& a, const TestData::Measure& b);
bool operator==(const TestData::Periodic& a, const TestData::Periodic& b);
bool operator==(const TestData& a, const TestData& b);
inline bool operator!=(const TestData& a, const TestData& b) { return !(a == b); }

// Value of the first entry with this group and key; a null text when there is none.
QString info(const TestData& data, qint32 group, qint32 key);
// Replaces the value of the first matching entry; never adds one.
void update(TestData& data, qint32 group, qint32 key, const QString& value);
void insert(TestData& data, qint32 group, qint32 key, const QString& value);
void insert(TestData& data, qint32 group, qint32 key, qint64 value);
void insert(TestData& data, qint32 run, qint32 timestamp, qint32 voltage, qint32 current);
void insert(TestData& data, qint32 run, qint32 timestamp, qint32 voltage, qint32 amperage, qint32 tanDelta);
void clear(TestData& data);

} // namespace VLF
} // namespace TestChart
