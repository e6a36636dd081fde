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
    // Writes the whole record to path (created or truncated). False when the file cannot
    // be opened or not all bytes could be handed to it.
    static bool write(const QString& path, const TestData& data);
    // Appends the record in path to data; with all false only the info list is read.
    // A file that is cut short, malformed or fails a check word is refused; entries read
    // before the failure stay in data.
    static bool read(const QString& path, TestData& data, bool all);
    // True only for a complete, well-formed record: magic, version, tags, counts,
    // check words and nothing after the last section.
    static bool verify(const QString& path);

    // The bytes write() puts into a file, and their parser; used by the above.
    static QByteArray encode(const TestData& data);
    static bool decode(const QByteArray& bytes, TestData& data, bool all, bool wholeFile);

private:
    class Reader;
    static qint64 varIntRead(Reader& stream, bool& ok);
};

} // namespace VLF
} // namespace TestChart
