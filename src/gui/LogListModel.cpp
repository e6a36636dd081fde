#include "gui/LogListModel.h"

#include "core/GlobalFuncs.h"
#include "db/DB.h"
#include "logging/LoggingCtrl.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

namespace {
const char* const kClass = "LogListModel";
enum Icon { NoIcon, InfoIcon, WarningIcon, FatalIcon, QuestionIcon };

// Shared texts: a row keeps only the number of its icon.
const QString& iconUrl(int icon)
{
    static const QString urls[] = {
        QString(),
        QStringLiteral("qrc:/icons/info.svg"),
        QStringLiteral("qrc:/icons/warning.svg"),
        QStringLiteral("qrc:/icons/fatal.svg"),
        QStringLiteral("qrc:/icons/question.svg"),
    };
    return urls[icon >= NoIcon && icon <= QuestionIcon ? icon : NoIcon];
}

int iconOf(const QStringRef& category)
{
    if (category == QLatin1String("INF"))
        return InfoIcon;
    if (category == QLatin1String("WARN"))
        return WarningIcon;
    if (category == QLatin1String("FATAL"))
        return FatalIcon;
    return QuestionIcon;
}
} // namespace

// One read on a pool thread; given up by the list, it stops after its current page.
struct LogListModel::Job {
    QAtomicInt givenUp{0};
    QSemaphore ended; // released once, when the pool thread is done with the job
};

LogListModel::LogListModel(Log log, std::function<QString()> dateFormat, QObject* parent)
    : QAbstractListModel(parent), m_log(log), m_dateFormat(std::move(dateFormat))
{
}

LogListModel::~LogListModel()
{
    for (const auto& job : qAsConst(m_running))
        job->givenUp.storeRelease(1);
    // A read may be waiting for its page from the database, which answers on this thread:
    // its calls are answered here meanwhile, or the wait would never end.
    DB* db = GlobalFuncs::getDB();
    const bool answerHere = db && db->thread() == QThread::currentThread();
    for (const auto& job : qAsConst(m_running)) {
        while (!job->ended.tryAcquire(1, 5)) {
            if (answerHere)
                QCoreApplication::sendPostedEvents(db, QEvent::MetaCall);
        }
    }
}

int LogListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows.size(); }

QVariant LogListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();
    const Row& row = m_rows.at(index.row());
    switch (role) {
    case NameRole:
    case Qt::DisplayRole: return row.name;
    case IconRole: return iconUrl(row.icon);
    case ValueRole: return row.value;
    default: return QVariant();
    }
}

QHash<int, QByteArray> LogListModel::roleNames() const
{
    return {{NameRole, "name"}, {IconRole, "icon"}, {ValueRole, "value"}};
}

void LogListModel::reload()
{
    const bool wasLoading = isLoading();
    if (m_current)
        m_current->givenUp.storeRelease(1);
    m_current.reset();
    if (!m_rows.isEmpty()) {
        beginResetModel();
        m_rows = QVector<Row>();
        endResetModel();
        emit countChanged();
    }
    startRead();
    if (wasLoading != isLoading())
        emit loadingChanged();
}

void LogListModel::startRead()
{
    DB* db = GlobalFuncs::getDB();
    if (!db) {
        finish(nullptr, false);
        return;
    }
    auto job = std::make_shared<Job>();
    m_current = job;
    m_running << job;
    const Log log = m_log;
    const QString dateFormat = log == ServiceLog && m_dateFormat ? m_dateFormat() : QString();
    QThreadPool::globalInstance()->start([this, job, db, log, dateFormat]() {
        const DB::LogPageTaker deliver = [this, job, log](const QString& lines) {
            if (job->givenUp.loadAcquire())
                return false;
            const QVector<Row> rows = rowsOf(lines, log);
            QMetaObject::invokeMethod(this, [this, job, rows]() { append(job, rows); }, Qt::QueuedConnection);
            return true;
        };
        bool ok = true;
        if (!job->givenUp.loadAcquire()) {
            ok = log == MessageLog
                ? db->readMessagePages(deliver)
                : db->readServiceMessagePages(deliver, QLatin1Char('\t'), QLatin1Char('\n'), dateFormat);
        }
        QMetaObject::invokeMethod(this, [this, job, ok]() { finish(job, ok); }, Qt::QueuedConnection);
        job->ended.release();
    });
}

// Only lines with all their fields become rows: the time first, the message last.
QVector<LogListModel::Row> LogListModel::rowsOf(const QString& lines, Log log)
{
    const int fields = log == MessageLog ? 3 : 2;
    QVector<Row> rows;
    const QVector<QStringRef> split = lines.splitRef(QLatin1Char('\n'), Qt::SkipEmptyParts);
    rows.reserve(split.size());
    for (const QStringRef& line : split) {
        const QVector<QStringRef> parts = line.split(QLatin1Char('\t'));
        if (parts.size() != fields)
            continue;
        rows.append({parts.last().toString(), parts.first().toString(),
                     log == MessageLog ? iconOf(parts.at(1)) : int(NoIcon)});
    }
    return rows;
}

void LogListModel::append(const std::shared_ptr<Job>& job, const QVector<Row>& rows)
{
    if (job != m_current || rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + rows.size() - 1);
    m_rows += rows;
    endInsertRows();
    emit countChanged();
}

void LogListModel::finish(const std::shared_ptr<Job>& job, bool ok)
{
    if (job) {
        // Posted just before the job ends: the wait is at most a few instructions long.
        job->ended.acquire();
        m_running.removeOne(job);
        if (job != m_current)
            return;
        m_current.reset();
    }
    if (!ok) {
        KLOG_WARN2(kClass, m_log == MessageLog ? "messageLog" : "serviceLog",
                   m_log == MessageLog ? "Can't load meaasge log data!" : "Can't load service log data!");
        if (!m_rows.isEmpty()) {
            beginResetModel();
            m_rows = QVector<Row>();
            endResetModel();
            emit countChanged();
        }
    }
    if (job)
        emit loadingChanged();
}
