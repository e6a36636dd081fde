#pragma once

#include <QString>

// Unpacks a tar archive from the stick, which runs as root: the members are checked
// before anything is written, and what lands is checked once more.
class TarArchive {
public:
    // False (with the reason in why) for an archive tar cannot list, or that holds an
    // absolute name, a ".." component, a link, a device or a FIFO.
    static bool isSafe(const QString& archive, QString* why = nullptr);
    // Checks archive and extracts it into folder, which must be empty; owners are not
    // kept. False leaves folder empty again.
    static bool extract(const QString& archive, const QString& folder);
};
