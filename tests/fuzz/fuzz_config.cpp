#include "fuzz/FuzzDriver.h"
#include "config/ConfigAccessXML.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// Input: the bytes of the configuration file. It is loaded, every entry is read as its
// type says, one value is changed, and the result is saved and loaded again.
namespace {
std::unique_ptr<QTemporaryDir> g_dir;

// Reads every entry as its type says; what was read goes into seen ("type:value").
void walk(ConfigAccessXML& cfg, const QString& key, int depth, int& budget, QMap<QString, QString>& seen)
{
    QMap<QString, ConfigValueTypes> children;
    if (depth > 16 || cfg.subkeys(key, children) != IConfigBase::CFG_OK)
        return;
    for (auto it = children.cbegin(); it != children.cend() && budget > 0; ++it, --budget) {
        const QString child = key + QLatin1Char('/') + it.key();
        bool b = false;
        QString s;
        long l = 0;
        double d = 0;
        QByteArray bin;
        long min = 0;
        long max = 0;
        unsigned long step = 0;
        QString value;
        if (cfg.isReadOnly(child, b) == IConfigBase::CFG_OK)
            value = b ? QStringLiteral("ro ") : QStringLiteral("rw ");
        switch (it.value()) {
        case CVT_GROUP: walk(cfg, child, depth + 1, budget, seen); break;
        case CVT_BOOL:
            if (cfg.queryBoolean(child, b) == IConfigBase::CFG_OK)
                value += QString::number(b);
            break;
        case CVT_LONG:
            if (cfg.queryLong(child, l) == IConfigBase::CFG_OK)
                value += QString::number(l);
            if (cfg.getLongRanges(child, min, max, step) == IConfigBase::CFG_OK)
                value += QStringLiteral(" %1..%2/%3").arg(min).arg(max).arg(step);
            cfg.queryEnsureLong(child, l, min, max, step);
            break;
        case CVT_DOUBLE:
            if (cfg.queryDouble(child, d) == IConfigBase::CFG_OK)
                value += QString::number(d, 'g', 17);
            break;
        case CVT_BINARY:
            if (cfg.queryBinary(child, bin) == IConfigBase::CFG_OK)
                value += QString::fromLatin1(bin.toHex());
            break;
        default:
            if (cfg.queryString(child, s) == IConfigBase::CFG_OK)
                value += s;
            break;
        }
        seen.insert(child, QString::number(int(it.value())) + QLatin1Char(':') + value);
    }
}

bool target(const QByteArray& input)
{
    if (!g_dir) {
        g_dir = std::make_unique<QTemporaryDir>();
        FUZZ_CHECK(g_dir->isValid());
    }
    ConfigAccessXML cfg(g_dir->path(), QStringLiteral("VLFTEST"));
    QFile::remove(cfg.backupFilePath());
    QFile::remove(cfg.newFilePath());
    {
        QFile f(cfg.filePath());
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size());
    }
    if (cfg.initialize() != 1) {
        // Refused, the file is kept aside, not left to be overwritten.
        FUZZ_CHECK(cfg.keptAside() == QStringList{cfg.filePath() + QStringLiteral(".refused")});
        return false;
    }
    int budget = 2000;
    QMap<QString, QString> before;
    walk(cfg, QString(), 0, budget, before);
    cfg.setString(QStringLiteral("/General/SystemName"), QStringLiteral("Ä€Ω"));
    before.clear();
    budget = 2000;
    walk(cfg, QString(), 0, budget, before);
    FUZZ_CHECK(cfg.save() == IConfigBase::CFG_OK);

    // What was saved loads again from the file itself, with every value as it was.
    ConfigAccessXML again(g_dir->path(), QStringLiteral("VLFTEST"));
    FUZZ_CHECK(again.initialize() == 1);
    FUZZ_CHECK(again.loadedFrom() == again.filePath());
    QMap<QString, QString> after;
    budget = 2000;
    walk(again, QString(), 0, budget, after);
    FUZZ_CHECK(after == before);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const int rc = fuzzMain(argc, argv, "fuzz_config", target);
    g_dir.reset();
    return rc;
}
