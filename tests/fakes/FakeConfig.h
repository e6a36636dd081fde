#pragma once

#include "config/ConfigTree.h"

#include <QAtomicInt>

// In-memory configuration store for tests: the real typed tree without a file.
// initialize() and save() only count their calls and return what the test sets.
class FakeConfig : public ConfigTree {
public:
    explicit FakeConfig(const QString& rootName = QStringLiteral("PEVANTO"));

    int initialize() override;
    int save() override;

    void setInitializeResult(int result) { m_initializeResult = result; }
    void setSaveResult(int result) { m_saveResult = result; }
    int initializeCount() const { return m_initializeCount.loadAcquire(); }
    int saveCount() const { return m_saveCount.loadAcquire(); }

    // A configuration file of root nesting groups levels deep, as no save writes one.
    static QByteArray nestedDocument(const QString& root, int levels);

private:
    QAtomicInt m_initializeResult{1};
    QAtomicInt m_saveResult{0};
    QAtomicInt m_initializeCount{0};
    QAtomicInt m_saveCount{0};
};
