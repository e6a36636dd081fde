#include "hvunit/OwedFile.h"

#include "core/FileSystem.h"
#include "logging/LoggingCtrl.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

#include <unistd.h>

namespace {
constexpr const char* kClass = "OwedFile";
// The U gain the output calibration computes from readings of 33 to 41 kV; the I gain
// it gives back is the unit's own, which no unit holds outside the same bounds.
constexpr int kLowestGain = 8900, kHighestGain = 11100;
// The cascade calibration's words (line codes 13, 14, 17, 18), as the run keeps them.
const QList<eHVUnitParamType> kCascadeWords { eHVUnitParamType_GainU_HVP, eHVUnitParamType_OffsetU_HVP,
                                              eHVUnitParamType_GainU_HVN, eHVUnitParamType_OffsetU_HVN };
// Longer texts are none this program wrote.
constexpr int kLongestText = 256;

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
// 16 bits, a parameter the unit has no code for, a value that is no number, an outsized text.
std::optional<OwedValues> valuesFromJson(QJsonObject const& o)
{
    OwedValues v;
    v.what = o.value(QStringLiteral("what")).toString();
    v.told = o.value(QStringLiteral("told")).toString();
    if (v.what.size() > kLongestText || v.told.size() > kLongestText)
        return std::nullopt;
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
        if (p.size() != 2 || !ok || type < 0 || type >= HVUnitParamTypeCount)
            return std::nullopt;
        v.parameters << qMakePair(eHVUnitParamType(type), value);
    }
    return v;
}

// An entry as the log and the header name it: its unit and its values, not its own texts.
QString describe(QJsonObject const& o)
{
    QJsonObject values;
    for (const char* key : { "gains", "parameters" })
        if (o.contains(QLatin1String(key)))
            values.insert(QLatin1String(key), o.value(QLatin1String(key)));
    QString text = QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact));
    if (text.size() > 120)
        text = text.left(117) + QStringLiteral("...");
    return QStringLiteral("HV unit %1: %2").arg(o.value(QStringLiteral("serial")).toString().left(40), text);
}

bool nothingToRestore(OwedValues const& v)
{
    return v.gains && v.gains->gainU == 0 && v.gains->gainI == 0 && v.parameters.isEmpty();
}
} // namespace

OwedFile::Kind OwedFile::kindOf(OwedValues const& v)
{
    const auto inBounds = [](int gain) { return gain >= kLowestGain && gain <= kHighestGain; };
    if (v.gains)
        return v.parameters.isEmpty() && inBounds(v.gains->gainU) && inBounds(v.gains->gainI) ? Kind::Gains : Kind::None;
    QList<eHVUnitParamType> types;
    for (const auto& p : v.parameters)
        types << p.first;
    std::sort(types.begin(), types.end());
    QList<eHVUnitParamType> words = kCascadeWords;
    std::sort(words.begin(), words.end());
    return types == words ? Kind::Words : Kind::None;
}

QString OwedFile::nameFirst(QStringList const& items, int most)
{
    QStringList named = items.mid(0, most);
    if (items.size() > named.size())
        named << QStringLiteral("%1 more").arg(items.size() - named.size());
    return named.join(QStringLiteral("; "));
}

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

OwedFile::Found OwedFile::read()
{
    Found found;
    QFile file(m_path);
    if (m_path.isEmpty() || !file.exists())
        return found;
    if (!file.open(QIODevice::ReadOnly)) {
        keepAside(file.errorString(), found);
        return found;
    }
    const QByteArray text = file.read(kMaxBytes + 1);
    file.close();
    if (text.size() > kMaxBytes) {
        keepAside(QStringLiteral("larger than %1 bytes").arg(kMaxBytes), found);
        return found;
    }
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    const QJsonObject top = doc.object();
    const QJsonValue stop = top.value(QStringLiteral("stop")), owed = top.value(QStringLiteral("owed"));
    if (!doc.isObject() || !(stop.isUndefined() || stop.isBool()) || !(owed.isUndefined() || owed.isArray())) {
        keepAside(error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("not what this program writes"),
                  found);
        return found;
    }
    found.content.stop = stop.toBool();
    QSet<QString> taken; // unit and procedure
    for (const QJsonValue& value : owed.toArray()) {
        const QJsonObject o = value.toObject();
        const std::optional<OwedValues> values = valuesFromJson(o);
        const QString serial = o.value(QStringLiteral("serial")).toString();
        const QString hardwareId = o.value(QStringLiteral("hardwareId")).toString();
        const Kind kind = values ? kindOf(*values) : Kind::None;
        const QString unitAndKind = serial + QLatin1Char('\n') + hardwareId + QLatin1Char('\n') + QString::number(int(kind));
        if (serial.isEmpty())
            found.dropped << describe(o) + QStringLiteral(" (names no HV unit)");
        else if (values && nothingToRestore(*values))
            found.dropped << describe(o) + QStringLiteral(" (nothing to restore)");
        else if (kind == Kind::None)
            found.refused << describe(o);
        else if (taken.contains(unitAndKind))
            found.refused << describe(o) + QStringLiteral(" (a second entry for the unit and procedure)");
        else {
            taken << unitAndKind;
            found.content.entries.push_back({ *values, serial, hardwareId });
        }
    }
    if (!found.dropped.isEmpty())
        KLOG_WARN2(kClass, "read", QStringLiteral("Dropped from %1: %2").arg(m_path, nameFirst(found.dropped, 10)));
    if (!found.refused.isEmpty())
        KLOG_ERROR2(kClass, "read",
                    QStringLiteral("Not taken from %1, no commissioning run keeps such values: %2")
                        .arg(m_path, nameFirst(found.refused, 10)));
    return found;
}

void OwedFile::keepAside(QString const& damage, Found& found)
{
    found.damage = damage;
    QString aside = m_path + QStringLiteral(".unread");
    for (int n = 2; QFileInfo::exists(aside) && n < 1000; ++n)
        aside = m_path + QStringLiteral(".unread.") + QString::number(n);
    if (QFile::rename(m_path, aside) && FileSystem::syncPath(QFileInfo(m_path).absolutePath())) {
        found.keptAside = aside;
        KLOG_ERROR2(kClass, "read",
                    QStringLiteral("Cannot read what the HV unit is owed from %1 (%2); kept as %3: the unit may still "
                                   "hold a commissioning procedure's set-up values")
                        .arg(m_path, damage, aside));
        return;
    }
    // Never overwritten: what it holds may be all that tells of the unit's old values.
    m_blocked = QFileInfo::exists(m_path);
    found.keptAside = m_path;
    KLOG_ERROR2(kClass, "read",
                QStringLiteral("Cannot read what the HV unit is owed from %1 (%2), nor move it aside: the unit may still "
                               "hold a commissioning procedure's set-up values")
                    .arg(m_path, damage));
}

bool OwedFile::write(Content const& content)
{
    if (m_path.isEmpty())
        return true;
    if (m_blocked) {
        KLOG_ERROR2(kClass, "write", QStringLiteral("Not written: %1 could not be read nor moved aside").arg(m_path));
        return false;
    }
    const QByteArray text = encode(content);
    if (text.size() > kMaxBytes) {
        KLOG_ERROR2(kClass, "write",
                    QStringLiteral("Not written: %1 would take %2 bytes, more than %3").arg(m_path).arg(text.size()).arg(kMaxBytes));
        return false;
    }
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
