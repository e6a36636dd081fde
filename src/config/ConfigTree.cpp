#include "config/ConfigTree.h"

#include "config/ConfigShape.h"
#include "logging/LoggingCtrl.h"

#include <QLocale>
#include <QMutexLocker>

#include <algorithm>
#include <atomic>
#include <utility>

namespace {
const QString kKey = QStringLiteral("key");
const QString kValue = QStringLiteral("value");
const QString kName = QStringLiteral("name");
const QString kType = QStringLiteral("type");
const QString kReadOnly = QStringLiteral("readonly");
const QString kMin = QStringLiteral("min");
const QString kMax = QStringLiteral("max");
const QString kStep = QStringLiteral("step");
const QString kList = QStringLiteral("list");
const QChar kListSeparator = QLatin1Char(';');
std::atomic<ConfigTree::KeyBounds> g_bounds{nullptr};

// A key as the bounds name it: "/Group/Key", whatever slashes the caller gave.
QString keyPath(const QString& key)
{
    QStringList parts = key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

const char* typeName(ConfigValueTypes type)
{
    switch (type) {
    case CVT_DOUBLE: return "double";
    case CVT_LONG: return "long";
    case CVT_STRING: return "string";
    case CVT_BINARY: return "binary";
    case CVT_BOOL: return "bool";
    default: return "";
    }
}

ConfigValueTypes typeOf(const QDomElement& e)
{
    if (e.tagName() == kKey)
        return CVT_GROUP;
    const QString t = e.attribute(kType);
    for (ConfigValueTypes type : {CVT_DOUBLE, CVT_LONG, CVT_STRING, CVT_BINARY, CVT_BOOL}) {
        if (t == QLatin1String(typeName(type)))
            return type;
    }
    return CVT_NONE;
}

bool isEntry(const QDomElement& e) { return e.tagName() == kKey || e.tagName() == kValue; }

QDomElement childNamed(const QDomElement& parent, const QString& name)
{
    for (QDomElement c = parent.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        if (isEntry(c) && c.attribute(kName) == name)
            return c;
    }
    return QDomElement();
}

bool flagSet(const QDomElement& e)
{
    const QString v = e.attribute(kReadOnly).trimmed().toLower();
    return v == QLatin1String("true") || v == QLatin1String("1");
}

QString doubleText(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }
QString longText(long v) { return QString::number(v); }
QString ulongText(unsigned long v) { return QString::number(v); }

void setText(QDomElement& e, const QString& text)
{
    while (e.hasChildNodes())
        e.removeChild(e.firstChild());
    if (text.isEmpty())
        return;
    // The parser drops text made of blanks only; a CDATA section keeps it.
    if (text.trimmed().isEmpty())
        e.appendChild(e.ownerDocument().createCDATASection(text));
    else
        e.appendChild(e.ownerDocument().createTextNode(text));
}

// Limits of a numeric entry: the new ones when any is given, else the stored ones.
template <typename T, typename S>
bool effectiveLimits(const QDomElement& existing, T newMin, T newMax, S newStep, T& min, T& max, S& step,
                     bool& replace, bool (*parse)(const QString&, T&), bool (*parseStep)(const QString&, S&))
{
    replace = newMin != 0 || newMax != 0 || newStep != 0;
    if (replace) {
        min = newMin;
        max = newMax;
        step = newStep;
        return true;
    }
    if (existing.isNull() || !existing.hasAttribute(kMin) || !existing.hasAttribute(kMax))
        return false;
    step = 0;
    return parse(existing.attribute(kMin), min) && parse(existing.attribute(kMax), max)
        && (!existing.hasAttribute(kStep) || parseStep(existing.attribute(kStep), step));
}

bool parseLong(const QString& s, long& v)
{
    bool ok = false;
    v = s.trimmed().toLong(&ok);
    return ok;
}

bool parseULong(const QString& s, unsigned long& v)
{
    bool ok = false;
    v = s.trimmed().toULong(&ok);
    return ok;
}

bool parseDouble(const QString& s, double& v)
{
    bool ok = false;
    v = s.trimmed().toDouble(&ok);
    return ok;
}

// A character XML cannot carry would leave a file that is never read again.
bool xmlCanHold(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const ushort u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}
} // namespace

// Where a write goes: the existing entry, or the parent and the names still to create.
struct ConfigTree::Slot {
    QDomElement entry;
    QDomElement parent;
    QStringList missing;
};

ConfigTree::ConfigTree(const QString& rootName) : m_doc(emptyDocument(rootName)) {}

ConfigTree::~ConfigTree() = default;

// The tree is always written as UTF-8, so the declaration must say so whatever
// the loaded file declared; otherwise the next load decodes the text wrongly.
void ConfigTree::setUtf8Declaration(QDomDocument& doc)
{
    const QDomProcessingInstruction fresh = doc.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
    const QDomNode first = doc.firstChild();
    if (first.isProcessingInstruction() && first.nodeName() == QLatin1String("xml"))
        doc.replaceChild(fresh, first);
    else
        doc.insertBefore(fresh, first);
}

QDomDocument ConfigTree::emptyDocument(const QString& rootName)
{
    QDomDocument doc;
    setUtf8Declaration(doc);
    QDomElement top = doc.createElement(QStringLiteral("configuration"));
    doc.appendChild(top);
    QDomElement root = doc.createElement(kKey);
    root.setAttribute(kName, rootName);
    top.appendChild(root);
    return doc;
}

QDomElement ConfigTree::rootKey() const { return m_doc.documentElement().firstChild().toElement(); }

QString ConfigTree::rootName() const
{
    QMutexLocker lock(&m_mutex);
    return rootKey().attribute(kName);
}

bool ConfigTree::isValidDocument(const QDomDocument& doc, QString* why)
{
    auto fail = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    const QDomElement top = doc.documentElement();
    if (top.isNull())
        return fail(QStringLiteral("no document element"));
    const QDomElement first = top.firstChild().toElement();
    if (first.isNull() || first.tagName() != kKey)
        return fail(QStringLiteral("first child of the document element is not a key"));
    if (!first.hasAttribute(kName))
        return fail(QStringLiteral("first key has no name"));
    return true;
}

bool ConfigTree::replaceDocument(const QDomDocument& doc)
{
    if (!isValidDocument(doc))
        return false;
    QMutexLocker lock(&m_mutex);
    m_doc = doc;
    setUtf8Declaration(m_doc);
    return true;
}

void ConfigTree::clear()
{
    QMutexLocker lock(&m_mutex);
    m_doc = emptyDocument(rootKey().attribute(kName));
}

QByteArray ConfigTree::toXml() const
{
    QMutexLocker lock(&m_mutex);
    return m_doc.toByteArray(2);
}

int ConfigTree::parsePath(const QString& key, QStringList& parts) const
{
    parts = key.split(QLatin1Char('/'));
    if (!parts.isEmpty() && parts.first().isEmpty())
        parts.removeFirst();
    if (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    for (const QString& p : parts) {
        if (p.isEmpty())
            return CFG_BAD_KEY;
    }
    // Below the top element and the program's key; a deeper tree would save a file no load takes.
    return parts.size() > ConfigShape::MaxDepth - 2 ? CFG_BAD_KEY : CFG_OK;
}

int ConfigTree::find(const QString& key, QDomElement& out) const
{
    QStringList parts;
    if (const int rc = parsePath(key, parts))
        return rc;
    QDomElement cur = rootKey();
    for (const QString& part : parts) {
        if (cur.tagName() != kKey)
            return CFG_NOT_FOUND;
        cur = childNamed(cur, part);
        if (cur.isNull())
            return CFG_NOT_FOUND;
    }
    out = cur;
    return CFG_OK;
}

int ConfigTree::findTyped(const QString& key, ConfigValueTypes type, QDomElement& out, Refusal& refusal)
{
    if (const int rc = findInBounds(key, out, refusal))
        return rc;
    return typeOf(out) == type ? CFG_OK : CFG_WRONG_TYPE;
}

void ConfigTree::holdKeysTo(KeyBounds bounds) { g_bounds.store(bounds); }

bool ConfigTree::refuses(const QString& key, QDomElement& entry, Refusal& refusal)
{
    const KeyBounds bounds = g_bounds.load();
    if (!bounds)
        return false;
    // A group where a value belongs is of another type too.
    const ConfigValueTypes type = typeOf(entry);
    refusal.key = keyPath(key);
    refusal.why = bounds(refusal.key, type, type == CVT_GROUP ? QString() : entry.text());
    if (refusal.why.isEmpty())
        return false;
    // Kept, it would be refused (and logged) at every read and carried into every save.
    entry.parentNode().removeChild(entry);
    return true;
}

int ConfigTree::findInBounds(const QString& key, QDomElement& out, Refusal& refusal)
{
    if (const int rc = find(key, out))
        return rc;
    return refuses(key, out, refusal) ? CFG_OUT_OF_LIMITS : CFG_OK;
}

bool ConfigTree::writable(const QString& key, ConfigValueTypes type, const QString& text)
{
    const KeyBounds bounds = g_bounds.load();
    return !bounds || bounds(keyPath(key), type, text).isEmpty();
}

void ConfigTree::log(const Refusal& refusal)
{
    if (!refusal.why.isEmpty())
        KLOG_WARN2("ConfigTree", "refuse",
                   QStringLiteral("%1 refused (%2): its default is used").arg(refusal.key, refusal.why));
}

int ConfigTree::dropOutOfBounds()
{
    QList<Refusal> refused;
    {
        QMutexLocker lock(&m_mutex);
        // Depth first; each value with the path the readers ask for.
        QList<std::pair<QDomElement, QString>> pending{{rootKey(), QString()}};
        while (!pending.isEmpty()) {
            const auto [group, path] = pending.takeLast();
            for (QDomElement c = group.firstChildElement(); !c.isNull();) {
                QDomElement next = c.nextSiblingElement();
                const QString key = path + QLatin1Char('/') + c.attribute(kName);
                Refusal refusal;
                if (isEntry(c) && refuses(key, c, refusal))
                    refused << refusal;
                else if (c.tagName() == kKey)
                    pending.append({c, key});
                c = next;
            }
        }
    }
    for (const Refusal& r : refused)
        log(r);
    return refused.size();
}

QDomElement ConfigTree::entryCopy(const QString& key, QDomDocument& document) const
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    return find(key, e) == CFG_OK ? document.importNode(e, true).toElement() : QDomElement();
}

int ConfigTree::restoreEntry(const QString& key, const QDomElement& copy)
{
    QStringList parts;
    if (const int rc = parsePath(key, parts))
        return rc;
    if (parts.isEmpty())
        return CFG_BAD_KEY;
    QMutexLocker lock(&m_mutex);
    QDomElement group = rootKey();
    const QString last = parts.takeLast();
    for (const QString& part : parts) {
        QDomElement next = childNamed(group, part);
        for (; !next.isNull() && next.tagName() != kKey; next = childNamed(group, part))
            group.removeChild(next);
        if (next.isNull()) {
            if (copy.isNull())
                return CFG_OK;
            next = m_doc.createElement(kKey);
            next.setAttribute(kName, part);
            group.appendChild(next);
        }
        group = next;
    }
    for (QDomElement e = childNamed(group, last); !e.isNull(); e = childNamed(group, last))
        group.removeChild(e);
    if (!copy.isNull())
        group.appendChild(m_doc.importNode(copy, true));
    return CFG_OK;
}

int ConfigTree::prepareWrite(const QString& key, ConfigValueTypes type, Slot& slot) const
{
    QStringList parts;
    if (const int rc = parsePath(key, parts))
        return rc;
    if (parts.isEmpty())
        return CFG_BAD_KEY;
    QDomElement cur = rootKey();
    for (int i = 0; i < parts.size(); ++i) {
        const QDomElement next = childNamed(cur, parts.at(i));
        if (next.isNull()) {
            slot.parent = cur;
            slot.missing = parts.mid(i);
            return CFG_OK;
        }
        const bool last = i == parts.size() - 1;
        if (!last && next.tagName() != kKey)
            return CFG_WRONG_TYPE;
        cur = next;
    }
    if (typeOf(cur) != type)
        return CFG_WRONG_TYPE;
    if (flagSet(cur))
        return CFG_READ_ONLY;
    slot.entry = cur;
    return CFG_OK;
}

QDomElement ConfigTree::commitWrite(Slot& slot, ConfigValueTypes type, const QString& text)
{
    if (slot.entry.isNull()) {
        QDomElement parent = slot.parent;
        for (int i = 0; i < slot.missing.size(); ++i) {
            const bool last = i == slot.missing.size() - 1;
            QDomElement e = m_doc.createElement(last ? kValue : kKey);
            e.setAttribute(kName, slot.missing.at(i));
            if (last)
                e.setAttribute(kType, QString::fromLatin1(typeName(type)));
            parent.appendChild(e);
            parent = e;
        }
        slot.entry = parent;
    }
    setText(slot.entry, text);
    return slot.entry;
}

int ConfigTree::subkeys(const QString& key, QMap<QString, ConfigValueTypes>& out)
{
    out.clear();
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    if (const int rc = find(key, e))
        return rc;
    if (e.tagName() != kKey)
        return CFG_WRONG_TYPE;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        if (isEntry(c) && !out.contains(c.attribute(kName)))
            out.insert(c.attribute(kName), typeOf(c));
    }
    return CFG_OK;
}

