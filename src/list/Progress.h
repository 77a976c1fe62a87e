#pragma once

namespace qn {

// The directory add's activity indicator: each name advances the value by 10
// from the minimum; a step past the maximum starts again at the minimum.
// It is never a percentage of the directory.
class ProgressCycle {
public:
    ProgressCycle(double minimum, double maximum) : m_min(minimum), m_max(maximum), m_value(minimum) {}

    void start() { m_value = m_min; }
    void step()
    {
        const double next = m_value + 10;
        if (next > m_max || next < m_min)
            start();
        else
            m_value = next;
    }
    void finish() { m_value = m_max; }
    double value() const { return m_value; }

private:
    double m_min;
    double m_max;
    double m_value;
};

} // namespace qn
