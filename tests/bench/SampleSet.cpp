#include "SampleSet.h"

#include <algorithm>

double CSampleSet::Quantile(double dFraction) const
{
    if (m_values.empty())
        return 0.0;
    std::vector<double> sorted(m_values);
    std::sort(sorted.begin(), sorted.end());
    const double dAt = dFraction * static_cast<double>(sorted.size() - 1);
    const size_t nBelow = static_cast<size_t>(dAt);
    if (nBelow + 1 >= sorted.size())
        return sorted.back();
    const double dWeight = dAt - static_cast<double>(nBelow);
    return sorted[nBelow] * (1.0 - dWeight) + sorted[nBelow + 1] * dWeight;
}

double CSampleSet::Min() const
{
    return m_values.empty() ? 0.0 : *std::min_element(m_values.begin(), m_values.end());
}

double CSampleSet::Max() const
{
    return m_values.empty() ? 0.0 : *std::max_element(m_values.begin(), m_values.end());
}
