#include "testrun/TestChart.h"

#include "testrun/File.h"
#include "testrun/UnreadableRecords.h"
#include "core/FileSystem.h"
#include "core/StickWriter.h"
#include "logging/LoggingCtrl.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace TestChart {

const char* const StartTimeFormat = "yyyy-MM-ddThh:mm:ss.zzz";

namespace {
const char* const kClass = "TestChart";
constexpr int kWriteAttempts = 5;
constexpr int kRetryStepMs = 255;

QDateTime startTime(const VLF::TestData& data)
{
    return QDateTime::fromString(VLF::info(data, 1, 15), QString::fromLatin1(StartTimeFormat));
}

// Pushes a file's (or folder's) data to the medium.
bool syncPath(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? (O_RDONLY | O_DIRECTORY) : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool rewrite(const QString& path, const std::function<void(VLF::TestData&)>& change)
{
    VLF::TestData data;
    bool ok = readFile(path, data);
    if (ok) {
        change(data);
        ok = writeFile(path, data);
    }
    return ok;
}
} // namespace

namespace detail {
bool isTanDeltaMode(int mode) { return mode == OperatingModes::TanDelta || mode == OperatingModes::MWTStep; }
} // namespace detail

QString operatingModeName(OperatingModes::OperatingMode mode)
{
    QString name = OperatingModes::getInstance()->modeName(mode);
    name.remove(QRegularExpression(QStringLiteral("\\s")));
    return name;
}

QString exportFileName(const VLF::TestData& data)
{
    const QDateTime start = startTime(data);
    const qulonglong serial = VLF::info(data, 0, 10).toULongLong();
    const auto mode = OperatingModes::fromInt(VLF::info(data, 0, 12).toInt());
    return QStringLiteral("%1-%2-%3-%4.vlf")
        .arg(serial, 11, 10, QLatin1Char('0'))
        .arg(start.toString(QStringLiteral("yyyyMMdd")), start.toString(QStringLiteral("hhmmss")),
             operatingModeName(mode));
}

bool readFile(const QString& path, VLF::TestData& data)
{
    if (VLF::File::read(path, data, true))
        return true;
    KLOG_ERROR2(kClass, "readFile", QStringLiteral("Can't read data from: ") + path);
    return false;
}

namespace {
// Writes bytes to path and pushes them to the medium.
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = file.write(bytes) == bytes.size() && file.flush();
    ok = ::fsync(file.handle()) == 0 && ok;
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

// The whole file read back must be the bytes meant for it.
bool readsBack(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() == bytes.size() && file.readAll() == bytes;
}
} // namespace

bool writeFile(const QString& target, const VLF::TestData& data)
{
    // Beside the target, so the final rename stays on one file system and is atomic.
    const QString temp = target + QStringLiteral(".tmp");
    const QString folder = QFileInfo(target).absolutePath();
    const QByteArray bytes = VLF::File::encode(data);
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (attempt > 0)
            GlobalFuncs::waitMs(kRetryStepMs * attempt);
        if (QFileInfo::exists(temp) && !QFile::remove(temp)) {
            KLOG_ERROR2(kClass, "writeFile", QStringLiteral("FirstTempCleanupError: ") + temp);
            return false;
        }
        if (!writeBytes(temp, bytes)) {
            KLOG_ERROR2(kClass, "writeFile", QStringLiteral("TempWriteError: ") + temp);
            continue;
        }
        if (!readsBack(temp, bytes)) {
            KLOG_ERROR2(kClass, "writeFile", QStringLiteral("TempVerifyError: ") + temp);
            continue;
        }
        // The old record is replaced only by a complete, verified new one; the rename
        // moves that very file, so it needs no second reading.
        if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
            KLOG_ERROR2(kClass, "writeFile", QStringLiteral("CopyError: ") + target);
            continue;
        }
        syncPath(folder, true);
        return true;
    }
    // Leave no half-written scratch file behind.
    if (QFileInfo(temp).isFile())
        QFile::remove(temp);
    KLOG_ERROR2(kClass, "writeFile", QStringLiteral("Can't write data to: ") + target);
    return false;
}

