#include "gui/IconListViewItem.h"

IconListViewItem::IconListViewItem(QObject* parent)
    : QObject(parent), m_timestamp(QDateTime::currentDateTime())
{
}

IconListViewItem::IconListViewItem(const QString& name, const QString& icon, const QVariant& value,
                                   QObject* parent)
    : QObject(parent), m_name(name), m_icon(icon), m_value(value), m_timestamp(QDateTime::currentDateTime())
{
}

void IconListViewItem::setName(const QString& name)
{
    if (name == m_name)
        return;
    m_name = name;
    touch();
    emit nameChanged();
}

void IconListViewItem::setIcon(const QString& icon)
{
    if (icon == m_icon)
        return;
    m_icon = icon;
    touch();
    emit iconChanged();
}

void IconListViewItem::setValue(const QVariant& value)
{
    if (value == m_value)
        return;
    m_value = value;
    touch();
    emit valueChanged();
}

void IconListViewItem::touch()
{
    m_timestamp = QDateTime::currentDateTime();
    emit timestampChanged();
}
