#pragma once

#include <QString>

// Every absolute system path goes through here. On the instrument the root is "/";
// on a development machine and in tests it is a folder chosen through the
// environment variable VLF_ROOT or setRoot().
class FsRoot {
public:
    // Maps an absolute system path ("/sys/class/gpio") below the root.
    static QString path(const QString& absolutePath);
    static QString root();
    static void setRoot(const QString& root);
    static bool isRealRoot();
};
