#include "fakes/DataModelFixture.h"

#include "core/GlobalFuncs.h"
#include "datamodel/DataModell.h"
#include "db/DB.h"

DataModelFixture::DataModelFixture()
    : m_root(std::make_unique<TempRoot>()), m_config(std::make_unique<FakeConfig>())
{
    registerInstrumentTypes();
    if (!m_root->isValid())
        return;
    GlobalFuncs::setConfig(m_config.get());
    if (!DB::getInstance()->initialize())
        return;
    DB::getInstance()->registerGlobally();
    m_dm = DataModell::getInstance();
    m_dm->initialize();
    m_valid = GlobalFuncs::getDM() == m_dm;
}

DataModelFixture::~DataModelFixture()
{
    DataModell::destroyInstance();
    DB::destroyInstance();
    GlobalFuncs::setDB(nullptr);
    GlobalFuncs::setConfig(nullptr);
    m_config.reset();
    m_root.reset();
}
