#pragma once

#include "fakes/DataModelFixture.h"

#include <QTranslator>

#include <memory>

// A fresh DataModelFixture for every case of a test object, which derives from this next
// to QObject and calls start() in init() and end() in cleanup(). Given a catalogue, texts
// are that catalogue's and numbers are written as in the United States.
class DataModelCase {
public:
    explicit DataModelCase(const QString& catalogue = QString()) : m_catalogue(catalogue) {}
    virtual ~DataModelCase() = default;

protected:
    void start();
    void end();
    DataModelFixture& fixture() const { return *m_fixture; }
    DataModell* dm() const { return m_fixture->dm(); }

private:
    QString m_catalogue;
    QTranslator m_translator;
    std::unique_ptr<DataModelFixture> m_fixture;
};
