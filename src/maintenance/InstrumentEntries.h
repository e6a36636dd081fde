#pragma once

#include "config/ConfigKeys.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>

class ConfigTree;

// The entries of the store an import may not take from the file it brings: the
// instrument's own always, its identity and service keys unless the service lock is open.
// Copied before the import and put back after it; each imported value not taken is logged,
// and so is each identity or service key an import with the service lock open changed.
class InstrumentEntries {
public:
    // serialFromFile: the serial number may come from the file (an instrument without one).
    InstrumentEntries(ConfigTree* store, bool serviceOpen, bool serialFromFile);

    // Puts back what the import changed; the number of imported values not taken.
    int keep();

private:
    struct Entry {
        QString key;
        ConfigKeys::Holder holder;
        QDomElement copy;
    };

    ConfigTree* m_store;
    bool m_serviceOpen;
    bool m_serialFromFile;
    QDomDocument m_copies; // holds the entries' copies: a node must not outlive its document
    QList<Entry> m_entries;
};
