#include "fuzz/FuzzDriver.h"
#include "testrun/File.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <memory>

using TestChart::VLF::File;
using TestChart::VLF::TestData;

// Input: the bytes of a record file, read as the history list and the chart read it
// and checked as the store checks it.
namespace {
std::unique_ptr<QTemporaryDir> g_dir;

bool target(const QByteArray& input)
{
    if (!g_dir) {
        g_dir = std::make_unique<QTemporaryDir>();
        FUZZ_CHECK(g_dir->isValid());
    }
    const QString path = g_dir->filePath(QStringLiteral("record.vlf"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size());
    }
    TestData all;
    const bool readAll = File::read(path, all, true);
    TestData info;
    const bool readInfo = File::read(path, info, false);
    const bool verified = File::verify(path);

    // Each check looks at no less than the one before it.
    FUZZ_CHECK(!verified || readAll);
    FUZZ_CHECK(!readAll || readInfo);
    if (readAll)
        FUZZ_CHECK(info.info == all.info);
    if (qHash(input) % 8 == 0) {
        // Behind 64 KiB of trailing bytes the list reads only the front of the file: it
        // must come to the same as reading the whole.
        const QString padded = g_dir->filePath(QStringLiteral("padded.vlf"));
        QFile f(padded);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size()
                   && f.write(QByteArray(70 * 1024, '\0')) == 70 * 1024);
        f.close();
        TestData front;
        FUZZ_CHECK(File::read(padded, front, false) == readInfo);
        if (readInfo)
            FUZZ_CHECK(front.info == info.info);
        FUZZ_CHECK(!File::verify(padded));
    }
    if (verified) {
        // What was read is written and read again unchanged.
        FUZZ_CHECK(File::write(path, all));
        TestData again;
        FUZZ_CHECK(File::verify(path) && File::read(path, again, true));
        FUZZ_CHECK(again == all);
    }
    return verified;
}
} // namespace

int main(int argc, char** argv)
{
    const int rc = fuzzMain(argc, argv, "fuzz_recordfile", target);
    g_dir.reset();
    return rc;
}
