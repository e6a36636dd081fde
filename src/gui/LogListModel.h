#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

// A stored log for its list page, newest first: the message (name), the icon of its
// category (icon) and the time text (value). A reload reads the database page by page
// on a pool thread and hands each page's finished rows to the list here, so the list
// fills while the GUI thread stays free; a read that fails leaves the list empty.
class LogListModel : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(bool loading READ isLoading NOTIFY loadingChanged)
public:
    enum Log { MessageLog, ServiceLog };
    enum Role : int { NameRole = Qt::UserRole + 1, IconRole, ValueRole };
    Q_ENUM(Role)

    // dateFormat is asked on every reload: the service log's time stamps follow the settings.
    LogListModel(Log log, std::function<QString()> dateFormat, QObject* parent = nullptr);
    ~LogListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool isLoading() const { return m_current != nullptr; }

    // Empties the list and reads the log anew; a read still running is given up.
    Q_INVOKABLE void reload();

signals:
    void countChanged();
    void loadingChanged();

private:
    struct Row {
        QString name;
        QString value;
        int icon = 0;
    };
    struct Job;

    void startRead();
    void append(const std::shared_ptr<Job>& job, const QVector<Row>& rows);
    void finish(const std::shared_ptr<Job>& job, bool ok);
    static QVector<Row> rowsOf(const QString& lines, Log log);

    const Log m_log;
    const std::function<QString()> m_dateFormat;
    QVector<Row> m_rows;
    std::shared_ptr<Job> m_current; // the read whose rows are listed
    QList<std::shared_ptr<Job>> m_running; // every read not yet ended, given-up ones too
};
