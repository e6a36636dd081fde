#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// A user-facing message kept untranslated (context, key, arguments, comment)
// until it is shown, so it can cross threads and be shown in the language
// active at that moment.
class TransObject {
public:
    TransObject() = default;
    TransObject(const QString& context, const QString& key, const QStringList& arguments = QStringList(),
                const QString& comment = QString());

    const QString& context() const { return m_context; }
    const QString& key() const { return m_key; }
    const QStringList& arguments() const { return m_arguments; }
    const QString& comment() const { return m_comment; }

    // The translated text with argument n filled in for every "%n" (1-based).
    QString toText() const;

    // Fills "%1", "%2", ... of text in one pass, so markers inside the
    // arguments themselves stay as they are. Unmatched markers are kept.
    static QString fillArguments(const QString& text, const QStringList& arguments);

    bool operator==(const TransObject& other) const;
    bool operator!=(const TransObject& other) const { return !(*this == other); }

private:
    QString m_context;
    QString m_key;
    QStringList m_arguments;
    QString m_comment;
};

Q_DECLARE_METATYPE(TransObject)
