#include "app/RotaryEncoder.h"

#include "app/InputEventReader.h"
#include "config/ConfigKeys.h"
#include "core/GlobalFuncs.h"
#include "uiapi/IGUI.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWindow>

#include <linux/input.h>

#include <algorithm>
#include <cstdlib>

namespace {
// A burst of detents is passed on step by step, but a runaway value is not replayed.
constexpr int kMaxStepsPerEvent = 10;
} // namespace

const char* const RotaryEncoder::kDefaultDevice = "/dev/input/by-path/platform-rotary-encoder-event";

QString RotaryEncoder::configuredDevice()
{
    QString path = QString::fromLatin1(kDefaultDevice);
    if (IConfigBase* cfg = GlobalFuncs::getConfig())
        cfg->queryString(QString::fromLatin1(ConfigKeys::EncoderDevice), path, QString::fromLatin1(kDefaultDevice));
    return path.isEmpty() ? QString::fromLatin1(kDefaultDevice) : path;
}

RotaryEncoder::RotaryEncoder(const QString& devicePath, QObject* parent)
    : QObject(parent), m_reader(new InputEventReader(devicePath, this))
{
    connect(m_reader, &InputEventReader::inputEvent, this, &RotaryEncoder::onInputEvent);
}

bool RotaryEncoder::start() { return m_reader->start(); }

void RotaryEncoder::onInputEvent(quint16 type, quint16 code, qint32 value)
{
    if (type == EV_REL) {
        if (code != REL_X && code != REL_Y && code != REL_DIAL && code != REL_WHEEL)
            return;
        const int key = value > 0 ? Qt::Key_Right : Qt::Key_Left;
        const int steps = std::min(std::abs(value), kMaxStepsPerEvent);
        for (int i = 0; i < steps; ++i) {
            deliver(key, true);
            deliver(key, false);
        }
        return;
    }
    if (type != EV_KEY)
        return;
    int key = 0;
    switch (code) {
    case KEY_ENTER:
    case KEY_KPENTER:
    case KEY_OK:
    case KEY_SELECT:
    case BTN_0:
        key = Qt::Key_Return;
        break;
    case KEY_RIGHT:
    case KEY_DOWN:
        key = Qt::Key_Right;
        break;
    case KEY_LEFT:
    case KEY_UP:
        key = Qt::Key_Left;
        break;
    default:
        return;
    }
    // 1 pressed, 0 released; the driver's auto-repeat (2) would fire the control again.
    if (value == 1 || value == 0)
        deliver(key, value == 1);
}

void RotaryEncoder::deliver(int key, bool pressed)
{
    QObject* target = QGuiApplication::focusWindow();
    if (!target)
        target = QGuiApplication::focusObject();
    if (target) {
        QKeyEvent event(pressed ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &event);
    }
    if (IGUI* gui = GlobalFuncs::getGUI())
        emit gui->keyPressDetected(key, pressed);
}
