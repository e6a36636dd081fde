#pragma once

#include "config/IConfigBase.h"

#include <QDomDocument>
#include <QDomElement>
#include <QMutex>

// The configuration held in memory: a typed tree behind a lock, kept as the XML
// document of the configuration file so that nothing in the file is lost on a save.
//
//   <configuration>
//     <key name="APP">                       the key named after the application
//       <key name="General">                 a group
//         <value name="SystemName" type="string">pevanto</value>
//         <value name="Volume" type="long" min="0" max="10" step="1" readonly="true">5</value>
//
// Value types: "double", "long", "string", "binary" (hexadecimal digits), "bool"
// ("true"/"false"). Paths leave out the application key: "/General/SystemName".
// File handling is left to the classes built on it.
class ConfigTree : public IConfigBase {
public:
    // What a key may hold, from the layer that knows the keys: empty when the entry's type
    // and stored text are within the key's bounds, else why not. Unknown keys pass.
    using KeyBounds = QString (*)(const QString& key, ConfigValueTypes type, const QString& text);
    // Every store holds its keys to them from then on: a value outside them reads as
    // CFG_OUT_OF_LIMITS (so the caller's default), is logged and dropped, and is never
    // written. Whatever brought the value, a backup, an import or a hand edit.
    static void holdKeysTo(KeyBounds bounds);

    explicit ConfigTree(const QString& rootName);
    ~ConfigTree() override;

    int subkeys(const QString& key, QMap<QString, ConfigValueTypes>& out) override;
    bool exists(const QString& key) override;

    int queryBoolean(const QString& key, bool& value) override;
    int queryString(const QString& key, QString& value, const QString& defaultValue = QString()) override;
    int queryLong(const QString& key, long& value) override;
    int queryDouble(const QString& key, double& value) override;
    int queryBinary(const QString& key, QByteArray& value) override;
    int queryEnsureLong(const QString& key, long& value, long min = 0, long max = 0,
                        unsigned long step = 0) override;
    int getLongRanges(const QString& key, long& min, long& max, unsigned long& step) override;
    int isReadOnly(const QString& key, bool& readOnly) override;

    int setDouble(const QString& key, double value, double min = 0, double max = 0, double step = 0) override;
    int setLong(const QString& key, long value, long min = 0, long max = 0, unsigned long step = 0) override;
    int setString(const QString& key, const QString& value, const QString& list = QString()) override;
    int setBoolean(const QString& key, bool value) override;
    int setBinary(const QString& key, const QByteArray& value) override;

    // Marks an entry or group read-only (or writable again).
    int setReadOnly(const QString& key, bool readOnly);

    // The whole tree as the text of a configuration file.
    QByteArray toXml() const;
    // Whether a parsed document has the layout of a configuration file: the document
    // element's first child is a `key` element with a name. Otherwise why says what is wrong.
    static bool isValidDocument(const QDomDocument& doc, QString* why = nullptr);
    // Takes over a valid document as the new tree; an invalid one changes nothing.
    bool replaceDocument(const QDomDocument& doc);
    // Drops every entry.
    void clear();
    // Drops every value outside its key's bounds, each logged; returns how many.
    int dropOutOfBounds();
    // A copy of the entry at key (with its type and flags) made in document, which must
    // outlive it; null when there is none.
    QDomElement entryCopy(const QString& key, QDomDocument& document) const;
    // Puts copy in place of every entry of that name at key, or removes them for a null copy;
    // whatever of another kind stands in the way of the path is replaced by a group.
    int restoreEntry(const QString& key, const QDomElement& copy);
    QString rootName() const;

private:
    struct Slot;
    struct Refusal {
        QString key;
        QString why; // empty: none
    };

    int parsePath(const QString& key, QStringList& parts) const;
    int find(const QString& key, QDomElement& out) const;
    int findTyped(const QString& key, ConfigValueTypes type, QDomElement& out, Refusal& refusal);
    // find(), and CFG_OUT_OF_LIMITS for a value outside its key's bounds, which is dropped.
    int findInBounds(const QString& key, QDomElement& out, Refusal& refusal);
    bool refuses(const QString& key, QDomElement& entry, Refusal& refusal);
    static bool writable(const QString& key, ConfigValueTypes type, const QString& text);
    // Called without the lock held.
    static void log(const Refusal& refusal);
    int prepareWrite(const QString& key, ConfigValueTypes type, Slot& slot) const;
    QDomElement commitWrite(Slot& slot, ConfigValueTypes type, const QString& text);
    int doQueryLong(const QString& key, long& value, Refusal& refusal);
    int doSetLong(const QString& key, long value, long min, long max, unsigned long step);
    template <typename T, typename S>
    int setNumber(const QString& key, ConfigValueTypes type, T value, T min, T max, S step,
                  bool (*parse)(const QString&, T&), bool (*parseStep)(const QString&, S&), QString (*text)(T),
                  QString (*stepText)(S));
    QDomElement rootKey() const;
    static QDomDocument emptyDocument(const QString& rootName);
    static void setUtf8Declaration(QDomDocument& doc);

    mutable QMutex m_mutex;
    QDomDocument m_doc;
};
