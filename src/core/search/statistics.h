#pragma once
// The two-variable statistics accumulator: 77 channels of paired observations (x, y) with their
// running sums. The library parameter calculations use one channel per descriptor pair, the
// correlation coefficient one channel for the pairs of a comparison.
#include <array>

namespace velmora {

struct ChannelResult {
    long n = 0;
    double meanX = 0, meanY = 0;
    double r = 0;
    double sdDifference = 0, meanDifference = 0;
    double sdY = 0, sdX = 0;
};

class StatisticsAccumulator {
public:
    static constexpr int kChannels = 77;

    // Makes channel 1..77 current; other numbers are ignored.
    void SelectChannel(int channel);
    int CurrentChannel() const { return m_current; }
    void ResetChannel();
    void AddPoint(double x, double y);
    // Means from one observation on; standard deviations (n - 1 in the denominator) and r from
    // three on; r is 0 when either variable has no spread or a non-positive sum of squares.
    ChannelResult ChannelResults() const;

private:
    struct Sums {
        long n = 0;
        double x = 0, y = 0, xx = 0, yy = 0, d = 0, dd = 0, xy = 0, xxy = 0, xxx = 0, xxxx = 0;
    };
    std::array<Sums, kChannels + 1> m_channels{};
    int m_current = 1;
};

} // namespace velmora