bool ConfigTree::exists(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    return find(key, e) == CFG_OK;
}

int ConfigTree::queryBoolean(const QString& key, bool& value)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    Refusal refusal;
    if (const int rc = findInBounds(key, e, refusal)) {
        lock.unlock();
        log(refusal);
        return rc;
    }
    const QString text = e.text().trimmed();
    switch (typeOf(e)) {
    case CVT_BINARY: {
        const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
        value = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c != 0; });
        return CFG_OK;
    }
    case CVT_BOOL:
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1")) {
            value = true;
            return CFG_OK;
        }
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || text == QLatin1String("0")) {
            value = false;
            return CFG_OK;
        }
        return CFG_WRONG_TYPE;
    default:
        return CFG_WRONG_TYPE;
    }
}

int ConfigTree::queryString(const QString& key, QString& value, const QString& defaultValue)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    Refusal refusal;
    const int rc = findTyped(key, CVT_STRING, e, refusal);
    value = rc == CFG_OK ? e.text() : defaultValue;
    lock.unlock();
    log(refusal);
    return rc;
}

int ConfigTree::doQueryLong(const QString& key, long& value, Refusal& refusal)
{
    QDomElement e;
    if (const int rc = findTyped(key, CVT_LONG, e, refusal))
        return rc;
    long v = 0;
    if (!parseLong(e.text(), v))
        return CFG_WRONG_TYPE;
    value = v;
    return CFG_OK;
}

