#pragma once

#include <QObject>

// What the preparation page shows while a test is being set up; filled in with that page.
class TestPreparation : public QObject {
    Q_OBJECT
public:
    explicit TestPreparation(QObject* parent = nullptr);
};