int removeUnfinishedRecords(const QString& folder)
{
    // Record names are unique, so a scratch copy left by a power cut is never reused.
    int removed = 0;
    QSet<QString> touched;
    QDirIterator it(folder, QStringList{QStringLiteral("*.vlf.tmp")}, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFile::remove(path)) {
            ++removed;
            touched.insert(QFileInfo(path).absolutePath());
        } else {
            KLOG_WARN2(kClass, "removeUnfinishedRecords", QStringLiteral("Can't remove: ") + path);
        }
    }
    // A day folder that held nothing else goes too, as after a deletion.
    const QString top = QDir(folder).absolutePath();
    for (const QString& dir : qAsConst(touched)) {
        if (dir != top)
            QDir().rmdir(dir);
    }
    if (removed > 0)
        KLOG_INFO2(kClass, "removeUnfinishedRecords",
                   QStringLiteral("Removed %1 unfinished record files below %2").arg(removed).arg(folder));
    return removed;
}

bool loadTestData(const QString& path, VLF::TestData* data)
{
    return data && readFile(path, *data);
}

bool saveTestData(GlobalFuncs::Path location, const VLF::TestData& data)
{
    // Refused before writing: another place (the stick's top among them) is no store.
    if (location != GlobalFuncs::UsbMeasurements && location != GlobalFuncs::InternalMeasurements) {
        KLOG_WARN2(kClass, "saveTestData", "Unknown path type!");
        return false;
    }
    const QString folder =
        GlobalFuncs::getUsbPath(location) + QLatin1Char('/') + startTime(data).toString(QStringLiteral("yyyyMMdd"));
    // The copy for the stick goes through the stick's guard, in one attempt: a pulled
    // stick does not come back within the retries.
    const bool onStick = location == GlobalFuncs::UsbMeasurements;
    if (!(onStick ? StickWriter::makeFolder(folder) : FileSystem::mkpath(folder))) {
        KLOG_WARN2(kClass, "saveTestData", QStringLiteral("Can't create directory: ") + folder);
        return false;
    }
    const QString fileName = exportFileName(data);
    const QString target = folder + QLatin1Char('/') + fileName;
    if (!(onStick ? StickWriter::writeFile(target, VLF::File::encode(data)) : writeFile(target, data))) {
        KLOG_WARN2(kClass, "saveTestData", QStringLiteral("Error writing file: ") + target);
        return false;
    }
    stExportTestInfo savedInfo;
    savedInfo.fileName = fileName;
    savedInfo.directory = folder;
    detail::publishSavedRecord(location, savedInfo);
    return true;
}

bool updateComment(const QString& path, const QString& text)
{
    return rewrite(path, [&text](VLF::TestData& data) { VLF::update(data, 1, 25, text); });
}

bool updateCableNumber(const QString& path, const QString& text)
{
    return rewrite(path, [&text](VLF::TestData& data) {
        VLF::update(data, 0, 34, text);
        VLF::update(data, 0, 42, text);
    });
}

QString cableNumber(const VLF::TestData& data)
{
    const QString text = VLF::info(data, 0, 42).trimmed();
    return text.isEmpty() ? VLF::info(data, 0, 34).trimmed() : text;
}

bool measurementEntry(const QFileInfo& file, ActivityTypes::stActivityEntry& entry)
{
    return measurementEntry(file, entry, historyFormat());
}

bool measurementEntry(const QFileInfo& file, ActivityTypes::stActivityEntry& entry, const HistoryFormat& format,
                      UnreadableRecords* unreadable)
{
    entry.path = file.absoluteFilePath();
    entry.name = file.fileName();
    VLF::TestData data;
    const bool known = unreadable && unreadable->contains(file);
    if (known || !VLF::File::read(entry.path, data, false)) {
        entry.time = QStringLiteral("[ERR]");
        entry.mode = QStringLiteral("EPARSE");
        entry.comment = file.fileName();
        if (!known && (!unreadable || unreadable->add(file)))
            KLOG_WARN2("TestChart::Read", "measurementEntry", file.fileName() + QStringLiteral(" PARSE ERROR!"));
        return false;
    }
    const QLocale locale;
    entry.time = locale.toString(startTime(data).time(), format.timeFormat);

    entry.modeId = VLF::info(data, 0, 12).toInt();
    const QByteArray modeKey = operatingModeName(OperatingModes::fromInt(entry.modeId)).toUtf8();
    entry.mode = QCoreApplication::translate("TestModes", modeKey.constData(), "Test Mode description");
    const QString polarity = VLF::info(data, 0, 14);
    if (!polarity.isNull()) {
        if (entry.mode.isEmpty())
            KLOG_WARN2(kClass, "measurementEntry", QStringLiteral("Empty mode name: ") + QString::number(entry.modeId));
        else
            entry.mode += polarity.toLongLong() != 0 ? QStringLiteral("+") : QStringLiteral("-");
    }

    const int phases = VLF::info(data, 0, 17).toInt();
    QStringList names;
    for (int bit = 0; bit < 3; ++bit) {
        if (phases & (1 << bit))
            names << format.phaseNames.value(bit);
    }
    entry.phase = names.join(QLatin1Char(' '));

    const double kV = VLF::info(data, 0, 13).toLongLong() / 1000.0 / 1000.0;
    entry.voltage = QStringLiteral("%1 %2").arg(locale.toString(kV, 'f', 1),
                                                QCoreApplication::translate("Units", "kV", "unit kilo volt"));

    entry.cableNumber = cableNumber(data);
    entry.comment = VLF::info(data, 1, 25).trimmed();
    return true;
}

