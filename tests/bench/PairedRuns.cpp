#include "PairedRuns.h"

bool MeasurePaired(size_t nRounds, const FnMeasure& fnProduct, const FnMeasure& fnBaseline, PAIRED_SAMPLES* pSamples,
                   const PAIRED_OPTIONS& options)
{
    double dProduct = 0.0;
    double dBaseline = 0.0;
    if (options.bWarmUp && (!fnProduct(&dProduct) || !fnBaseline(&dBaseline)))
        return false;
    for (size_t nRound = 0; nRound < nRounds; ++nRound) {
        const bool bProductFirst = (nRound % 2 == 0) != options.bBaselineFirst;
        bool bOk;
        if (bProductFirst)
            bOk = fnProduct(&dProduct) && fnBaseline(&dBaseline);
        else
            bOk = fnBaseline(&dBaseline) && fnProduct(&dProduct);
        if (!bOk || dBaseline <= 0.0)
            return false;
        pSamples->product.Add(dProduct);
        pSamples->baseline.Add(dBaseline);
        pSamples->ratio.Add(dProduct / dBaseline);
    }
    return true;
}
