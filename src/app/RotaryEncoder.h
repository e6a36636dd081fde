#pragma once

#include <QObject>
#include <QString>

class InputEventReader;

// The rotary encoder with its push button: a turn becomes Right or Left, a push Return,
// each delivered as an ordinary key press and release to the focused window, where the
// focused control and its page's navigation take it. Every key is also reported through
// IGUI::keyPressDetected.
class RotaryEncoder : public QObject {
    Q_OBJECT
public:
    static const char* const kDefaultDevice;

    // The device path from the configuration, or the default one where the configured one
    // is no character device below /dev/input (the configuration's bounds).
    static QString configuredDevice();

    explicit RotaryEncoder(const QString& devicePath, QObject* parent = nullptr);

    bool start();
    InputEventReader* reader() const { return m_reader; }

public slots:
    void onInputEvent(quint16 type, quint16 code, qint32 value);

private:
    void deliver(int key, bool pressed);

    InputEventReader* m_reader;
};