int countJudgedWith(const QString& folder, const QSet<int>& standards)
{
    int count = 0;
    QDirIterator it(folder, {QStringLiteral("*.vlf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        VLF::TestData data;
        if (VLF::File::read(it.next(), data, false) && detail::isTanDeltaMode(VLF::info(data, 0, 12).toInt()) &&
            standards.contains(VLF::info(data, 0, 21).toInt()))
            ++count;
    }
    return count;
}

ActivityTypes::ActivityEntryList activityEntryList(const QString& folder)
{
    return activityEntryList(folder, historyFormat());
}

ActivityTypes::ActivityEntryList activityEntryList(const QString& folder, const HistoryFormat& format,
                                                   UnreadableRecords* unreadable)
{
    ActivityTypes::ActivityEntryList list;
    const QDir dir(folder);
    if (!dir.exists())
        return list;
    const QString q = QStringLiteral("?");
    const QStringList filters{q.repeated(8), QStringLiteral(".."),
                              q.repeated(11) + QLatin1Char('-') + q.repeated(8) + QLatin1Char('-') + q.repeated(6)
                                  + QStringLiteral("*.vlf")};
    const QFileInfoList entries = dir.entryInfoList(filters, QDir::Files | QDir::AllDirs | QDir::NoDotAndDotDot,
                                                    QDir::DirsFirst | QDir::Name | QDir::Reversed);
    const QLocale locale;
    for (const QFileInfo& info : entries) {
        if (info.isDir()) {
            const QString name = info.fileName();
            const QDate date(name.mid(0, 4).toInt(), name.mid(4, 2).toInt(), name.mid(6, 2).toInt());
            const QString dateText = locale.toString(date, format.dateFormat);
            const ActivityTypes::ActivityEntryList inner = activityEntryList(info.absoluteFilePath(), format, unreadable);

            QStringList cables;
            QVector<OperatingModes::Classifications> classes;
            for (const auto& e : inner) {
                int index = cables.indexOf(e.cableNumber);
                if (index < 0) {
                    cables << e.cableNumber;
                    classes << OperatingModes::Classifications();
                    index = cables.size() - 1;
                }
                classes[index] |= OperatingModes::getInstance()->getClassification(OperatingModes::fromInt(e.modeId));
            }
            for (int g = 0; g < cables.size(); ++g) {
                ActivityTypes::stActivityEntry head;
                head.type = ActivityTypes::Folder;
                head.isSelected = 0;
                head.isVisible = true;
                head.name = dateText;
                head.date = dateText;
                head.cableNumber = cables.at(g);
                head.classification = OperatingModes::getInstance()->getClassificationString(classes.at(g));
                list << head;
                for (auto e : inner) {
                    if (e.cableNumber != cables.at(g))
                        continue;
                    e.date = dateText;
                    list << e;
                }
            }
        } else {
            ActivityTypes::stActivityEntry entry;
            entry.type = ActivityTypes::Measurement;
            entry.isSelected = 0;
            entry.isVisible = false;
            // An unreadable record would only show as an error row; it is kept for debugging.
            if (measurementEntry(info, entry, format, unreadable) || format.keepUnreadable)
                list << entry;
        }
    }
    return list;
}

} // namespace TestChart
