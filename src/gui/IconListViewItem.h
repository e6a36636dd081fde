#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>

// One entry of a list that a view model hands to QML: a text, an icon URL, a value
// and the time of its last change. The list holding an item owns it.
class IconListViewItem : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name NOTIFY nameChanged)
    Q_PROPERTY(QString icon READ icon NOTIFY iconChanged)
    Q_PROPERTY(QVariant value READ value NOTIFY valueChanged)
    Q_PROPERTY(QDateTime timestamp READ timestamp NOTIFY timestampChanged)
public:
    explicit IconListViewItem(QObject* parent = nullptr);
    IconListViewItem(const QString& name, const QString& icon, const QVariant& value, QObject* parent = nullptr);

    QString name() const { return m_name; }
    QString icon() const { return m_icon; }
    QVariant value() const { return m_value; }
    QDateTime timestamp() const { return m_timestamp; }

    void setName(const QString& name);
    void setIcon(const QString& icon);
    void setValue(const QVariant& value);
    // Marks the item as changed now, so that views ordering by time bring it forward.
    void touch();

signals:
    void nameChanged();
    void iconChanged();
    void valueChanged();
    void timestampChanged();

private:
    QString m_name;
    QString m_icon;
    QVariant m_value;
    QDateTime m_timestamp;
};
