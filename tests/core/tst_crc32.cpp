#include "core/CRC32.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TstCRC32 : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QByteArray write(const QString& name, const QByteArray& content)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            return QByteArray();
        return QFile::encodeName(f.fileName());
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void checkValue()
    {
        const QByteArray path = write(QStringLiteral("check.bin"), "123456789");
        QVERIFY(!path.isEmpty());
        // Register from 0, no final inversion: not the common 0xCBF43926.
        QCOMPARE(getCRC32FromFile(path.constData()), quint32(0x2DFD2D88));
    }

    void spansBlocks()
    {
        QByteArray data(2500, '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>((i * 7) & 0xFF);
        const QByteArray path = write(QStringLiteral("blocks.bin"), data);
        QCOMPARE(getCRC32FromFile(path.constData()), quint32(0xD9064D84));
    }

    void unreadableGivesZero()
    {
        QCOMPARE(getCRC32FromFile(nullptr), quint32(0));
        QCOMPARE(getCRC32FromFile(""), quint32(0));
        QCOMPARE(getCRC32FromFile(QFile::encodeName(m_dir.filePath(QStringLiteral("missing"))).constData()),
                 quint32(0));
        QCOMPARE(getCRC32FromFile(QFile::encodeName(m_dir.path()).constData()), quint32(0));
        const QByteArray empty = write(QStringLiteral("empty.bin"), QByteArray());
        QCOMPARE(getCRC32FromFile(empty.constData()), quint32(0));
        if (::geteuid() != 0) {
            const QByteArray locked = write(QStringLiteral("locked.bin"), "123456789");
            QVERIFY(QFile::setPermissions(QFile::decodeName(locked), QFileDevice::Permissions()));
            QCOMPARE(getCRC32FromFile(locked.constData()), quint32(0));
        }
    }

    void keepsEventsFlowing()
    {
        const QByteArray path = write(QStringLiteral("large.bin"), QByteArray(64 * 1024, 'x'));
        bool handled = false;
        QMetaObject::invokeMethod(this, [&handled] { handled = true; }, Qt::QueuedConnection);
        QVERIFY(getCRC32FromFile(path.constData()) != 0);
        QVERIFY(handled);
    }
};

QTEST_GUILESS_MAIN(TstCRC32)
#include "tst_crc32.moc"
