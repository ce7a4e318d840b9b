#include "search/statistics.h"

#include <cmath>

namespace velmora {

void StatisticsAccumulator::SelectChannel(int channel)
{
    if (channel >= 1 && channel <= kChannels)
        m_current = channel;
}

void StatisticsAccumulator::ResetChannel() { m_channels[static_cast<std::size_t>(m_current)] = Sums{}; }

void StatisticsAccumulator::AddPoint(double x, double y)
{
    Sums& s = m_channels[static_cast<std::size_t>(m_current)];
    ++s.n;
    s.x += x;
    s.y += y;
    s.xx += x * x;
    s.yy += y * y;
    s.d += x - y;
    s.dd += (x - y) * (x - y);
    s.xy += x * y;
    s.xxy += x * x * y;
    s.xxx += x * x * x;
    s.xxxx += x * x * x * x;
}

namespace {
double SampleDeviation(double sumSquares, double sum, long n)
{
    const long double variance = (static_cast<long double>(sumSquares) - static_cast<long double>(sum) * sum / n) / (n - 1);
    return static_cast<double>(std::sqrt(std::fabs(variance)));
}
} // namespace

ChannelResult StatisticsAccumulator::ChannelResults() const
{
    const Sums& s = m_channels[static_cast<std::size_t>(m_current)];
    ChannelResult result;
    result.n = s.n;
    if (s.n > 0) {
        result.meanX = s.x / s.n;
        result.meanY = s.y / s.n;
        result.meanDifference = s.d / s.n;
    }
    if (s.n >= 3) {
        result.sdX = SampleDeviation(s.xx, s.x, s.n);
        result.sdY = SampleDeviation(s.yy, s.y, s.n);
        result.sdDifference = SampleDeviation(s.dd, s.d, s.n);
        const double sxx = static_cast<double>(static_cast<long double>(s.xx) - static_cast<long double>(s.x) * s.x / s.n);
        const double syy = static_cast<double>(static_cast<long double>(s.yy) - static_cast<long double>(s.y) * s.y / s.n);
        if (s.xx > 0 && s.yy > 0 && sxx != 0 && syy != 0) {
            const long double numerator = static_cast<long double>(s.xy) - static_cast<long double>(s.x) * s.y / s.n;
            result.r = static_cast<double>(numerator / std::sqrt(std::fabs(static_cast<long double>(sxx) * syy)));
        }
    }
    return result;
}

} // namespace velmora