int ConfigTree::queryLong(const QString& key, long& value)
{
    QMutexLocker lock(&m_mutex);
    Refusal refusal;
    const int rc = doQueryLong(key, value, refusal);
    lock.unlock();
    log(refusal);
    return rc;
}

int ConfigTree::queryDouble(const QString& key, double& value)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    Refusal refusal;
    int rc = findTyped(key, CVT_DOUBLE, e, refusal);
    double v = 0;
    if (rc == CFG_OK && !parseDouble(e.text(), v))
        rc = CFG_WRONG_TYPE;
    if (rc == CFG_OK)
        value = v;
    lock.unlock();
    log(refusal);
    return rc;
}

int ConfigTree::queryBinary(const QString& key, QByteArray& value)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    Refusal refusal;
    const int rc = findTyped(key, CVT_BINARY, e, refusal);
    if (rc == CFG_OK)
        value = QByteArray::fromHex(e.text().trimmed().toLatin1());
    lock.unlock();
    log(refusal);
    return rc;
}

int ConfigTree::queryEnsureLong(const QString& key, long& value, long min, long max, unsigned long step)
{
    QMutexLocker lock(&m_mutex);
    Refusal refusal;
    int rc = doQueryLong(key, value, refusal);
    if (rc == CFG_NOT_FOUND)
        rc = doSetLong(key, value, min, max, step);
    lock.unlock();
    log(refusal);
    return rc;
}

