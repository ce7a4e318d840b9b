#include "descriptors/matrix.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace velmora {

namespace {

double Hypot(double a, double b) { return std::sqrt(a * a + b * b); }

double WithSignOf(double magnitude, double sign) { return sign >= 0.0 ? std::fabs(magnitude) : -std::fabs(magnitude); }

template <typename Storage>
void Allocate(Storage& storage, std::size_t size)
{
    try {
        storage.assign(size, 0.0);
    } catch (const std::bad_alloc&) {
        throw NumericMemoryError();
    } catch (const std::length_error&) {
        throw NumericMemoryError();
    }
}

} // namespace

TVector::TVector(int length) : m_length(std::max(length, 0)) { Allocate(m_data, static_cast<std::size_t>(m_length)); }

void TVector::Fill(double value) { std::fill(m_data.begin(), m_data.end(), value); }

TMatrix::TMatrix(int dim1, int dim2) : m_dim1(std::max(dim1, 0)), m_dim2(std::max(dim2, 0))
{
    Allocate(m_data, static_cast<std::size_t>(m_dim1) * static_cast<std::size_t>(m_dim2));
}

void TMatrix::Fill(double value) { std::fill(m_data.begin(), m_data.end(), value); }

TVector SingularValues(TMatrix& matrix, bool& converged)
{
    converged = true;
    // Work on a tall matrix a (m >= n), row-major, 1-based through the lambda.
    const bool transpose = matrix.Dim1() < matrix.Dim2();
    const int m = transpose ? matrix.Dim2() : matrix.Dim1();
    const int n = transpose ? matrix.Dim1() : matrix.Dim2();
    TVector w(n);
    if (n == 0)
        return w;
    std::vector<double> store;
    std::vector<double> rv1Store;
    Allocate(store, static_cast<std::size_t>(m) * n);
    Allocate(rv1Store, static_cast<std::size_t>(n) + 1);
    auto a = [&](int i, int j) -> double& { return store[static_cast<std::size_t>(i - 1) * n + (j - 1)]; };
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= n; ++j)
            a(i, j) = transpose ? matrix.Get(j, i) : matrix.Get(i, j);
    std::vector<double> wv(static_cast<std::size_t>(n) + 1, 0.0);
    double* rv1 = rv1Store.data();

    // Householder reduction to bidiagonal form.
    double g = 0.0, scale = 0.0, anorm = 0.0;
    for (int i = 1; i <= n; ++i) {
        const int l = i + 1;
        rv1[i] = scale * g;
        g = 0.0;
        double s = 0.0;
        scale = 0.0;
        for (int k = i; k <= m; ++k)
            scale += std::fabs(a(k, i));
        if (scale != 0.0) {
            for (int k = i; k <= m; ++k) {
                a(k, i) /= scale;
                s += a(k, i) * a(k, i);
            }
            double f = a(i, i);
            g = -WithSignOf(std::sqrt(s), f);
            const double h = f * g - s;
            a(i, i) = f - g;
            for (int j = l; j <= n; ++j) {
                s = 0.0;
                for (int k = i; k <= m; ++k)
                    s += a(k, i) * a(k, j);
                f = s / h;
                for (int k = i; k <= m; ++k)
                    a(k, j) += f * a(k, i);
            }
            for (int k = i; k <= m; ++k)
                a(k, i) *= scale;
        }
        wv[i] = scale * g;
        g = 0.0;
        s = 0.0;
        scale = 0.0;
        if (i != n) {
            for (int k = l; k <= n; ++k)
                scale += std::fabs(a(i, k));
            if (scale != 0.0) {
                for (int k = l; k <= n; ++k) {
                    a(i, k) /= scale;
                    s += a(i, k) * a(i, k);
                }
                const double f = a(i, l);
                g = -WithSignOf(std::sqrt(s), f);
                const double h = f * g - s;
                a(i, l) = f - g;
                for (int k = l; k <= n; ++k)
                    rv1[k] = a(i, k) / h;
                for (int j = l; j <= m; ++j) {
                    s = 0.0;
                    for (int k = l; k <= n; ++k)
                        s += a(j, k) * a(i, k);
                    for (int k = l; k <= n; ++k)
                        a(j, k) += s * rv1[k];
                }
                for (int k = l; k <= n; ++k)
                    a(i, k) *= scale;
            }
        }
        anorm = std::max(anorm, std::fabs(wv[i]) + std::fabs(rv1[i]));
    }
    // The singular values do not depend on the accumulated transformations, so only the
    // bidiagonal matrix is diagonalised.
    for (int k = n; k >= 1; --k) {
        for (int its = 1; its <= 30; ++its) {
            bool cancel = true;
            int l = k;
            for (; l >= 1; --l) {
                if (l == 1 || std::fabs(rv1[l]) + anorm == anorm) {
                    cancel = false;
                    break;
                }
                if (std::fabs(wv[l - 1]) + anorm == anorm)
                    break;
            }
            if (cancel) {
                double c = 0.0, s = 1.0;
                for (int i = l; i <= k; ++i) {
                    const double f = s * rv1[i];
                    rv1[i] = c * rv1[i];
                    if (std::fabs(f) + anorm == anorm)
                        break;
                    const double gg = wv[i];
                    double h = Hypot(f, gg);
                    wv[i] = h;
                    h = 1.0 / h;
                    c = gg * h;
                    s = -f * h;
                }
            }
            double z = wv[k];
            if (l == k) {
                if (z < 0.0)
                    wv[k] = -z;
                break;
            }
            if (its == 30) {
                converged = false;
                break;
            }
            double x = wv[l];
            const int nm = k - 1;
            double y = wv[nm];
            double gg = rv1[nm];
            double h = rv1[k];
            double f = ((y - z) * (y + z) + (gg - h) * (gg + h)) / (2.0 * h * y);
            gg = Hypot(f, 1.0);
            f = ((x - z) * (x + z) + h * ((y / (f + WithSignOf(gg, f))) - h)) / x;
            double c = 1.0, s = 1.0;
            for (int j = l; j <= nm; ++j) {
                const int i = j + 1;
                gg = rv1[i];
                y = wv[i];
                h = s * gg;
                gg = c * gg;
                z = Hypot(f, h);
                rv1[j] = z;
                c = f / z;
                s = h / z;
                f = x * c + gg * s;
                gg = gg * c - x * s;
                h = y * s;
                y *= c;
                z = Hypot(f, h);
                wv[j] = z;
                if (z != 0.0) {
                    z = 1.0 / z;
                    c = f * z;
                    s = h * z;
                }
                f = c * gg + s * y;
                x = c * y - s * gg;
            }
            rv1[l] = 0.0;
            rv1[k] = f;
            wv[k] = x;
        }
    }
    // The input is overwritten, as callers expect of this routine.
    for (int i = 1; i <= matrix.Dim1(); ++i)
        for (int j = 1; j <= matrix.Dim2(); ++j)
            matrix.Set(i, j, transpose ? a(j, i) : a(i, j));
    for (int i = 1; i <= n; ++i)
        w.Set(i, wv[i]);
    return w;
}

