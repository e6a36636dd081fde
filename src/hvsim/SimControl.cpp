#include "hvsim/SimControl.h"

#include "hvsim/HvUnitSimulator.h"

#include <QStringList>

namespace {
struct FaultName {
    const char* name;
    HvUnitSimulator::Fault fault;
};
const FaultName kFaults[] = {
    { "none", HvUnitSimulator::Fault::None },
    { "noecho", HvUnitSimulator::Fault::NoEcho },
    { "wrongecho", HvUnitSimulator::Fault::WrongEcho },
    { "lateecho", HvUnitSimulator::Fault::LateEcho },
    { "wrongletter", HvUnitSimulator::Fault::WrongLetter },
    { "badcrc", HvUnitSimulator::Fault::BadCrc },
    { "wronglength", HvUnitSimulator::Fault::WrongLength },
    { "noise", HvUnitSimulator::Fault::NoiseBeforeStart },
    { "secondstart", HvUnitSimulator::Fault::SecondStart },
    { "trickle", HvUnitSimulator::Fault::Trickle },
    { "gap", HvUnitSimulator::Fault::GapMidFrame },
    { "silence", HvUnitSimulator::Fault::Silence },
};
} // namespace

bool applySimCommand(HvUnitSimulator& sim, const QString& line, QString* reply)
{
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString out;
    bool ok = true;
    auto num = [&](int i, qint64 def, int base = 10) {
        if (i >= w.size())
            return def;
        bool good = false;
        const qint64 v = w.at(i).toLongLong(&good, base);
        ok = ok && good;
        return v;
    };
    const QString cmd = w.value(0).toLower();
    HvUnitModel& m = sim.model();
    if (cmd.isEmpty() || cmd.startsWith(QLatin1Char('#'))) {
        // comment or empty line
    } else if (cmd == QLatin1String("breakdown")) {
        m.triggerBreakdown();
        out = QStringLiteral("breakdown triggered");
    } else if (cmd == QLatin1String("error")) {
        const qint64 bits = num(1, HVStateBits::Overcurrent, 16);
        if (ok)
            m.triggerError(uint32_t(bits));
        out = QStringLiteral("error bits %1").arg(bits, 0, 16);
    } else if (cmd == QLatin1String("temperature") && w.size() == 2) {
        const qint64 t = num(1, 0);
        ok = ok && t >= -128 && t <= 127;
        if (ok)
            m.setTemperature(int(t));
    } else if (cmd == QLatin1String("tandelta") && w.size() >= 2) {
        const qint64 td = num(1, 0), noise = num(2, 20);
        ok = ok && td >= 0 && noise >= 0;
        if (ok)
            m.setTanDelta(uint32_t(td), uint32_t(noise));
    } else if (cmd == QLatin1String("load") && w.size() == 3) {
        const qint64 c = num(1, 0), r = num(2, 0);
        ok = ok && c >= 0 && r >= 0;
        if (ok)
            m.setLoad(uint32_t(c), uint64_t(r));
    } else if (cmd == QLatin1String("firmware") && w.size() == 3) {
        const qint64 major = num(1, 0), minor = num(2, 0);
        ok = ok && major >= 0 && major < 256 && minor >= 0 && minor < 256;
        if (ok) {
            HvUnitModel::Identification id = m.identification();
            id.firmwareMajor = int(major);
            id.firmwareMinor = int(minor);
            m.setIdentification(id);
        }
    } else if (cmd == QLatin1String("fault") && w.size() >= 2) {
        ok = false;
        for (const FaultName& f : kFaults) {
            if (w.at(1).toLower() == QLatin1String(f.name)) {
                ok = true;
                const qint64 count = num(2, -1), param = num(3, 0);
                if (ok)
                    sim.setFault(f.fault, int(count), int(param));
            }
        }
    } else if (cmd == QLatin1String("failnext") && w.size() == 2) {
        const qint64 n = num(1, 0);
        ok = ok && n >= 0;
        if (ok)
            sim.failNext(int(n));
    } else if (cmd == QLatin1String("failcmd") && (w.size() == 2 || w.size() == 3) && w.at(1).size() == 1) {
        const qint64 n = num(2, 3);
        const QChar letter = w.at(1).at(0);
        ok = ok && n >= 0 && letter.unicode() < 128;
        if (ok)
            sim.failCommand(char(letter.unicode()), int(n));
    } else if (cmd == QLatin1String("cascade") && w.size() == 5) {
        const qint64 va = num(1, 0), vb = num(2, 0), ia = num(3, 0), ib = num(4, 0);
        for (qint64 v : { va, vb, ia, ib })
            ok = ok && v >= -32768 && v <= 32767;
        if (ok)
            m.setCascadeValues(int16_t(va), int16_t(vb), int16_t(ia), int16_t(ib));
    } else if (cmd == QLatin1String("hvenable") && w.size() == 2
               && (w.at(1) == QLatin1String("on") || w.at(1) == QLatin1String("off"))) {
        const bool on = w.at(1) == QLatin1String("on");
        m.setHvEnableProbe([on] { return on; });
    } else if (cmd == QLatin1String("hvon") && w.size() == 1) {
        m.pressHvOn();
        out = QStringLiteral("output %1").arg(m.stateWord() & HVStateBits::OutputOn ? "on" : "off (HV enable off)");
    } else if (cmd == QLatin1String("loadresult") && w.size() == 2) {
        const qint64 bits = num(1, 0, 16);
        ok = ok && (bits & ~qint64(HVStateBits::LoadResultError1 | HVStateBits::LoadResultError2)) == 0;
        if (ok)
            m.setLoadDetectionResult(uint32_t(bits));
    } else if (cmd == QLatin1String("gains") && w.size() == 3) {
        const qint64 u = num(1, 0), i = num(2, 0);
        ok = ok && u >= 0 && u <= 0xFFFF && i >= 0 && i <= 0xFFFF;
        if (ok)
            m.setGains(uint16_t(u), uint16_t(i));
    } else if (cmd == QLatin1String("noise") && w.size() == 2) {
        const qint64 mv = num(1, 0);
        ok = ok && mv >= 0 && mv <= 0xFFFFFFFF;
        if (ok)
            m.setVoltageNoise(uint32_t(mv));
    } else if (cmd == QLatin1String("discharge") && w.size() == 2) {
        const double seconds = w.at(1).toDouble(&ok);
        ok = ok && seconds >= 0 && seconds <= 3600;
        if (ok)
            m.setDischargeMs(int(seconds * 1000));
    } else if (cmd == QLatin1String("reading") && w.size() == 2 && w.at(1) == QLatin1String("clear")) {
        m.clearCascadeReadings();
    } else if (cmd == QLatin1String("reading") && w.size() == 3) {
        const qint64 level = num(1, 0), mv = num(2, 0);
        ok = ok && level >= -32768 && level <= 32767 && mv >= INT32_MIN && mv <= INT32_MAX;
        if (ok)
            m.setCascadeReading(int16_t(level), mv);
    } else if (cmd == QLatin1String("envelope") && w.size() == 2
               && (w.at(1) == QLatin1String("on") || w.at(1) == QLatin1String("off"))) {
        m.setEnvelopeCurrent(w.at(1) == QLatin1String("on"));
    } else if (cmd == QLatin1String("clear")) {
        sim.clearFault();
        m.reset();
    } else if (cmd == QLatin1String("status")) {
        out = QStringLiteral("state word %1, output %2 mV, temperature %3, gains %4/%5")
                  .arg(m.stateWord(), 8, 16, QLatin1Char('0'))
                  .arg(m.outputVoltage())
                  .arg(m.temperature())
                  .arg(m.gainU())
                  .arg(m.gainI());
    } else {
        ok = false;
    }
    if (reply)
        *reply = ok ? (out.isEmpty() ? QStringLiteral("ok") : out)
                    : QStringLiteral("unknown command: %1").arg(line.trimmed());
    return ok;
}
