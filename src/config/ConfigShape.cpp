#include "config/ConfigShape.h"

#include "config/ConfigKeys.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextCodec>
#include <QXmlStreamReader>

namespace {
// The text as the document parser takes it: in the declared encoding, UTF-8 where it names
// none it knows, and without the declaration, whose encoding name the stream reader would
// judge more strictly than that parser.
QString decoded(const QByteArray& bytes)
{
    static const QRegularExpression declared(QStringLiteral("^\\s*<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = declared.match(QString::fromLatin1(bytes.left(200)));
    QTextCodec* named = m.hasMatch() ? QTextCodec::codecForName(m.captured(1).toLatin1()) : nullptr;
    QTextCodec* codec = QTextCodec::codecForUtfText(bytes, named ? named : QTextCodec::codecForName("UTF-8"));
    QString text = codec->toUnicode(bytes);
    const int start = text.indexOf(QLatin1String("<?xml"));
    const int end = text.indexOf(QLatin1String("?>"));
    if (start >= 0 && end > start && text.left(start).remove(QChar(0xFEFF)).trimmed().isEmpty())
        text.replace(start, end + 2 - start, QString(end + 2 - start, QLatin1Char(' ')));
    return text;
}
} // namespace

int ConfigShape::maxElements() { return 10 * ConfigKeys::defaultFileElements(); }

QString ConfigShape::check(const QByteArray& bytes)
{
    // Every element with a value as long as a value may be, and some room for its tags.
    const qint64 largest = qint64(maxElements()) * (ConfigKeys::LongestValue + 256);
    if (bytes.size() > largest)
        return QStringLiteral("larger than %1 bytes").arg(largest);
    QXmlStreamReader reader(decoded(bytes));
    // The names of the open elements below the program's key: the key a text belongs to.
    QStringList path;
    int depth = 0;
    int elements = 0;
    int textBytes = 0;
    const int limit = maxElements();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (++depth > MaxDepth)
                return QStringLiteral("deeper than %1 levels").arg(MaxDepth);
            if (++elements > limit)
                return QStringLiteral("more than %1 elements").arg(limit);
            for (const QXmlStreamAttribute& a : reader.attributes()) {
                if (a.value().toUtf8().size() > ConfigKeys::LongestValue)
                    return QStringLiteral("an attribute longer than %1 bytes").arg(ConfigKeys::LongestValue);
            }
            if (depth > 2)
                path << reader.attributes().value(QLatin1String("name")).toString();
            textBytes = 0;
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            if (!path.isEmpty() && depth >= 2)
                path.removeLast();
            textBytes = 0;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction: {
            // A text may come in pieces (around a CDATA section): the element's pieces add up.
            textBytes += reader.text().toUtf8().size() + reader.processingInstructionData().toUtf8().size();
            const QString key = QLatin1Char('/') + path.join(QLatin1Char('/'));
            const int longest = ConfigKeys::longestValue(key);
            if (textBytes > longest)
                return QStringLiteral("a text longer than %1 bytes at %2").arg(longest).arg(key);
            break;
        }
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return QStringLiteral("a document type or entity of its own");
        default:
            break;
        }
    }
    if (reader.hasError())
        return QStringLiteral("%1 (line %2, column %3)")
            .arg(reader.errorString())
            .arg(reader.lineNumber())
            .arg(reader.columnNumber());
    return QString();
}
