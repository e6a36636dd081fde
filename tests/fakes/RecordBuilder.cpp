#include "fakes/RecordBuilder.h"

#include "core/GlobalFuncs.h"
#include "testrun/File.h"
#include "testrun/TestChart.h"

#include <QDir>

#include <cmath>

using namespace TestChart;

RecordBuilder& RecordBuilder::info(qint32 group, qint32 key, const QString& value)
{
    VLF::insert(m_data, group, key, value);
    return *this;
}

RecordBuilder& RecordBuilder::info(qint32 group, qint32 key, qint64 value)
{
    VLF::insert(m_data, group, key, value);
    return *this;
}

RecordBuilder& RecordBuilder::test(OperatingModes::OperatingMode mode, qint64 millivolts, qint64 milliseconds,
                                   int phases)
{
    return info(0, 12, qint64(mode)).info(0, 13, millivolts).info(0, 15, milliseconds).info(0, 17, qint64(phases));
}

RecordBuilder& RecordBuilder::cableNumber(const QString& number) { return info(0, 34, number).info(0, 42, number); }

RecordBuilder& RecordBuilder::tanDelta(TanDelta::evaluation::eEvaluationStandard standard,
                                       TanDelta::evaluation::eInsulationType insulation, int steps,
                                       int valuesPerStep, const QVector<quint16>& factors)
{
    info(0, 21, qint64(standard)).info(0, 22, qint64(insulation)).info(0, 23, qint64(steps));
    info(0, 24, qint64(valuesPerStep));
    for (int i = 0; i < factors.size(); ++i)
        info(1000, i, qint64(factors.at(i)));
    return *this;
}

RecordBuilder& RecordBuilder::run(const Run& r)
{
    info(r.number, 16, r.frequency).info(r.number, 15, r.start).info(r.number, 17, r.phase);
    return info(r.number, 28, r.result)
        .info(r.number, 35, r.safetyCircuit)
        .info(r.number, 36, r.hvUnitState)
        .info(r.number, 25, r.comment);
}

RecordBuilder& RecordBuilder::load(int run, const QString& ohms, const QString& picofarads)
{
    return info(run, 26, ohms).info(run, 27, picofarads);
}

RecordBuilder& RecordBuilder::fault(int run, qint64 milliseconds, qint64 millivolts,
                                    const QString& leakageNanoamperes)
{
    return info(run, 30, milliseconds).info(run, 31, millivolts).info(run, 32, leakageNanoamperes);
}

RecordBuilder& RecordBuilder::sample(int run, qint32 milliseconds, qint32 millivolts, qint32 current)
{
    VLF::insert(m_data, run, milliseconds, millivolts, current);
    return *this;
}

RecordBuilder& RecordBuilder::periodic(int run, qint32 milliseconds, qint32 millivolts, qint32 current,
                                       qint32 tanDelta)
{
    VLF::insert(m_data, run, milliseconds, millivolts, current, tanDelta);
    return *this;
}

RecordBuilder& RecordBuilder::tanDeltaSteps(int run, qint32 firstMilliseconds, const QVector<qint32>& millivolts,
                                            const QVector<QVector<qint32>>& tanDeltas)
{
    qint32 t = firstMilliseconds;
    for (int step = 0; step < tanDeltas.size(); ++step) {
        for (qint32 tanDelta : tanDeltas.at(step)) {
            periodic(run, t, millivolts.value(step), 1000, tanDelta);
            t += 1000;
        }
    }
    return *this;
}

VLF::TestData RecordBuilder::build(int runs) const
{
    VLF::TestData data = m_data;
    VLF::insert(data, 0, 11, QString::number(runs));
    return data;
}

QString RecordBuilder::store(const VLF::TestData& data, const QString& day)
{
    const QString folder = GlobalFuncs::getUsbPath(GlobalFuncs::InternalMeasurements) + QLatin1Char('/') + day;
    const QString path = folder + QLatin1Char('/') + TestChart::exportFileName(data);
    return QDir().mkpath(folder) && VLF::File::write(path, data) ? path : QString();
}

VLF::TestData RecordBuilder::threePhaseTanDelta()
{
    namespace TD = TanDelta::evaluation;
    const QVector<qint32> levels{6000000, 12000000, 18000000};
    RecordBuilder b;
    b.info(0, 0, qint64(4)).info(0, 10, QStringLiteral("00000000123"));
    b.test(OperatingModes::TanDelta, 12000000, 0, 7).cableNumber(QStringLiteral("K-3"));
    b.tanDelta(TD::IEEE2013, TD::PE_XLPE, 3, 4, {50, 100, 150});
    const QVector<QVector<QVector<qint32>>> phases{
        {{900, 900, 900, 900}, {1000, 1000, 1000, 1000}, {1100, 1100, 1100, 1100}},
        {{9000, 9000, 9000, 9000}, {9800, 10200, 9800, 10200}, {11000, 11000, 11000, 11000}},
        {{55000, 55000, 55000, 55000}, {60000, 60000, 60000, 60000}, {70000, 70000, 70000, 70000}},
    };
    for (int phase = 0; phase < 3; ++phase) {
        Run r;
        r.number = phase + 1;
        r.start = QStringLiteral("2026-12-08T09:%1:00.000").arg(10 * phase, 2, 10, QLatin1Char('0'));
        r.phase = phase;
        r.result = phase == 2 ? eTestResult_CancelledByOp : eTestResult_FinishedSuccess;
        b.run(r).tanDeltaSteps(r.number, 1000, levels, phases.at(phase));
    }
    return b.build(3);
}

VLF::TestData RecordBuilder::benchRecord(const QDateTime& start, int samples, int periodic,
                                         OperatingModes::OperatingMode mode, const QString& cable)
{
    RecordBuilder b;
    for (int k : {0, 1, 40, 4, 5, 6, 7, 8, 33, 9})
        b.info(0, k, QStringLiteral("12"));
    b.info(0, 10, QStringLiteral("00000000123"));
    b.test(mode, 28000000, 15000, 17000).cableNumber(cable);
    for (int k : {16, 18, 19, 20})
        b.info(0, k, qint64(k * 1000));
    Run run;
    run.start = start.toString(QString::fromLatin1(StartTimeFormat));
    run.phase = 17;
    run.result = 28;
    run.safetyCircuit = 35;
    run.hvUnitState = QStringLiteral("36");
    run.comment = QStringLiteral("Routine test after repair");
    b.run(run).info(1, 29, qint64(samples * 100));
    for (int i = 0; i < samples; ++i) {
        const double phase = 2 * M_PI * 0.1 * i * 0.1;
        b.sample(1, i * 100, qint32(28000000 * std::sin(phase)), qint32(4500000 * std::cos(phase)));
    }
    for (int i = 0; i < periodic; ++i)
        b.periodic(1, i * 10000, 28000000 + (i % 7) * 1000, 4500000 - i, 1200 + (i % 13));
    return b.build(1);
}
