#include "fuzz/FuzzDriver.h"
#include "hvunit/OwedFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <memory>

// Input: the bytes of the file of what the HV unit is owed, read as at a start. What is
// taken is what a commissioning run keeps, one entry per unit and procedure, each naming
// its unit; a file not taken is kept aside byte for byte; what is taken is written as the
// program keeps it and reads back the same.
namespace {
std::unique_ptr<QTemporaryDir> g_dir;

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool target(const QByteArray& input)
{
    if (!g_dir) {
        g_dir = std::make_unique<QTemporaryDir>();
        FUZZ_CHECK(g_dir->isValid());
    }
    QDir dir(g_dir->path());
    for (const QString& name : dir.entryList(QDir::Files))
        FUZZ_CHECK(dir.remove(name));
    const QString path = dir.filePath(QStringLiteral("HVUnitOwed.json"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(input) == input.size());
    }
    OwedFile file(path);
    const OwedFile::Found found = file.read();
    if (!found.keptAside.isEmpty()) {
        FUZZ_CHECK(found.content.entries.empty() && !found.content.stop);
        FUZZ_CHECK(!QFile::exists(path) && contents(found.keptAside) == input);
        return false;
    }
    FUZZ_CHECK(input.size() <= OwedFile::kMaxBytes);
    QSet<QString> taken;
    for (const OwedFile::Entry& e : found.content.entries) {
        const OwedFile::Kind kind = OwedFile::kindOf(e.values);
        FUZZ_CHECK(!e.serial.isEmpty() && kind != OwedFile::Kind::None);
        const QString unitAndKind = e.serial + QLatin1Char('\n') + e.hardwareId + QLatin1Char('\n') + QString::number(int(kind));
        FUZZ_CHECK(!taken.contains(unitAndKind));
        taken << unitAndKind;
    }
    FUZZ_CHECK(file.write(found.content));
    OwedFile again(path);
    const OwedFile::Found back = again.read();
    FUZZ_CHECK(back.keptAside.isEmpty() && back.refused.isEmpty() && back.dropped.isEmpty());
    FUZZ_CHECK(OwedFile::encode(back.content) == OwedFile::encode(found.content));
    return found.refused.isEmpty() && found.dropped.isEmpty();
}
} // namespace

int main(int argc, char** argv)
{
    const int rc = fuzzMain(argc, argv, "fuzz_owedfile", target);
    g_dir.reset();
    return rc;
}
