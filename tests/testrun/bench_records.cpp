// Speed of the record files: a one-hour sine test written safely (with sync) and read
// back, the history list of a store of 5,000 records, and the same list again and again
// with eight unreadable 100 MB files in the store (time, peak memory, warnings). Not a
// CTest test.
#include "core/FileSystem.h"
#include "fakes/LogCapture.h"
#include "fakes/RecordBuilder.h"
#include "testrun/File.h"
#include "testrun/MeasurementManager.h"
#include "testrun/TestChart.h"
#include "testrun/UnreadableRecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>

#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

using namespace TestChart;

namespace {
// The bytes alone, written the way a save writes them.
bool rawWrite(const QString& target, const QByteArray& bytes)
{
    const QString temp = target + QStringLiteral(".tmp");
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush())
        return false;
    const bool synced = ::fsync(f.handle()) == 0;
    f.close();
    return synced && ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0
        && FileSystem::syncPath(QFileInfo(target).absolutePath());
}

double median(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

QString minMedMax(QVector<double> v)
{
    std::sort(v.begin(), v.end());
    return QStringLiteral("%1 / %2 / %3").arg(v.first(), 0, 'f', 1).arg(v.at(v.size() / 2), 0, 'f', 1).arg(v.last(), 0, 'f', 1);
}

// The process's peak resident memory so far, in MB.
double peakMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// A file of the size named like a record, holding bytes no reader can take.
bool writeGarbage(const QString& path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QRandomGenerator random(quint32(qHash(path)));
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (qint64 written = 0; written < size; written += chunk.size()) {
        random.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        if (f.write(chunk) != chunk.size())
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    // One hour at 100 ms, 0.1 Hz sine: 36,000 samples and 360 periods.
    const VLF::TestData hour =
        RecordBuilder::benchRecord(QDateTime::currentDateTime(), 36000, 360, OperatingModes::VLFSin, "K1");
    const QString target = dir.filePath(exportFileName(hour));
    const QString rawTarget = dir.filePath(QStringLiteral("raw.vlf"));
    const QByteArray bytes = VLF::File::encode(hour);
    // Save and raw write take turns, so a drift in the machine's speed hits both alike.
    QVector<double> writes, raws, ratios, encodes, reads;
    for (int round = 0; round < 15; ++round) {
        QElapsedTimer t;
        t.start();
        if (!writeFile(target, hour))
            return 2;
        writes << t.nsecsElapsed() / 1e6;
        t.restart();
        if (!rawWrite(rawTarget, bytes))
            return 5;
        raws << t.nsecsElapsed() / 1e6;
        ratios << writes.last() / raws.last();
        t.restart();
        if (VLF::File::encode(hour).size() != bytes.size())
            return 7;
        encodes << t.nsecsElapsed() / 1e6;
        VLF::TestData back;
        t.restart();
        if (!readFile(target, back) || back != hour)
            return 3;
        reads << t.nsecsElapsed() / 1e6;
    }
    QFile saved(target);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != bytes)
        return 6;
    out << "one-hour record: " << QFileInfo(target).size() << " bytes\n";
    out << "  safe save (encode, temp, fsync, read back, rename): median " << median(writes) << " ms, max "
        << *std::max_element(writes.begin(), writes.end()) << " ms\n";
    out << "  raw write of the same bytes (temp, fsync, rename): median " << median(raws) << " ms\n";
    out << "  encoding alone: median " << median(encodes) << " ms\n";
    out << "  save / raw write: median ratio " << median(ratios) << "\n";
    out << "  read back (all sections): median " << median(reads) << " ms, max "
        << *std::max_element(reads.begin(), reads.end()) << " ms\n";

    // 5,000 records of ten minutes each: 100 days with 50 tests on 5 cables.
    const QString store = dir.filePath(QStringLiteral("store"));
    const QDateTime first(QDate(2025, 1, 1), QTime(6, 0));
    for (int day = 0; day < 100; ++day) {
        const QDateTime date = first.addDays(day);
        const QString folder = store + QLatin1Char('/') + date.toString(QStringLiteral("yyyyMMdd"));
        QDir().mkpath(folder);
        for (int n = 0; n < 50; ++n) {
            const auto mode = (n % 3 == 0) ? OperatingModes::TanDelta : OperatingModes::VLFSin;
            const VLF::TestData rec = RecordBuilder::benchRecord(date.addSecs(n * 600), 6000, 60, mode,
                                                                 QStringLiteral("Cable %1").arg(n % 5));
            if (!VLF::File::write(folder + QLatin1Char('/') + exportFileName(rec), rec))
                return 4;
        }
    }
    HistoryFormat fmt;
    fmt.dateFormat = QStringLiteral("dd.MM.yyyy");
    fmt.timeFormat = QStringLiteral("hh:mm");
    fmt.phaseNames = QStringList{QStringLiteral("L1"), QStringLiteral("L2"), QStringLiteral("L3")};
    QVector<double> lists, paths;
    int rows = 0, count = 0;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        rows = activityEntryList(store, fmt).size();
        lists << t.nsecsElapsed() / 1e6;
        t.restart();
        count = MeasurementManager(store).getMeasurementPathes().size();
        paths << t.nsecsElapsed() / 1e6;
    }
    out << "store of " << count << " records (" << rows << " history rows):\n";
    out << "  history list: median " << median(lists) << " ms (first run " << lists.first() << " ms)\n";
    out << "  listing by time: median " << median(paths) << " ms\n";

    // The same store with eight unreadable 100 MB files in one day folder, listed as a
    // reopened history lists it, again and again, with what the history keeps of them.
    LogCapture log;
    UnreadableRecords unreadable;
    const double cleanPeak = peakMB();
    QVector<double> clean;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        activityEntryList(store, fmt, &unreadable);
        clean << t.nsecsElapsed() / 1e6;
    }
    const QString damagedDay = store + QStringLiteral("/20250301");
    for (int i = 0; i < 8; ++i) {
        if (!writeGarbage(damagedDay + QStringLiteral("/00000000123-20250301-2300%1-VLFSine.vlf").arg(i, 2, 10, QLatin1Char('0')),
                          100 << 20))
            return 8;
    }
    log.clear();
    QVector<double> damaged;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        rows = activityEntryList(store, fmt, &unreadable).size();
        damaged << t.nsecsElapsed() / 1e6;
    }
    const int warnings = log.deliveredWhere([](const LoggingData& d) { return d.text.endsWith(QLatin1String("PARSE ERROR!")); }).size();
    out << "history list, min / median / max of 5 listings:\n";
    out << "  clean store: " << minMedMax(clean) << " ms\n";
    out << "  with eight unreadable 100 MB files: " << minMedMax(damaged) << " ms (first " << damaged.first()
        << " ms), " << rows << " rows\n";
    out << "  peak memory " << cleanPeak << " MB before, " << peakMB() << " MB after; " << warnings
        << " parse warnings in 5 listings\n";
    return 0;
}
