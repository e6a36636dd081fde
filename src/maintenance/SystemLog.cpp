#include "maintenance/SystemLog.h"

#include "config/ConfigAccessXML.h"
#include "core/GlobalFuncs.h"
#include "core/InvalidVersion.h"
#include "core/StickWriter.h"
#include "core/WhenFinished.h"
#include "datamodel/DataModell.h"
#include "datamodel/Statistics.h"
#include "db/DB.h"
#include "logging/LoggingCtrl.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QLocale>
#include <QTextStream>
#include <QTimer>
#include <QtConcurrent>

namespace {
const char* const kClass = "SystemLog";

// Version lines of the report: label and DataModell::getVersion type.
struct VersionLine {
    const char* label;
    int type;
    bool detailed;
};
const VersionLine kVersionLines[] = {
    {"Bootloader Version: %1", 4, false},  {"Kernel Version: %1", 5, false},
    {"Filesystem Version: %1", 6, false},  {"Application Version: %1", 7, true},
    {"Application Data Version: %1", 8, false}, {"Fonts Version: %1", 9, false},
};

QString configFilePath()
{
    if (auto* xml = dynamic_cast<ConfigAccessXML*>(GlobalFuncs::getConfig()))
        return xml->filePath();
    return GlobalFuncs::getUsbPath(GlobalFuncs::ConfigDirectory) + QLatin1Char('/')
        + QCoreApplication::applicationName() + QStringLiteral(".cfg.xml");
}
} // namespace

SystemLog::SystemLog(const Statistics* statistics)
    : m_statistics(statistics), m_clock([] { return QDateTime::currentDateTime(); })
{
    const DataModell* dm = GlobalFuncs::getDM();
    for (const VersionLine& v : kVersionLines) {
        const QString version = dm ? dm->getVersion(v.type, v.detailed) : QString::fromLatin1(INVALID_VERSION);
        m_versionLines << QString::fromLatin1(v.label).arg(version);
    }
}

SystemLog::~SystemLog() = default;

void SystemLog::setClock(Clock clock) { m_clock = std::move(clock); }

void SystemLog::setMachineName(const QString& name)
{
    m_machineName = name;
    m_cfgInfo[CfgInfoVersions].clear();
    m_cfgInfo[CfgInfoHardware].clear();
}

void SystemLog::addCfgInfo(eCfgInfoType type, const QStringList& lines)
{
    if (!checkCfgInfoType(type))
        return;
    m_cfgInfo[type] << lines;
}

void SystemLog::scheduleSysLogGeneration(QDir folder)
{
    m_exportFolder = folder;
    ++m_pending;
    QTimer::singleShot(0, this, [this] {
        --m_pending;
        generateSystemLog();
    });
}

void SystemLog::generateSystemLog()
{
    ++m_generating;
    const QDateTime now = m_clock();

    // The identity and the configuration are read here, where they live; the logs can
    // be long and are read, scrambled and written on a pool thread while this thread
    // keeps serving its events (the database answers its pages from here).
    QByteArray content;
    bool ok = false;
    {
        QBuffer buffer(&content);
        buffer.open(QIODevice::WriteOnly);
        QTextStream out(&buffer);
        out.setCodec("UTF-8");
        ok = writeConfiguration(out);
        out.flush();
    }

    const QString fileName = QLocale::c()
                                 .toString(now, QStringLiteral("'%1_'yyyy'_'MM'_'dd'_'hh'_'mm"))
                                 .arg(GlobalFuncs::getProjectAbbreviation())
        + QStringLiteral(".txt");
    const QString path = m_exportFolder.absolutePath() + QLatin1Char('/') + fileName;
    whenFinished(this, QtConcurrent::run([this, content, path] { return writeLogsAndFile(content, path); }),
                 [this, fileName, configured = ok](bool written) {
                     const bool whole = written && configured;
                     if (whole)
                         m_reportFile = fileName;
                     --m_generating;
                     emit SystemLogGenerated(whole);
                 });
}

