#pragma once

#include <QObject>
#include <QStringList>

// Collects the warnings QML prints (the lines naming a .qml or .js file, or the "qml"
// logging category), so that a test can fail on them. One instance per program; install()
// again puts the handler back in front after a test framework replaced it. Every message
// still reaches the previous handler.
class QmlWarnings : public QObject {
    Q_OBJECT
public:
    static QmlWarnings* install();
    // For warnings that come another way (a QML engine's warnings signal).
    static void record(const QString& text);

    // The warnings collected since the last call; clears them.
    Q_INVOKABLE QStringList take();
    Q_INVOKABLE int count() const;

private:
    QmlWarnings() = default;
};
