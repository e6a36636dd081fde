#pragma once

#include <QMutex>
#include <QString>
#include <QVector>

#include <functional>

// Log rows waiting for the database. Producers on any thread append; the database
// thread takes the whole batch. Bounded: when full, the oldest tenth gives way and is
// counted, so a stuck database never eats the memory.
class LogRecordQueue {
public:
    struct Row {
        qint64 msecsSinceEpoch = 0;
        int category = 0;
        QString text;
    };

    explicit LogRecordQueue(int capacity = 100000);

    // Appends a row and calls the wake-up (under the queue's lock, so the one who set
    // it can clear it safely before it goes away).
    void push(const Row& row);
    void push(const QVector<Row>& rows);
    void setWakeUp(std::function<void()> wakeUp);
    // Takes every waiting row; dropped receives the rows lost since the last take.
    QVector<Row> takeAll(int* dropped = nullptr);
    // Puts rows that could not be written back in front of the newer ones.
    void restore(const QVector<Row>& rows);
    int size() const;

private:
    mutable QMutex m_mutex;
    QVector<Row> m_rows;
    int m_capacity;
    int m_dropped = 0;
    std::function<void()> m_wakeUp;
};
