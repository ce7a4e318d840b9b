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

double LargestSymmetricEigenvalue(double* a, int n)
{
    if (n <= 0)
        return 0.0;
    if (n == 1)
        return a[0];
    auto A = [&](int i, int j) -> double& { return a[(i - 1) * n + (j - 1)]; };
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
    // Householder reduction to tridiagonal form (lower triangle used).
    for (int i = n; i >= 2; --i) {
        const int l = i - 1;
        double h = 0.0;
        if (l > 1) {
            double scale = 0.0;
            for (int k = 1; k <= l; ++k)
                scale += std::fabs(A(i, k));
            if (scale == 0.0) {
                ep[i] = A(i, l);
            } else {
                for (int k = 1; k <= l; ++k) {
                    A(i, k) /= scale;
                    h += A(i, k) * A(i, k);
                }
                double f = A(i, l);
                double g = f >= 0.0 ? -std::sqrt(h) : std::sqrt(h);
                ep[i] = scale * g;
                h -= f * g;
                A(i, l) = f - g;
                f = 0.0;
                for (int j = 1; j <= l; ++j) {
                    g = 0.0;
                    for (int k = 1; k <= j; ++k)
                        g += A(j, k) * A(i, k);
                    for (int k = j + 1; k <= l; ++k)
                        g += A(k, j) * A(i, k);
                    ep[j] = g / h;
                    f += ep[j] * A(i, j);
                }
                const double hh = f / (h + h);
                for (int j = 1; j <= l; ++j) {
                    f = A(i, j);
                    g = ep[j] - hh * f;
                    ep[j] = g;
                    for (int k = 1; k <= j; ++k)
                        A(j, k) -= f * ep[k] + g * A(i, k);
                }
            }
        } else {
            ep[i] = A(i, l);
        }
    }
    for (int i = 1; i <= n; ++i)
        dp[i] = A(i, i);
    // Implicit QL on the tridiagonal matrix.
    for (int i = 2; i <= n; ++i)
        ep[i - 1] = ep[i];
    ep[n] = 0.0;
    for (int l = 1; l <= n; ++l) {
        int iter = 0;
        int m;
        do {
            for (m = l; m <= n - 1; ++m) {
                const double dd = std::fabs(dp[m]) + std::fabs(dp[m + 1]);
                if (std::fabs(ep[m]) <= std::numeric_limits<double>::epsilon() * dd)
                    break;
            }
            if (m != l) {
                if (iter++ == 60)
                    break;
                double g = (dp[l + 1] - dp[l]) / (2.0 * ep[l]);
                double r = Hypot(g, 1.0);
                g = dp[m] - dp[l] + ep[l] / (g + WithSignOf(r, g));
                double s = 1.0, c = 1.0, p = 0.0;
                int i;
                for (i = m - 1; i >= l; --i) {
                    double f = s * ep[i];
                    const double b = c * ep[i];
                    r = Hypot(f, g);
                    ep[i + 1] = r;
                    if (r == 0.0) {
                        dp[i + 1] -= p;
                        ep[m] = 0.0;
                        break;
                    }
                    s = f / r;
                    c = g / r;
                    g = dp[i + 1] - p;
                    r = (dp[i] - g) * s + 2.0 * c * b;
                    p = s * r;
                    dp[i + 1] = g + p;
                    g = c * r - b;
                }
                if (r == 0.0 && i >= l)
                    continue;
                dp[l] -= p;
                ep[l] = g;
                ep[m] = 0.0;
            }
        } while (m != l);
    }
    double best = dp[1];
    for (int i = 2; i <= n; ++i)
        best = std::max(best, dp[i]);
    return best;
}

} // namespace velmora