int ConfigTree::getLongRanges(const QString& key, long& min, long& max, unsigned long& step)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    if (const int rc = find(key, e))
        return rc;
    if (typeOf(e) != CVT_LONG)
        return CFG_WRONG_TYPE;
    long lo = 0;
    long hi = 0;
    unsigned long st = 0;
    bool replace = false;
    if (!effectiveLimits<long, unsigned long>(e, 0, 0, 0, lo, hi, st, replace, parseLong, parseULong))
        return CFG_NO_LIMITS;
    min = lo;
    max = hi;
    step = st;
    return CFG_OK;
}

int ConfigTree::isReadOnly(const QString& key, bool& readOnly)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    if (const int rc = find(key, e))
        return rc;
    readOnly = flagSet(e);
    return CFG_OK;
}

int ConfigTree::setReadOnly(const QString& key, bool readOnly)
{
    QMutexLocker lock(&m_mutex);
    QDomElement e;
    if (const int rc = find(key, e))
        return rc;
    if (readOnly)
        e.setAttribute(kReadOnly, QStringLiteral("true"));
    else
        e.removeAttribute(kReadOnly);
    return CFG_OK;
}

template <typename T, typename S>
int ConfigTree::setNumber(const QString& key, ConfigValueTypes type, T value, T min, T max, S step,
                          bool (*parse)(const QString&, T&), bool (*parseStep)(const QString&, S&),
                          QString (*text)(T), QString (*stepText)(S))
{
    Slot slot;
    if (const int rc = prepareWrite(key, type, slot))
        return rc;
    T lo = 0;
    T hi = 0;
    S st = 0;
    bool replace = false;
    const bool limited = effectiveLimits<T, S>(slot.entry, min, max, step, lo, hi, st, replace, parse, parseStep);
    if ((limited && (lo > hi || !(value >= lo && value <= hi))) || !writable(key, type, text(value)))
        return CFG_OUT_OF_LIMITS;
    QDomElement e = commitWrite(slot, type, text(value));
    if (replace) {
        e.setAttribute(kMin, text(lo));
        e.setAttribute(kMax, text(hi));
        e.setAttribute(kStep, stepText(st));
    }
    return CFG_OK;
}

