#include "fakes/PropertyTrail.h"

#include <QMetaProperty>

void PropertyTrail::expect(QObject* stack, const QString& objectName, const QStringList& properties)
{
    for (QObject* followed : { m_stack.data(), m_page.data() })
        if (followed)
            QObject::disconnect(followed, nullptr, this, nullptr);
    m_page = nullptr;
    m_values.clear();
    m_stack = stack;
    m_name = objectName;
    m_properties = properties;
    connect(stack, SIGNAL(currentItemChanged()), this, SLOT(pageShown()));
}

void PropertyTrail::pageShown()
{
    auto* page = m_stack->property("currentItem").value<QObject*>();
    if (m_page || !page || page->objectName() != m_name)
        return;
    m_page = page;
    const QMetaMethod changed = metaObject()->method(metaObject()->indexOfSlot("changed()"));
    for (const QString& name : m_properties) {
        const QMetaProperty property = page->metaObject()->property(page->metaObject()->indexOfProperty(qPrintable(name)));
        if (!property.isValid())
            continue;
        m_values[name] << property.read(page).toString();
        if (property.hasNotifySignal())
            connect(page, property.notifySignal(), this, changed);
    }
}

void PropertyTrail::changed()
{
    for (const QString& name : m_properties) {
        const QMetaProperty property = m_page->metaObject()->property(m_page->metaObject()->indexOfProperty(qPrintable(name)));
        if (property.isValid() && property.notifySignalIndex() == senderSignalIndex())
            m_values[name] << property.read(m_page).toString();
    }
}
