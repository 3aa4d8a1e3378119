#pragma once

#include <cstddef>
#include <functional>

#include "SampleSet.h"

// The product's and the yardstick's times for one figure, taken side by side.
struct PAIRED_SAMPLES
{
    CSampleSet product;
    CSampleSet baseline;
    // Product over baseline, per round. Its median is the figure's ratio: a
    // slow spell on the machine hits both halves of a round alike.
    CSampleSet ratio;

    void Append(const PAIRED_SAMPLES& other)
    {
        product.Append(other.product);
        baseline.Append(other.baseline);
        ratio.Append(other.ratio);
    }
};

// Each function runs one measurement and stores its seconds; false is a failure.
typedef std::function<bool(double*)> FnMeasure;

struct PAIRED_OPTIONS
{
    // One untimed run of each first.
    bool bWarmUp = true;
    // Start with the baseline instead of the product.
    bool bBaselineFirst = false;
};

// nRounds rounds of one run each, interleaved; the order flips every round
// (A B, B A, A B, ...) so that neither side always runs on the other's
// leftovers.
bool MeasurePaired(size_t nRounds, const FnMeasure& fnProduct, const FnMeasure& fnBaseline, PAIRED_SAMPLES* pSamples,
                   const PAIRED_OPTIONS& options = PAIRED_OPTIONS());
