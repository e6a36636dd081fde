#pragma once

#include <QObject>
#include <QString>

// The results of the last test; the result page fills it in.
class TestResults : public QObject {
    Q_OBJECT
public:
    explicit TestResults(QObject* parent = nullptr);

signals:
    // The operator edited the comment of the shown record.
    void commentChanged(QString comment);
};
