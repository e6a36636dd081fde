#include "fuzz/FuzzDriver.h"
#include "config/ConfigAccessXML.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// Input: the bytes of the configuration file. It is loaded, every entry is read as its
// type says, one value is changed, and the result is saved and loaded again.
namespace {
std::unique_ptr<QTemporaryDir> g_dir;

void walk(ConfigAccessXML& cfg, const QString& key, int depth, int& budget)
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
        cfg.isReadOnly(child, b);
        switch (it.value()) {
        case CVT_GROUP: walk(cfg, child, depth + 1, budget); break;
        case CVT_BOOL: cfg.queryBoolean(child, b); break;
        case CVT_LONG:
            cfg.queryLong(child, l);
            cfg.getLongRanges(child, min, max, step);
            cfg.queryEnsureLong(child, l, min, max, step);
            break;
        case CVT_DOUBLE: cfg.queryDouble(child, d); break;
        case CVT_BINARY: cfg.queryBinary(child, bin); break;
        default: cfg.queryString(child, s); break;
        }
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
    if (cfg.initialize() != 1)
        return false;
    int budget = 2000;
    walk(cfg, QString(), 0, budget);
    cfg.setString(QStringLiteral("/General/SystemName"), QStringLiteral("Ä€Ω"));
    FUZZ_CHECK(cfg.save() == IConfigBase::CFG_OK);
    ConfigAccessXML again(g_dir->path(), QStringLiteral("VLFTEST"));
    FUZZ_CHECK(again.initialize() == 1);
    budget = 2000;
    walk(again, QString(), 0, budget);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const int rc = fuzzMain(argc, argv, "fuzz_config", target);
    g_dir.reset();
    return rc;
}