double VectorMax(const TVector& vector, int from, int to)
{
    from = std::max(from, 1);
    to = std::min(to, vector.Length());
    if (from > to)
        return 0.0;
    double best = vector.Get(from);
    for (int i = from + 1; i <= to; ++i)
        best = std::max(best, vector.Get(i));
    return best;
}

namespace {

// Householder reduction of the symmetric n x n matrix a (n >= 2) to tridiagonal form, working on
// the lower triangle (rows are contiguous); a is overwritten. The diagonal ends in dp[1..n], the
// off-diagonal in ep[2..n] (ep[i] couples dp[i - 1] and dp[i]).
void Tridiagonalise(double* a, int n, double* dp, double* ep)
{
    double v[64];
    double w[64];
    std::vector<double> vBig, wBig;
    double* __restrict vp = v;
    double* __restrict wp = w;
    if (n > 64) {
        Allocate(vBig, static_cast<std::size_t>(n));
        Allocate(wBig, static_cast<std::size_t>(n));
        vp = vBig.data();
        wp = wBig.data();
    }

    // Step k clears column k below the subdiagonal.
    for (int k = 0; k < n - 2; ++k) {
        const int m = n - k - 1; // order of the trailing block
        const int base = k + 1;
        double scale = 0.0;
        for (int i = 0; i < m; ++i)
            scale += std::fabs(a[(base + i) * n + k]);
        dp[k + 1] = a[k * n + k];
        if (scale == 0.0) {
            ep[k + 2] = 0.0;
            continue;
        }
        double norm2 = 0.0;
        for (int i = 0; i < m; ++i) {
            vp[i] = a[(base + i) * n + k] / scale;
            norm2 += vp[i] * vp[i];
        }
        const double alpha = vp[0] >= 0.0 ? -std::sqrt(norm2) : std::sqrt(norm2);
        ep[k + 2] = scale * alpha;
        const double h = norm2 - vp[0] * alpha; // v'v / 2 after v0 -= alpha
        vp[0] -= alpha;
        // p = S v / h from the lower triangle of S, K = p'v / (2h), w = p - K v; S -= v w' + w v'.
        for (int i = 0; i < m; ++i)
            wp[i] = 0.0;
        // Rows two at a time: their sums run side by side, each taking its terms in the same
        // order as alone (they do not read w); then w takes its terms row by row as before. The
        // element-wise loops can use vector instructions.
        for (int i = 0; i < m; i += 2) {
            const double* __restrict srow = a + (base + i) * n + base;
            const double vi = vp[i];
            double sum = srow[i] * vi;
            if (i + 1 < m) {
                const double* __restrict nextRow = srow + n;
                const double vNext = vp[i + 1];
                double nextSum = nextRow[i + 1] * vNext;
                for (int j = 0; j < i; ++j) {
                    sum += srow[j] * vp[j];
                    nextSum += nextRow[j] * vp[j];
                }
                nextSum += nextRow[i] * vp[i];
                for (int j = 0; j < i; ++j)
                    wp[j] += srow[j] * vi;
                wp[i] += sum;
                for (int j = 0; j <= i; ++j)
                    wp[j] += nextRow[j] * vNext;
                wp[i + 1] += nextSum;
            } else {
                for (int j = 0; j < i; ++j)
                    sum += srow[j] * vp[j];
                for (int j = 0; j < i; ++j)
                    wp[j] += srow[j] * vi;
                wp[i] += sum;
            }
        }
        double pv = 0.0;
        for (int i = 0; i < m; ++i) {
            wp[i] /= h;
            pv += wp[i] * vp[i];
        }
        const double kk = pv / (2.0 * h);
        for (int i = 0; i < m; ++i)
            wp[i] -= kk * vp[i];
        for (int i = 0; i < m; ++i) {
            double* __restrict srow = a + (base + i) * n + base;
            const double vi = vp[i], wi = wp[i];
            for (int j = 0; j <= i; ++j)
                srow[j] -= vi * wp[j] + wi * vp[j];
        }
    }
    dp[n - 1] = a[(n - 2) * n + (n - 2)];
    dp[n] = a[(n - 1) * n + (n - 1)];
    ep[n] = a[(n - 1) * n + (n - 2)]; // lower triangle
}

} // namespace

