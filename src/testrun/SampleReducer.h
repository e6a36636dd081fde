#pragma once

#include "testrun/TestData.h"

// Thins the samples of a stored record to what its charts can show, before they reach the
// GUI thread: the newest TailMs of test time stay whole (the trace shows the last minute),
// the older entries are cut into Buckets runs of equal count, of which only the entries
// holding the lowest and the highest value of each field stay (the diagram and the axis
// ranges keep every peak). Order is kept. A record with fewer entries stays as it is.
class SampleReducer {
public:
    // More than a chart is wide in pixels.
    static constexpr int Buckets = 1024;
    static constexpr qint32 TailMs = 120000;

    static void reduce(QVector<TestChart::VLF::TestData::Measure>& samples);
    static void reduce(QVector<TestChart::VLF::TestData::Periodic>& records);
};
