#include "fuzz/FuzzDriver.h"
#include "fakes/TempRoot.h"
#include "tandelta/TanDeltaCriteriaFolder.h"
#include "tandelta/TanDeltaStandardUser.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <memory>

using namespace TanDelta::evaluation;

// Input: the bytes of the one criteria file in the folder; the user standard read
// from it is then asked everything an evaluation asks.
namespace {
std::unique_ptr<TempRoot> g_root;

TanDeltaMeasurementValues step(quint32 mean, qint64 stdDev)
{
    TanDeltaMeasurementValues v;
    v.avgTanDelta = mean;
    v.stdDevTanDelta = stdDev;
    return v;
}

bool target(const QByteArray& input)
{
    if (!g_root) {
        g_root = std::make_unique<TempRoot>();
        FUZZ_CHECK(g_root->isValid());
    }
    // Each input in a folder of its own: every new content gets a standard's number for
    // good, so a shared folder would make each input cost more than the one before.
    FUZZ_CHECK(QDir(criteriaFolderPath()).removeRecursively()
               && g_root->mkdir(criteriaFolderPath().mid(g_root->root().size())));
    const QString path = criteriaFolderPath() + QStringLiteral("/a.tds");
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(input) == input.size());
        // Rewrites within one clock tick would pass for the version already read.
        static qint64 written = 0;
        FUZZ_CHECK(f.setFileTime(QDateTime::fromMSecsSinceEpoch(++written), QFileDevice::FileModificationTime));
    }
    const QString problem = criteriaFileProblem(input);
    readCriteriaFile(path);
    criteriaFileListing();

    StandardUser s(0);
    if (s.id() == None)
        return false;
    const QVector<QVector<unsigned short>> levelSets = { { 50, 100, 150 }, { 100 }, { 150, 100, 50, 200 }, {} };
    for (const auto& levels : levelSets) {
        QVector<TanDeltaMeasurementValues> values;
        for (int i = 0; i < levels.size(); ++i)
            values << step(quint32(400 + 900 * i), 10 * i);
        for (int t = PE_XLPE; t <= XLPE; ++t) {
            const auto insulation = static_cast<eInsulationType>(t);
            const eEvaluationResult r = s.classify(insulation, levels, values);
            FUZZ_CHECK(r >= NoVerdict && r <= PhaseNotMeasured);
            if (!s.insulationSupported(insulation))
                FUZZ_CHECK(r == EvaluationNotPossible);
            for (eCriterion c : s.getCriterions())
                s.getTicksForCriterion(c, insulation);
        }
        s.deltaTanDeltaFactorsIndex(levels);
    }
    s.deltaTanDeltaFactors();
    s.requiredFactors(Standard::DeltaTanDeltaFactors);
    s.requiredFactors(Standard::AllFactors);
    return problem.isEmpty();
}
} // namespace

int main(int argc, char** argv)
{
    const int rc = fuzzMain(argc, argv, "fuzz_criteriafile", target);
    g_root.reset();
    return rc;
}
