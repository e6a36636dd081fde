#include "hvunit/OwedFile.h"

#include "core/FileSystem.h"
#include "logging/LoggingCtrl.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <unistd.h>

namespace {
constexpr const char* kClass = "OwedFile";

QJsonObject toJson(OwedFile::Entry const& e)
{
    QJsonObject o { { "what", e.values.what }, { "told", e.values.told }, { "serial", e.serial },
                    { "hardwareId", e.hardwareId } };
    if (e.values.gains)
        o.insert(QStringLiteral("gains"), QJsonArray { e.values.gains->gainU, e.values.gains->gainI });
    QJsonArray parameters;
    for (const auto& p : e.values.parameters)
        parameters.append(QJsonArray { int(p.first), QString::number(p.second) });
    o.insert(QStringLiteral("parameters"), parameters);
    return o;
}

// None when the entry holds no values this program could have written: a gain beyond
// 16 bits, a parameter the unit has no code for, a value that is no number, nothing to write.
std::optional<OwedValues> valuesFromJson(QJsonObject const& o)
{
    OwedValues v;
    v.what = o.value(QStringLiteral("what")).toString();
    v.told = o.value(QStringLiteral("told")).toString();
    if (o.contains(QStringLiteral("gains"))) {
        const QJsonArray g = o.value(QStringLiteral("gains")).toArray();
        const int u = g.at(0).toInt(-1), i = g.at(1).toInt(-1);
        if (g.size() != 2 || u < 0 || u > 0xFFFF || i < 0 || i > 0xFFFF)
            return std::nullopt;
        v.gains = stGainCalibration { quint16(u), quint16(i) };
    }
    for (const QJsonValue& entry : o.value(QStringLiteral("parameters")).toArray()) {
        const QJsonArray p = entry.toArray();
        const int type = p.at(0).toInt(-1);
        bool ok = false;
        const quint64 value = p.at(1).toString().toULongLong(&ok);
        if (p.size() != 2 || !ok || type < 0 || TPOF::getPOFParamCode(eHVUnitParamType(type)) == 255)
            return std::nullopt;
        v.parameters << qMakePair(eHVUnitParamType(type), value);
    }
    if (!v.gains && v.parameters.isEmpty())
        return std::nullopt;
    return v;
}
} // namespace

QByteArray OwedFile::encode(Content const& content)
{
    QJsonObject o;
    QJsonArray owed;
    for (const Entry& e : content.entries)
        owed.append(toJson(e));
    if (!owed.isEmpty())
        o.insert(QStringLiteral("owed"), owed);
    if (content.stop)
        o.insert(QStringLiteral("stop"), true);
    return o.isEmpty() ? QByteArray() : QJsonDocument(o).toJson();
}

OwedFile::Content OwedFile::read()
{
    Content content;
    QFile file(m_path);
    if (m_path.isEmpty() || !file.exists())
        return content;
    QJsonParseError error {};
    const QJsonDocument doc = file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &error)
                                                             : QJsonDocument();
    if (!doc.isObject()) {
        KLOG_ERROR2(kClass, "read",
                    QStringLiteral("Cannot read what the HV unit is owed from %1: %2")
                        .arg(m_path, file.error() != QFile::NoError ? file.errorString() : error.errorString()));
        return content;
    }
    content.stop = doc.object().value(QStringLiteral("stop")).toBool();
    for (const QJsonValue& value : doc.object().value(QStringLiteral("owed")).toArray()) {
        const QJsonObject o = value.toObject();
        const std::optional<OwedValues> values = valuesFromJson(o);
        if (!values) {
            KLOG_ERROR2(kClass, "read",
                        QStringLiteral("Not taken from %1: %2")
                            .arg(m_path, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact))));
            continue;
        }
        content.entries.push_back({ *values, o.value(QStringLiteral("serial")).toString(),
                                    o.value(QStringLiteral("hardwareId")).toString() });
    }
    return content;
}

bool OwedFile::write(Content const& content)
{
    if (m_path.isEmpty())
        return true;
    const QByteArray text = encode(content);
    // What is kept must survive a power cut: the file and the folder's entry for it.
    const QString folder = QFileInfo(m_path).absolutePath();
    if (text.isEmpty()) {
        if (!QFile::exists(m_path))
            return true;
        if (!QFile::remove(m_path) || !FileSystem::syncPath(folder)) {
            KLOG_ERROR2(kClass, "write", QStringLiteral("Cannot remove %1").arg(m_path));
            return false;
        }
        return true;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush() || ::fsync(file.handle()) != 0
        || !file.commit() || !FileSystem::syncPath(folder)) {
        KLOG_ERROR2(kClass, "write",
                    QStringLiteral("Cannot keep what the HV unit is owed in %1: %2").arg(m_path, file.errorString()));
        return false;
    }
    return true;
}
