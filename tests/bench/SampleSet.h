#pragma once

#include <cstddef>
#include <vector>

// Repeated measurements of one quantity. The median is what the table shows:
// one slow run (a page-in, another build on the machine) does not move it.
class CSampleSet
{
public:
    void Add(double dValue) { m_values.push_back(dValue); }
    void Append(const CSampleSet& other)
    {
        m_values.insert(m_values.end(), other.m_values.begin(), other.m_values.end());
    }
    size_t Count() const { return m_values.size(); }
    double Median() const { return Quantile(0.5); }
    // Linear between the two nearest samples; 0 without samples.
    double Quantile(double dFraction) const;
    double Min() const;
    double Max() const;

private:
    std::vector<double> m_values;
};