bool SystemLog::writeLogsAndFile(QByteArray content, const QString& path)
{
    bool ok = true;
    {
        QBuffer buffer(&content);
        buffer.open(QIODevice::WriteOnly | QIODevice::Append);
        QTextStream out(&buffer);
        out.setCodec("UTF-8");
        ok = writeErrorLog(out) && ok;
        ok = writeServiceLog(out) && ok;
        ok = writeStatistics(out) && ok;
        ok = writePerformanceIndicators(out) && ok;
        out.flush();
    }
    const bool written = writeFile(path, content);
    if (!written)
        KLOG_ERROR2(kClass, "generateSystemLog", QStringLiteral("Cannot write %1").arg(path));
    return ok && written;
}

void SystemLog::enterSection(const char* header)
{
    if (m_sectionHook)
        m_sectionHook(QString::fromLatin1(header));
}

bool SystemLog::unreadable(QTextStream& out, const char* what)
{
    // Said in the report itself, so an empty section is never taken for an empty log.
    const QString line = QStringLiteral("The %1 could not be read").arg(QLatin1String(what));
    KLOG_ERROR2(kClass, "generateSystemLog", line);
    out << line << '\n';
    return false;
}

bool SystemLog::writeFile(const QString& path, const QByteArray& content)
{
    // A report for the stick goes through its guard, which writes it whole or not at all.
    if (StickWriter::isBelowMountPoint(path))
        return StickWriter::writeFile(path, content);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = f.write(content) == content.size();
    ok = f.flush() && ok;
    f.close();
    ok = ok && f.error() == QFileDevice::NoError;
    // A report cut short is worse than none.
    if (!ok)
        f.remove();
    return ok;
}

void SystemLog::writeHeader(QTextStream& out, const char* header, bool first)
{
    if (!first)
        out << '\n';
    out << header << "\n\n";
}

bool SystemLog::writeConfiguration(QTextStream& out)
{
    writeHeader(out, ";configuration", true);
    out << m_machineName << "\n\n";
    out << m_clock().toString() << '\n';
    const DataModell* dm = GlobalFuncs::getDM();
    out << "Serial number: " << (dm ? dm->getSerialNumber() : QString()) << '\n';
    for (const QString& line : m_versionLines)
        out << line << '\n';
    for (const QString& line : m_cfgInfo[CfgInfoVersions])
        out << line << '\n';
    out << QStringLiteral("MAC address: %1").arg(dm ? dm->getMACAddress() : QString()) << '\n';
    out << "Hardware ID: " << (dm ? dm->getHardwareId() : QString()) << "\n\n";
    for (const QString& line : m_cfgInfo[CfgInfoHardware])
        out << line << '\n';
    return writeConfigTree(out);
}

bool SystemLog::writeConfigTree(QTextStream& out)
{
    const QString path = configFilePath();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        KLOG_ERROR2(kClass, "writeConfiguration", QStringLiteral("Cannot open %1").arg(path));
        return false;
    }
    QDomDocument doc;
    QString error;
    int line = 0;
    if (!doc.setContent(&file, &error, &line)) {
        KLOG_ERROR2(kClass, "writeConfiguration", QStringLiteral("Cannot parse %1 (line %2): %3").arg(path).arg(line).arg(error));
        return false;
    }
    parseConfigNode(out, doc.documentElement().firstChild(), 0);
    return true;
}

void SystemLog::parseConfigNode(QTextStream& out, const QDomNode& node, int depth)
{
    const QString indent(depth, QLatin1Char(' '));
    for (QDomElement e = node.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        out << indent << e.attribute(QStringLiteral("name"));
        if (e.tagName() == QLatin1String("value")) {
            out << '\t' << e.text() << '\n';
        } else {
            out << '\n';
            parseConfigNode(out, e, depth + 1);
        }
        if (depth == 0)
            out << '\n';
    }
}

