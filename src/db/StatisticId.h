#pragma once

// Operating-statistics parameter ids: category << 8 | value.
class StatisticId {
public:
    static constexpr int kMaxValue = 255;

    // A value outside 0..255 would run into the next category: it is clamped and logged.
    static int make(int category, int value);
    static int category(int id) { return id >> 8; }
    static int value(int id) { return id & 0xFF; }
};
