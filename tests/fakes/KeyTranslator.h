#pragma once

#include <QString>
#include <QTranslator>

// Translates every text to "context/key", so a test sees which key was asked for.
class KeyTranslator : public QTranslator {
public:
    static QString text(const char* context, const char* key)
    {
        return QString::fromUtf8(context) + QLatin1Char('/') + QString::fromUtf8(key);
    }
    QString translate(const char* context, const char* key, const char*, int) const override
    {
        return text(context, key);
    }
    bool isEmpty() const override { return false; }
};
