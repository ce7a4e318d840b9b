#pragma once
// The numeric unit: a real vector and a dense real matrix with 1-based indices, the singular values
// of a matrix (Golub-Reinsch) and the largest eigenvalue of a symmetric matrix.
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace velmora {

// Raised when the storage of a vector or matrix cannot be obtained.
class NumericMemoryError : public std::runtime_error {
public:
    NumericMemoryError() : std::runtime_error("not enough memory on heap") {}
};

// Elements 1..length; reading outside yields 0.0, writing outside is ignored.
class TVector {
public:
    explicit TVector(int length = 0);
    int Length() const { return m_length; }
    double Get(int i) const { return i >= 1 && i <= m_length ? m_data[i - 1] : 0.0; }
    void Set(int i, double value)
    {
        if (i >= 1 && i <= m_length)
            m_data[i - 1] = value;
    }
    void Fill(double value);

private:
    int m_length = 0;
    std::vector<double> m_data;
};

// Elements (i, j), i in 1..dim1, j in 1..dim2, stored column by column. Reading outside yields
// 0.0, writing outside is ignored.
class TMatrix {
public:
    TMatrix(int dim1 = 0, int dim2 = 0);
    int Dim1() const { return m_dim1; }
    int Dim2() const { return m_dim2; }
    double Get(int i, int j) const { return Inside(i, j) ? m_data[Offset(i, j)] : 0.0; }
    void Set(int i, int j, double value)
    {
        if (Inside(i, j))
            m_data[Offset(i, j)] = value;
    }
    void Fill(double value);

private:
    bool Inside(int i, int j) const { return i >= 1 && i <= m_dim1 && j >= 1 && j <= m_dim2; }
    std::size_t Offset(int i, int j) const { return (i - 1) + static_cast<std::size_t>(j - 1) * m_dim1; }
    int m_dim1 = 0;
    int m_dim2 = 0;
    std::vector<double> m_data;
};

// The min(dim1, dim2) singular values (unordered) by Householder bidiagonalisation and implicit-
// shift QR sweeps, at most 30 for each value. A wider than tall matrix is decomposed as its
// transpose. converged becomes false when a value did not settle; the values reached are returned.
// The matrix is overwritten.
TVector SingularValues(TMatrix& matrix, bool& converged);

// Largest element of the index range, bounds clamped to the vector; 0.0 for an empty range.
double VectorMax(const TVector& vector, int from, int to);

// Largest eigenvalue of the symmetric n x n matrix a (row-major, n*n values, only the lower
// triangle is read; overwritten), by Householder tridiagonalisation and the search below.
// 0.0 for n = 0.
double LargestSymmetricEigenvalue(double* a, int n);
// Largest eigenvalue of the symmetric tridiagonal matrix with diagonal d[0..n-1] and off-diagonal
// e[0..n-2] (e[i] couples d[i] and d[i + 1]): Sturm bisection until it is isolated, then Newton.
double LargestTridiagonalEigenvalue(const double* d, const double* e, int n);

// The tridiagonal matrix LargestSymmetricEigenvalue reduces a to (a is overwritten): diagonal
// d[0..n-1], off-diagonal e[0..n-2]. n is 2..64.
void SymmetricTridiagonalForm(double* a, int n, double* d, double* e);
// LargestTridiagonalEigenvalue of `count` matrices of order n (d[p], e[p]) into largest[p], each
// value bit for bit as alone; the matrices are worked on side by side, which is faster.
void LargestTridiagonalEigenvalues(const double* const* d, const double* const* e, int n, int count, double* largest);

} // namespace velmora