void SystemLog::writeRaw(QTextStream& out, const QByteArray& bytes)
{
    // The scrambled logs are ASCII: straight into the buffer, without a text copy.
    out.flush();
    out.device()->write(bytes);
}

bool SystemLog::writeErrorLog(QTextStream& out)
{
    enterSection(";error log");
    writeHeader(out, ";error log");
    QByteArray data;
    DB* db = GlobalFuncs::getDB();
    const bool read = db && db->getMessages(data);
    writeRaw(out, encryptData(data));
    return read || unreadable(out, "message log");
}

bool SystemLog::writeServiceLog(QTextStream& out)
{
    enterSection(";service log");
    writeHeader(out, ";service log");
    QByteArray data;
    DB* db = GlobalFuncs::getDB();
    const bool read = db && db->getServiceMessages(data, QLatin1Char('\t'), QLatin1Char('\n'),
                                                   QStringLiteral("yyyy/MM/dd hh:mm:ss:zzz AP"));
    writeRaw(out, encryptData(data));
    return read || unreadable(out, "service log");
}

bool SystemLog::writeStatistics(QTextStream& out)
{
    enterSection(";info");
    DB* db = GlobalFuncs::getDB();
    bool read = false;
    const QList<int> ids = db ? db->getStatisticParamIds(&read) : QList<int>();
    writeHeader(out, ";info");
    for (int id : ids) {
        bool counted = false;
        const qint64 count = db->getStatisticParam(id, &counted);
        read = read && counted;
        if (counted)
            out << QStringLiteral(":%1:0:0:0:0:%2:").arg(id).arg(count) << '\n';
    }
    if (!read)
        unreadable(out, "statistics");
    writeHeader(out, ";info_ext");
    for (int id : ids)
        out << id << ':' << paramName(id) << '\n';
    return read;
}

bool SystemLog::writePerformanceIndicators(QTextStream& out)
{
    enterSection(";perf_ind");
    DB* db = GlobalFuncs::getDB();
    bool read = false;
    const QList<int> params = db ? db->getPerformanceIndicators(&read) : QList<int>();
    writeHeader(out, ";perf_ind");
    for (int i = 0; i < params.size(); ++i) {
        bool listed = false;
        const QList<int> classes = db->getPerformanceClasses(params.at(i), &listed);
        read = read && listed;
        for (int j = 0; j < classes.size(); ++j) {
            // The line carries positions; the value is looked up by the class itself.
            bool valued = false;
            const qint64 value = db->getPerformanceIndicator(params.at(i), classes.at(j), &valued);
            read = read && valued;
            if (valued)
                out << QStringLiteral(":%1:%2:0:0:0:%3:").arg(i).arg(j).arg(value) << '\n';
        }
    }
    if (!read)
        unreadable(out, "performance indicators");
    writeHeader(out, ";perf_ind_ext");
    for (int i = 0; i < params.size(); ++i)
        out << i << ':' << paramName(params.at(i)) << '\n';
    return read;
}

QString SystemLog::paramName(int id) const
{
    return m_statistics ? m_statistics->getParamName(id) : Statistics::getParamName(id);
}

QByteArray SystemLog::encryptData(QByteArray& data)
{
    data.replace('\0', ' ');
    QTextStream in(&data, QIODevice::ReadOnly);
    in.setCodec("UTF-8");
    static const char kHex[] = "0123456789abcdef";
    QByteArray out;
    out.reserve(data.size() * 2 + data.count('\n') * 2 + 2);
    quint32 k = 0;
    QString line;
    while (in.readLineInto(&line)) {
        out += '#';
        for (const QChar c : qAsConst(line)) {
            const uint code = c.unicode() > 255 ? 0u : c.unicode();
            const uint v = (code + k) & 0xffu;
            out += kHex[v >> 4];
            out += kHex[v & 0xfu];
            ++k;
        }
        out += '\n';
    }
    return out;
}