int ConfigTree::setDouble(const QString& key, double value, double min, double max, double step)
{
    QMutexLocker lock(&m_mutex);
    return setNumber<double, double>(key, CVT_DOUBLE, value, min, max, step, parseDouble, parseDouble, doubleText,
                                     doubleText);
}

int ConfigTree::setLong(const QString& key, long value, long min, long max, unsigned long step)
{
    QMutexLocker lock(&m_mutex);
    return doSetLong(key, value, min, max, step);
}

int ConfigTree::doSetLong(const QString& key, long value, long min, long max, unsigned long step)
{
    return setNumber<long, unsigned long>(key, CVT_LONG, value, min, max, step, parseLong, parseULong, longText,
                                          ulongText);
}

int ConfigTree::setString(const QString& key, const QString& value, const QString& list)
{
    if (!xmlCanHold(value) || !xmlCanHold(list))
        return CFG_OUT_OF_LIMITS;
    QMutexLocker lock(&m_mutex);
    Slot slot;
    if (const int rc = prepareWrite(key, CVT_STRING, slot))
        return rc;
    const QString allowed = !list.isEmpty() ? list : slot.entry.attribute(kList);
    if ((!allowed.isEmpty() && !allowed.split(kListSeparator).contains(value)) || !writable(key, CVT_STRING, value))
        return CFG_OUT_OF_LIMITS;
    QDomElement e = commitWrite(slot, CVT_STRING, value);
    if (!list.isEmpty())
        e.setAttribute(kList, list);
    return CFG_OK;
}

int ConfigTree::setBoolean(const QString& key, bool value)
{
    QMutexLocker lock(&m_mutex);
    Slot slot;
    if (const int rc = prepareWrite(key, CVT_BOOL, slot))
        return rc;
    const QString text = value ? QStringLiteral("true") : QStringLiteral("false");
    if (!writable(key, CVT_BOOL, text))
        return CFG_OUT_OF_LIMITS;
    commitWrite(slot, CVT_BOOL, text);
    return CFG_OK;
}

int ConfigTree::setBinary(const QString& key, const QByteArray& value)
{
    QMutexLocker lock(&m_mutex);
    Slot slot;
    if (const int rc = prepareWrite(key, CVT_BINARY, slot))
        return rc;
    const QString text = QString::fromLatin1(value.toHex());
    if (!writable(key, CVT_BINARY, text))
        return CFG_OUT_OF_LIMITS;
    commitWrite(slot, CVT_BINARY, text);
    return CFG_OK;
}