double LargestSymmetricEigenvalue(double* a, int n)
{
    if (n <= 0)
        return 0.0;
    if (n == 1)
        return a[0];
    double d[64 + 1];
    double e[64 + 1];
    std::vector<double> dBig, eBig;
    double* dp = d;
    double* ep = e;
    if (n > 64) {
        Allocate(dBig, static_cast<std::size_t>(n) + 1);
        Allocate(eBig, static_cast<std::size_t>(n) + 1);
        dp = dBig.data();
        ep = eBig.data();
    }
    Tridiagonalise(a, n, dp, ep);
    return LargestTridiagonalEigenvalue(dp + 1, ep + 2, n);
}

void SymmetricTridiagonalForm(double* a, int n, double* d, double* e)
{
    double dp[64 + 1];
    double ep[64 + 1];
    Tridiagonalise(a, n, dp, ep);
    std::copy(dp + 1, dp + n + 1, d);
    std::copy(ep + 2, ep + n + 1, e);
}

double LargestTridiagonalEigenvalue(const double* d, const double* e, int n)
{
    if (n <= 0)
        return 0.0;
    // Gershgorin bounds.
    double lo = 0.0, hi = 0.0;
    for (int i = 0; i < n; ++i) {
        const double radius = (i > 0 ? std::fabs(e[i - 1]) : 0.0) + (i + 1 < n ? std::fabs(e[i]) : 0.0);
        lo = i == 0 ? d[i] - radius : std::min(lo, d[i] - radius);
        hi = i == 0 ? d[i] + radius : std::max(hi, d[i] + radius);
    }
    if (n == 1)
        return d[0];
    const double tiny = std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
    // Number of eigenvalues below x (Sturm count from the LDL' pivots of T - xI).
    auto countBelow = [&](double x) {
        int below = 0;
        double q = d[0] - x;
        for (int i = 0;; ++i) {
            if (q == 0.0)
                q = -tiny;
            below += q < 0.0;
            if (i + 1 == n)
                break;
            q = d[i + 1] - x - e[i] * e[i] / q;
        }
        return below;
    };
    const double eps = std::numeric_limits<double>::epsilon();
    hi += eps * std::max(1.0, std::fabs(hi)); // strictly above every eigenvalue
    // Bisect until the largest eigenvalue is the only one in (lo, hi].
    lo -= eps * std::max(1.0, std::fabs(lo));
    bool isolated = false;
    while (hi - lo > 2.0 * eps * std::max(std::fabs(lo), std::fabs(hi))) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi)
            break;
        const int below = countBelow(mid);
        if (below == n) {
            hi = mid;
        } else {
            lo = mid;
            if (below == n - 1) {
                isolated = true;
                break;
            }
        }
    }
    if (!isolated)
        return 0.5 * (lo + hi);
    // Newton's method on det(T - xI) from above the largest root decreases monotonically to it;
    // f'/f is summed along the pivot recurrence.
    double x = hi;
    for (int iteration = 0; iteration < 100; ++iteration) {
        double q = d[0] - x, dq = -1.0;
        double ratio = 0.0;
        for (int i = 0;; ++i) {
            if (q == 0.0)
                q = -tiny;
            ratio += dq / q;
            if (i + 1 == n)
                break;
            const double e2 = e[i] * e[i];
            const double nextDq = -1.0 + e2 * dq / (q * q);
            q = d[i + 1] - x - e2 / q;
            dq = nextDq;
        }
        if (!(ratio < 0.0) && !(ratio > 0.0))
            break;
        const double next = x - 1.0 / ratio;
        if (!(next < x) || next <= lo)
            break;
        const double step = x - next;
        x = next;
        if (step <= eps * std::fabs(x))
            break;
    }
    return x;
}

