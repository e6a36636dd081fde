#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Value types of configuration entries as the configuration editor numbers them;
// groups report CVT_GROUP, an entry without a known type CVT_NONE.
enum ConfigValueTypes : int {
    CVT_GROUP = -1,
    CVT_NONE = 0,
    CVT_BINARY = 1,
    CVT_STRING = 2,
    CVT_LONG = 3,
    CVT_DOUBLE = 4,
    CVT_BOOL = 5,
};

// Typed configuration store addressed by "/group/.../key" paths.
// Every call returns 0 on success and one of the error codes otherwise.
class IConfigBase {
public:
    enum ErrorCode : int {
        CFG_OK = 0,
        CFG_NOT_FOUND = 1,     // no entry at that path
        CFG_WRONG_TYPE = 2,    // entry exists with another value type
        CFG_READ_ONLY = 3,     // entry is read-only
        CFG_OUT_OF_LIMITS = 4, // value outside the entry's limits
        CFG_NO_LIMITS = 5,     // entry has no limits
        CFG_IO_ERROR = 6,      // file could not be read or written
        CFG_BAD_KEY = 7,       // malformed path
    };

    virtual ~IConfigBase();

    // (Re)reads the configuration; non-zero when a configuration was loaded.
    virtual int initialize() = 0;
    virtual int save() = 0;

    // Names and types of the entries directly below a path ("" is the root), sorted by name.
    virtual int subkeys(const QString& key, QMap<QString, ConfigValueTypes>& out) = 0;
    virtual bool exists(const QString& key) = 0;

    // A binary entry reads as true when any of its bytes is not zero.
    virtual int queryBoolean(const QString& key, bool& value) = 0;
    // On any error the value is the default text.
    virtual int queryString(const QString& key, QString& value, const QString& defaultValue = QString()) = 0;
    virtual int queryLong(const QString& key, long& value) = 0;
    virtual int queryDouble(const QString& key, double& value) = 0;
    virtual int queryBinary(const QString& key, QByteArray& value) = 0;
    // Reads a long; when the key is missing, creates it with the value passed in.
    virtual int queryEnsureLong(const QString& key, long& value, long min = 0, long max = 0,
                                unsigned long step = 0) = 0;
    // CFG_OK when the key has limits, CFG_NO_LIMITS when it has none.
    virtual int getLongRanges(const QString& key, long& min, long& max, unsigned long& step) = 0;
    virtual int isReadOnly(const QString& key, bool& readOnly) = 0;

    // Setters create missing keys and groups. A rejected write changes nothing.
    // min == max == step == 0 keeps the limits the key already has.
    virtual int setDouble(const QString& key, double value, double min = 0, double max = 0, double step = 0) = 0;
    // min == max == step == 0 keeps the limits the key already has.
    virtual int setLong(const QString& key, long value, long min = 0, long max = 0, unsigned long step = 0) = 0;
    // A non-empty list (items separated by ";") replaces the allowed values; an empty one keeps them.
    // With allowed values, any other value is out of limits.
    virtual int setString(const QString& key, const QString& value, const QString& list = QString()) = 0;
    virtual int setBoolean(const QString& key, bool value) = 0;
    virtual int setBinary(const QString& key, const QByteArray& value) = 0;
};
