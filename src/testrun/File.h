#pragma once

#include "testrun/TestData.h"

#include <QByteArray>
#include <QString>

namespace TestChart {
namespace VLF {

// Reader, writer and verifier of ".vlf" record files. The byte layout is shared with
// other instruments and the remote link: it must not change.
class File {
public:
    // No test writes a larger record. The longest test runs 120 minutes; a sample every
    // 100 ms gives 72,000 samples of at most 20 bytes (four numbers of at most five bytes)
    // and at most as many period records of at most 25 bytes: 3.24 MB a run. A tan delta
    // record holds one run per phase, three at most: 9.7 MB, plus the keys. Rounded up to
    // 16 MiB for the ramp before the test time; a larger file is damaged or no record, and
    // is refused before it is read.
    static constexpr qint64 MaxRecordSize = 16 * 1024 * 1024;

    // Writes the whole record to path (created or truncated). False when the file cannot
    // be opened or not all bytes could be handed to it.
    static bool write(const QString& path, const TestData& data);
    // Appends the record in path to data; with all false only the info list is read, as
    // far into the file as it reaches. A file larger than MaxRecordSize, cut short,
    // malformed or failing a check word is refused; reading stops at the first fault, and
    // entries read before it stay in data.
    static bool read(const QString& path, TestData& data, bool all);
    // True only for a complete, well-formed record: magic, version, tags, counts,
    // check words and nothing after the last section.
    static bool verify(const QString& path);

    // The bytes write() puts into a file, and their parser; used by the above.
    static QByteArray encode(const TestData& data);
    static bool decode(const QByteArray& bytes, TestData& data, bool all, bool wholeFile);
    // The same over the first bytes of a file of fileSize bytes; *needMore tells a fault
    // from the end of those bytes.
    static bool decode(const QByteArray& bytes, qint64 fileSize, TestData& data, bool all, bool wholeFile,
                       bool* needMore);

private:
    class Reader;
    static bool decode(Reader& in, TestData& data, bool all);
    static qint64 varIntRead(Reader& stream, bool& ok);
};

} // namespace VLF
} // namespace TestChart