void LargestTridiagonalEigenvalues(const double* const* d, const double* const* e, int n, int count, double* largest)
{
    if (n <= 1) {
        for (int p = 0; p < count; ++p)
            largest[p] = LargestTridiagonalEigenvalue(d[p], e[p], n);
        return;
    }
    // The steps of LargestTridiagonalEigenvalue, matrix by matrix the same operations in the same
    // order; only the pivot recurrences of the matrices run in one loop, so that their divisions
    // overlap instead of waiting for one another.
    constexpr int kMax = 4;
    if (count > kMax) {
        for (int first = 0; first < count; first += kMax)
            LargestTridiagonalEigenvalues(d + first, e + first, n, std::min(kMax, count - first), largest + first);
        return;
    }
    enum class Phase { Bisect, Newton, Done };
    const double tiny = std::numeric_limits<double>::min() / std::numeric_limits<double>::epsilon();
    const double eps = std::numeric_limits<double>::epsilon();
    Phase phase[kMax];
    double lo[kMax], hi[kMax], x[kMax];
    int iteration[kMax];
    for (int p = 0; p < count; ++p) {
        const double* dd = d[p];
        const double* ee = e[p];
        double l = 0.0, h = 0.0;
        for (int i = 0; i < n; ++i) {
            const double radius = (i > 0 ? std::fabs(ee[i - 1]) : 0.0) + (i + 1 < n ? std::fabs(ee[i]) : 0.0);
            l = i == 0 ? dd[i] - radius : std::min(l, dd[i] - radius);
            h = i == 0 ? dd[i] + radius : std::max(h, dd[i] + radius);
        }
        h += eps * std::max(1.0, std::fabs(h));
        l -= eps * std::max(1.0, std::fabs(l));
        lo[p] = l;
        hi[p] = h;
        phase[p] = Phase::Bisect;
        iteration[p] = 0;
    }
    for (;;) {
        // Where each matrix is evaluated next, or its end.
        bool any = false;
        bool newton[kMax] = {};
        double at[kMax] = {};
        for (int p = 0; p < count; ++p) {
            if (phase[p] == Phase::Bisect) {
                const double mid = 0.5 * (lo[p] + hi[p]);
                if (!(hi[p] - lo[p] > 2.0 * eps * std::max(std::fabs(lo[p]), std::fabs(hi[p]))) || mid <= lo[p] ||
                    mid >= hi[p]) {
                    largest[p] = 0.5 * (lo[p] + hi[p]);
                    phase[p] = Phase::Done;
                    continue;
                }
                at[p] = mid;
            } else if (phase[p] == Phase::Newton) {
                if (iteration[p] == 100) {
                    largest[p] = x[p];
                    phase[p] = Phase::Done;
                    continue;
                }
                at[p] = x[p];
                newton[p] = true;
            } else {
                continue;
            }
            any = true;
        }
        if (!any)
            return;
        // The pivot recurrences: Sturm counts for bisection, f'/f for Newton.
        int below[kMax] = {};
        double q[kMax], dq[kMax], ratio[kMax] = {};
        for (int p = 0; p < count; ++p) {
            q[p] = d[p][0] - at[p];
            dq[p] = -1.0;
        }
        for (int i = 0;; ++i) {
            for (int p = 0; p < count; ++p) {
                if (phase[p] == Phase::Done)
                    continue;
                if (q[p] == 0.0)
                    q[p] = -tiny;
                if (newton[p])
                    ratio[p] += dq[p] / q[p];
                else
                    below[p] += q[p] < 0.0;
            }
            if (i + 1 == n)
                break;
            for (int p = 0; p < count; ++p) {
                if (phase[p] == Phase::Done)
                    continue;
                const double e2 = e[p][i] * e[p][i];
                if (newton[p])
                    dq[p] = -1.0 + e2 * dq[p] / (q[p] * q[p]);
                q[p] = d[p][i + 1] - at[p] - e2 / q[p];
            }
        }
        for (int p = 0; p < count; ++p) {
            if (phase[p] == Phase::Bisect) {
                if (below[p] == n) {
                    hi[p] = at[p];
                } else {
                    lo[p] = at[p];
                    if (below[p] == n - 1) {
                        phase[p] = Phase::Newton;
                        x[p] = hi[p];
                    }
                }
            } else if (phase[p] == Phase::Newton) {
                ++iteration[p];
                const double r = ratio[p];
                const double next = x[p] - 1.0 / r;
                if ((!(r < 0.0) && !(r > 0.0)) || !(next < x[p]) || next <= lo[p]) {
                    largest[p] = x[p];
                    phase[p] = Phase::Done;
                    continue;
                }
                const double step = x[p] - next;
                x[p] = next;
                if (step <= eps * std::fabs(x[p])) {
                    largest[p] = x[p];
                    phase[p] = Phase::Done;
                }
            }
        }
    }
}

} // namespace velmora
