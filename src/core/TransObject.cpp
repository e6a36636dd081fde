#include "core/TransObject.h"

#include <QCoreApplication>
#include <QList>

namespace {
// Registered once so messages can travel through queued signals.
const int g_metaTypes = (qRegisterMetaType<TransObject>("TransObject"),
                         qRegisterMetaType<QList<TransObject>>("QList<TransObject>"), 0);
} // namespace

TransObject::TransObject(const QString& context, const QString& key, const QStringList& arguments,
                         const QString& comment)
    : m_context(context), m_key(key), m_arguments(arguments), m_comment(comment)
{
    Q_UNUSED(g_metaTypes)
}

QString TransObject::toText() const
{
    const QByteArray context = m_context.toUtf8();
    const QByteArray key = m_key.toUtf8();
    const QByteArray comment = m_comment.toUtf8();
    const QString text = QCoreApplication::translate(context.constData(), key.constData(),
                                                     m_comment.isEmpty() ? nullptr : comment.constData());
    return fillArguments(text, m_arguments);
}

QString TransObject::fillArguments(const QString& text, const QStringList& arguments)
{
    if (arguments.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    const int n = text.size();
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('%') && i + 1 < n && text.at(i + 1).isDigit()) {
            // Up to two digits, like QString::arg.
            int j = i + 1;
            int number = 0;
            while (j < n && j < i + 3 && text.at(j).isDigit()) {
                number = number * 10 + text.at(j).digitValue();
                ++j;
            }
            if (number >= 1 && number <= arguments.size()) {
                out += arguments.at(number - 1);
                i = j;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

bool TransObject::operator==(const TransObject& other) const
{
    return m_context == other.m_context && m_key == other.m_key && m_arguments == other.m_arguments &&
           m_comment == other.m_comment;
}
