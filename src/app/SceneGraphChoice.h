#pragma once

#include <QByteArray>
#include <QString>

// Picks the Qt Quick scene graph before the window exists: OpenGL where a GPU draws it,
// the software scene graph where no OpenGL context can be made or only a software
// rasterizer would draw (as on a board without GPU or under a virtual X server, where
// OpenGL costs far more processor time and memory). An explicit QT_QUICK_BACKEND wins.
// The OpenGL context that tells is made in a child process: a driver once loaded (a
// software rasterizer with its threads and memory) would stay with the program.
class SceneGraphChoice {
public:
    struct Choice {
        bool software = false;
        QString text; // what the log says
    };

    // The choice for what was found: the backend named in the environment (may be
    // empty), whether an OpenGL context could be made, and its renderer name.
    static Choice decide(const QByteArray& namedBackend, bool haveContext, const QString& renderer);
    static bool isSoftwareRasterizer(const QString& renderer);

    // Makes the OpenGL context in a child process with the program's arguments and keeps
    // what it found for apply(). Call from main before the application object and before
    // any thread starts; nothing happens when QT_QUICK_BACKEND is set.
    static void probe(int argc, char** argv);

    // Looks at the platform (what probe() found, else a context made here), sets the
    // scene graph and logs the choice. Needs the application object and must run before
    // the first Qt Quick window.
    static Choice apply();
};
