#include "RandomOperatorReplay.h"

#include <QDir>
#include <cstdio>
#include <QJsonDocument>
#include <QJsonObject>

QString OperatorInput::describe() const
{
    QString what = kind;
    const QString control = !target.isEmpty() ? target : QStringLiteral("%1 \"%2\"").arg(type, text);
    if (kind == QLatin1String("tap") || kind == QLatin1String("turn-to"))
        what += QLatin1Char(' ') + control + (value ? QStringLiteral(" (looked first)") : QString());
    else if (kind == QLatin1String("tap-anywhere"))
        what += QStringLiteral(" %1,%2%3").arg(spot.x()).arg(spot.y()).arg(flag ? " touch" : "");
    else if (kind == QLatin1String("turn"))
        what += QLatin1Char(' ') + QString::number(value);
    else if (kind == QLatin1String("press-twice") || kind == QLatin1String("wait"))
        what += QStringLiteral(" %1 ms").arg(value);
    else if (kind == QLatin1String("type"))
        what += QStringLiteral(" \"%1\"%2 into %3").arg(text, flag ? " (replacing)" : "", target);
    else if (kind == QLatin1String("safety-input"))
        what += QStringLiteral(" %1 %2").arg(value).arg(flag ? "open" : "closed");
    else if (kind == QLatin1String("stick"))
        what += flag ? QStringLiteral(" in") : QStringLiteral(" out");
    else if (kind == QLatin1String("fault") || kind == QLatin1String("unit") || kind == QLatin1String("aim"))
        what += QStringLiteral(" %1%2%3").arg(text, value ? QStringLiteral(" %1").arg(value) : QString(),
                                               value2 ? QStringLiteral(" bit %1").arg(value2, 0, 16) : QString());
    return QStringLiteral("%1.%2 s %3 (%4)").arg(at / 1000).arg(at / 100 % 10).arg(what, shown);
}

QByteArray OperatorInput::toLine() const
{
    QJsonObject o { { "at", at }, { "kind", kind } };
    const auto put = [&o](const char* key, const QString& s) {
        if (!s.isEmpty())
            o.insert(QLatin1String(key), s);
    };
    put("target", target);
    put("type", type);
    put("text", text);
    put("shown", shown);
    if (!spot.isNull()) {
        o.insert(QStringLiteral("x"), spot.x());
        o.insert(QStringLiteral("y"), spot.y());
    }
    if (value)
        o.insert(QStringLiteral("value"), value);
    if (value2)
        o.insert(QStringLiteral("value2"), value2);
    if (flag)
        o.insert(QStringLiteral("flag"), true);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

OperatorInput OperatorInput::fromLine(const QByteArray& line, bool* ok)
{
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    OperatorInput in;
    in.at = qint64(o.value(QLatin1String("at")).toDouble(-1));
    in.kind = o.value(QLatin1String("kind")).toString();
    in.target = o.value(QLatin1String("target")).toString();
    in.type = o.value(QLatin1String("type")).toString();
    in.text = o.value(QLatin1String("text")).toString();
    in.shown = o.value(QLatin1String("shown")).toString();
    in.spot = QPoint(o.value(QLatin1String("x")).toInt(), o.value(QLatin1String("y")).toInt());
    in.value = o.value(QLatin1String("value")).toInt();
    in.value2 = o.value(QLatin1String("value2")).toInt();
    in.flag = o.value(QLatin1String("flag")).toBool();
    *ok = in.at >= 0 && !in.kind.isEmpty();
    return in;
}

bool InputLog::open(const QString& folder, const QString& name)
{
    QDir().mkpath(folder);
    m_file.setFileName(QDir(folder).filePath(name));
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void InputLog::write(const OperatorInput& input)
{
    // Flushed each time: a run that crashes still leaves what led there.
    m_file.write(input.toLine() + '\n');
    m_file.flush();
    m_last << input.describe();
    if (verbose)
        std::printf("%s\n", qPrintable(m_last.last()));
    if (m_last.size() > 50)
        m_last.removeFirst();
}

QList<OperatorInput> InputLog::read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    QList<OperatorInput> inputs;
    for (int number = 1; !file.atEnd(); ++number) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty())
            continue;
        bool ok = false;
        inputs << OperatorInput::fromLine(line, &ok);
        if (!ok) {
            *error = QStringLiteral("%1:%2: not an input: %3").arg(path).arg(number).arg(QString::fromUtf8(line));
            return {};
        }
    }
    if (inputs.isEmpty())
        *error = QStringLiteral("%1 holds no input").arg(path);
    return inputs;
}
