#include "WindowOperator.h"

#include "fakes/Artifacts.h"

#include <QImage>
#include <algorithm>
#include <QScreen>
#include <QTest>

WindowOperator::WindowOperator(QQuickWindow* window) : m_window(window) {}

QQuickItem* WindowOperator::stackView(const char* name) const
{
    return m_window ? m_window->findChild<QQuickItem*>(QLatin1String(name)) : nullptr;
}

QQuickItem* WindowOperator::currentPage() const
{
    QQuickItem* stack = stackView("pageStack");
    return stack ? stack->property("currentItem").value<QQuickItem*>() : nullptr;
}

bool WindowOperator::dialogShown() const
{
    QQuickItem* layer = stackView("dialogLayer");
    return layer && layer->property("depth").toInt() > 0;
}

QQuickItem* WindowOperator::shown() const
{
    if (dialogShown())
        return stackView("dialogLayer")->property("currentItem").value<QQuickItem*>();
    return currentPage();
}

QString WindowOperator::typeName(const QObject* object)
{
    if (!object)
        return QString();
    // A type from a QML file is named after it: "MainPage_QMLTYPE_12".
    const QString name = QString::fromLatin1(object->metaObject()->className());
    const int cut = name.indexOf(QLatin1String("_QML"));
    return cut > 0 ? name.left(cut) : name;
}

QString WindowOperator::shownType() const
{
    return typeName(shown());
}

bool WindowOperator::usable(const QQuickItem* item)
{
    return item && item->isVisible() && item->isEnabled() && item->width() > 0 && item->height() > 0;
}

QQuickItem* WindowOperator::findIn(QQuickItem* root, const QString& name)
{
    if (!root || !root->isVisible())
        return nullptr;
    if (root->objectName() == name)
        return root;
    const QList<QQuickItem*> children = root->childItems();
    for (QQuickItem* child : children) {
        if (QQuickItem* found = findIn(child, name))
            return found;
    }
    return nullptr;
}

QQuickItem* WindowOperator::find(const QString& name) const
{
    QQuickItem* page = shown();
    if (!page)
        return nullptr;
    // The bottom row and the content are both below the page item.
    return findIn(page, name);
}

QQuickItem* WindowOperator::waitFor(const QString& name, int timeoutMs) const
{
    QQuickItem* item = nullptr;
    if (!QTest::qWaitFor([&] { return usable(item = find(name)); }, timeoutMs)) {
        m_error = QStringLiteral("no usable \"%1\" on %2").arg(name, shownType());
        return nullptr;
    }
    return item;
}

bool WindowOperator::waitForPage(const QString& type, int timeoutMs) const
{
    const bool ok = QTest::qWaitFor([&] { return !dialogShown() && typeName(currentPage()) == type; }, timeoutMs);
    if (!ok)
        m_error = QStringLiteral("waited for %1, shown: %2").arg(type, shownType());
    return ok;
}

bool WindowOperator::waitForDialog(int timeoutMs) const
{
    const bool ok = QTest::qWaitFor([&] { return dialogShown(); }, timeoutMs);
    if (!ok)
        m_error = QStringLiteral("no dialog over %1").arg(shownType());
    return ok;
}

bool WindowOperator::tap(const QString& name, int timeoutMs)
{
    QQuickItem* item = waitFor(name, timeoutMs);
    if (!item)
        return false;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    if (!QRectF(0, 0, m_window->width(), m_window->height()).contains(centre)) {
        m_error = QStringLiteral("\"%1\" is off the screen").arg(name);
        return false;
    }
    QTest::mouseClick(m_window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

void WindowOperator::turn(int steps)
{
    for (int i = 0; i < qAbs(steps); ++i) {
        QTest::keyClick(m_window, steps > 0 ? Qt::Key_Right : Qt::Key_Left);
        QTest::qWait(10);
    }
}

void WindowOperator::press()
{
    QTest::keyClick(m_window, Qt::Key_Return);
    // A second press within the double-press time would count as one double press.
    QTest::qWait(400);
}

bool WindowOperator::turnTo(const QString& name)
{
    QQuickItem* item = waitFor(name);
    if (!item)
        return false;
    for (int i = 0; i < 40 && !item->hasActiveFocus(); ++i) {
        QTest::keyClick(m_window, Qt::Key_Right);
        QTest::qWait(10);
    }
    if (!item->hasActiveFocus())
        m_error = QStringLiteral("the encoder does not reach \"%1\" on %2").arg(name, shownType());
    return item->hasActiveFocus();
}

bool WindowOperator::turnToAndPress(const QString& name)
{
    if (!turnTo(name))
        return false;
    press();
    return true;
}

void WindowOperator::type(const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(m_window.data(), c.toLatin1());
}

namespace {
void collectTexts(QQuickItem* item, QStringList& out)
{
    if (!item || !item->isVisible() || item->opacity() <= 0)
        return;
    const QVariant text = item->property("text");
    if (text.isValid() && !text.toString().isEmpty())
        out << text.toString();
    for (QQuickItem* child : item->childItems())
        collectTexts(child, out);
}
} // namespace

QString WindowOperator::text(const QString& name) const
{
    QStringList parts;
    collectTexts(find(name), parts);
    return parts.join(QLatin1Char(' '));
}

QStringList WindowOperator::texts() const
{
    QStringList out;
    collectTexts(shown(), out);
    return out;
}

bool WindowOperator::shows(const QString& text) const
{
    const QStringList all = texts();
    return std::any_of(all.cbegin(), all.cend(), [&](const QString& t) { return t.contains(text); });
}

bool WindowOperator::screenshot(const QString& name) const
{
    QTest::qWait(50);
    QImage shot = m_window->grabWindow();
    // The software renderer on the offscreen platform hands back nothing; the screen
    // still holds what was drawn.
    if (shot.isNull())
        shot = m_window->screen()->grabWindow(m_window->winId()).toImage();
    return shot.save(artifactDir(QStringLiteral("screenshots"), QStringLiteral("tst_workflow")) + QLatin1Char('/') + name
                     + QStringLiteral(".png"));
}
