#include "fakes/DataModelCase.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

void DataModelCase::start()
{
    if (!m_catalogue.isEmpty()) {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(m_translator.load(m_catalogue) && QCoreApplication::installTranslator(&m_translator),
                 qPrintable(m_catalogue));
    }
    m_fixture = std::make_unique<DataModelFixture>();
    QVERIFY(m_fixture->isValid());
}

void DataModelCase::end()
{
    m_fixture.reset();
    QCoreApplication::removeTranslator(&m_translator);
}
