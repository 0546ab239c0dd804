// The damped least-squares engine of the Fourier fit: the Levenberg-Marquardt
// method as given by Press, Teukolsky, Vetterling and Flannery, Numerical
// Recipes (2nd ed., 1992), section 15.5 (routines mrqmin, mrqcof, covsrt) and
// section 2.1 (gaussj, Gauss-Jordan elimination with full pivoting).
//
// The model is fixed: FourierModel, a five-term cosine series whose
// parameters include the time of minimum. The caller holds the data
// (MarquardtProblem), what is fitted (MarquardtOptions) and everything that
// evolves between calls (MarquardtState: Params, LISTA, Covariance,
// Curvature, ChiSq, Lambda and the solver's own working values). The engine
// works one step at a time, each call reporting what it did in a
// MarquardtSummary; the caller decides how many steps to take:
//   1. Lambda < 0: MarquardtStep starts a fit (completes LISTA, sets
//      Lambda = 0.001, evaluates chi-square at Params) and tries one step.
//   2. Lambda > 0: MarquardtStep tries one damped step. The trial is accepted
//      when ChiSq(trial) <= PrevChiSq, the chi-square of the current
//      parameters (an equal chi-square is accepted), and then
//      Lambda = Lambda * 0.1; otherwise Lambda = Lambda * 10 and ChiSq is
//      put back to the chi-square of the parameters kept.
//   3. Lambda = 0: MarquardtStep inverts the undamped curvature matrix into
//      Covariance, in parameter order; Params, ChiSq and Lambda stay. (After
//      some 320 accepted steps in a row Lambda underflows to 0, and from then
//      on every call does this.)
// The engine itself has no stopping rule; the Fourier fit's is in fourier.h.
//
// Every array is 1-based as in the formulas: cell 0 exists and is never read.
// Params, LISTA and the 8 x 8 matrices hold at most 8 parameters; the points
// may be any number. GaussJordan itself handles any order up to 100.
//
// Nothing here shows a message. The three conditions the engine reports
// ("Improper permutation in LISTA", "Singular matrix 1", "Singular matrix 2")
// are returned as a SolverNote and collected in MarquardtState::notes. A
// singular system does not stop the arithmetic: GaussJordan stops where it
// is and MarquardtStep carries on with the partly reduced system as if it
// had been solved, so a caller must check that what it finally delivers is
// finite.
#pragma once

#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace vantor {

// Number of parameters of FourierModel, and the most the solver's storage holds.
inline constexpr int kFourierParams = 8;
// Largest order GaussJordan accepts (its bookkeeping vectors end at this index).
inline constexpr int kMaxGaussJordanOrder = 100;

// A 1-based parameter or gradient vector of at most 8 entries.
using ParamVector = std::array<double, 9>;
// A 1-based list of parameter indices (LISTA): entries 1..NFit name the
// fitted parameters in the order of the matrices' rows and columns.
using ParamList = std::array<int16_t, 9>;
// A 1-based 8 x 8 matrix (row and column 0 unused).
using Matrix8 = std::array<std::array<double, 9>, 9>;

// A condition the solver reports without stopping the arithmetic.
enum class SolverNote {
  ImproperPermutation,  // LISTA names a parameter twice or misses one
  SingularMatrix1,      // GaussJordan: no usable pivot left in a pass
  SingularMatrix2,      // GaussJordan: the chosen pivot is exactly zero
};

// Returns the message a window shows for a note: "Improper permutation in
// LISTA", "Singular matrix 1" or "Singular matrix 2".
std::string_view SolverNoteText(SolverNote note);

// The model's value and its partial derivatives dy/dP(1..8).
struct FourierModelValue {
  double y = 0.0;
  ParamVector dyda{};
};

// Evaluates y(t) = C + sum_{k=1..5} Ak (cos(k a) - 1), a = W (t - Xo), and its
// derivatives, for P in solver order: P(1..5) = A1..A5, P(6) = C, P(7) = W
// (radians per day), P(8) = Xo (days). With s = t - Xo and
// S = sum_k k Ak sin(k a): dy/dAk = cos(k a) - 1, dy/dC = 1, dy/dW = -s S,
// dy/dXo = W S. At t = Xo: y = C and every derivative but dy/dC is 0.
FourierModelValue FourierModel(double t, const ParamVector& p);

// Evaluates the model at P for the points 1..nData of t, y, sigma (weights
// 1 / sigma^2) and fills, for the fitted parameters LISTA(1..nFit):
// curv(j, k) = sum w d(LISTA(j)) d(LISTA(k)) (symmetric, the lower triangle
// accumulated and copied up), grad(j) = sum w (y - ymod) d(LISTA(j)), and
// chiSq = sum w (y - ymod)^2. Only the nFit x nFit block of curv is written.
void CurvatureAndGradient(std::span<const double> t, std::span<const double> y,
                          std::span<const double> sigma, int nData, const ParamVector& p,
                          const ParamList& lista, int nFit, Matrix8& curv, ParamVector& grad,
                          double& chiSq);

// The same sums, point by point in the order of the points, from the model
// with the library's cos(k a) and sin(k a) for every harmonic. Several times
// slower than CurvatureAndGradient; the Fourier fit uses it once, for the
// curvature it inverts into the covariance of its result: the inverse of a
// nearly singular matrix magnifies a change in the last bit of a sum by up to
// 1e11, and the error of such a fit should not depend on how the sums of the
// iteration were split to run fast.
//
// With PointOrder::kReversed the points are added from nData down to 1: the
// same sums with another rounding, which the Fourier fit uses only to judge
// whether rounding decides its error, never as a result.
enum class PointOrder { kForward, kReversed };
void CurvatureAndGradientPointByPoint(std::span<const double> t, std::span<const double> y,
                                      std::span<const double> sigma, int nData,
                                      const ParamVector& p, const ParamList& lista, int nFit,
                                      Matrix8& curv, ParamVector& grad, double& chiSq,
                                      PointOrder order = PointOrder::kForward);

// Presents a 1-based vector as a matrix of one column (v[r][1] is v[r]), so
// that a right-hand side vector can be handed to GaussJordan.
template <class Vector>
class ColumnMatrix {
 public:
  explicit ColumnMatrix(Vector& v) : v_(&v) {}
  class Row {
   public:
    explicit Row(double& cell) : cell_(&cell) {}
    double& operator[](int /*column*/) const { return *cell_; }

   private:
    double* cell_;
  };
  Row operator[](int r) const { return Row((*v_)[r]); }

 private:
  Vector* v_;
};

// Replaces the n x n matrix a by its inverse and the n x m matrix b by the
// solution x of a x = b, by Gauss-Jordan elimination with full pivoting
// (Numerical Recipes, gaussj). Both are 1-based (a[r][c], rows and columns
// 1..n; cell 0 untouched); any type with that indexing will do.
//
// Pivot search of each pass: among rows not yet pivoted and columns not yet
// pivoted, the entry with |a(r, c)| >= big wins, scanning row by row and column
// by column, so among equal magnitudes the last one met is the pivot.
// Returns, and stops at once where it is (a and b partly reduced):
//   SingularMatrix2 when the chosen pivot is exactly 0 (a zero row, for one);
//   SingularMatrix1 when a pass finds no pivot at all (every candidate is NaN)
//     or meets a column pivoted twice.
// Otherwise returns no note, after putting the columns of a back in order.
template <class MatrixA, class MatrixB>
std::optional<SolverNote> GaussJordan(MatrixA& a, int n, MatrixB& b, int m) {
  assert(n >= 0 && n <= kMaxGaussJordanOrder);
  std::array<int, kMaxGaussJordanOrder + 1> pivotMark{};
  std::array<int, kMaxGaussJordanOrder + 1> rowIndex{};
  std::array<int, kMaxGaussJordanOrder + 1> colIndex{};
  for (int i = 1; i <= n; ++i) {
    double big = 0.0;
    int pivotRow = 0;
    int pivotCol = 0;
    for (int r = 1; r <= n; ++r) {
      if (pivotMark[r] == 1) continue;
      for (int c = 1; c <= n; ++c) {
        if (pivotMark[c] == 0) {
          if (std::abs(a[r][c]) >= big) {
            big = std::abs(a[r][c]);
            pivotRow = r;
            pivotCol = c;
          }
        } else if (pivotMark[c] > 1) {
          return SolverNote::SingularMatrix1;
        }
      }
    }
    // Only NaN entries fail ">= big" with big = 0: no column can be pivoted
    // in this pass, which is the condition "Singular matrix 1" stands for.
    if (pivotCol == 0) return SolverNote::SingularMatrix1;
    ++pivotMark[pivotCol];
    if (pivotRow != pivotCol) {
      for (int c = 1; c <= n; ++c) std::swap(a[pivotRow][c], a[pivotCol][c]);
      for (int c = 1; c <= m; ++c) std::swap(b[pivotRow][c], b[pivotCol][c]);
    }
    rowIndex[i] = pivotRow;
    colIndex[i] = pivotCol;
    const int pc = pivotCol;
    if (a[pc][pc] == 0.0) return SolverNote::SingularMatrix2;
    const double inv = 1.0 / a[pc][pc];
    a[pc][pc] = 1.0;
    for (int c = 1; c <= n; ++c) a[pc][c] *= inv;
    for (int c = 1; c <= m; ++c) b[pc][c] *= inv;
    for (int r = 1; r <= n; ++r) {
      if (r == pc) continue;
      const double d = a[r][pc];
      a[r][pc] = 0.0;
      for (int c = 1; c <= n; ++c) a[r][c] -= a[pc][c] * d;
      for (int c = 1; c <= m; ++c) b[r][c] -= b[pc][c] * d;
    }
  }
  for (int i = n; i >= 1; --i) {
    if (rowIndex[i] != colIndex[i]) {
      for (int r = 1; r <= n; ++r) std::swap(a[r][rowIndex[i]], a[r][colIndex[i]]);
    }
  }
  return std::nullopt;
}

// Rearranges the nFit x nFit covariance block of covar (rows and columns in
// LISTA order) into the nParams x nParams covariance matrix in parameter
// order, with zero rows and columns for the parameters not fitted
// (Numerical Recipes, covsrt). With LISTA = 1, 2, ..., nParams and every
// parameter fitted the matrix is unchanged.
void SortCovariance(Matrix8& covar, int nParams, const ParamList& lista, int nFit);

// The data of a fit, read by every step and never written: the points
// 1..nData of t (days), y (magnitudes) and sigma (their uncertainties, weights
// 1 / sigma^2). Cell 0 of each span is never read.
struct MarquardtProblem {
  std::span<const double> t;
  std::span<const double> y;
  std::span<const double> sigma;
  int nData = 0;
};

// What the caller fixes for a whole fit: the number of parameters of the
// model, NParams (1..8), and the fitted ones, LISTA(1..NFit) with 1 <= NFit <=
// NParams, in the order of the matrices' rows and columns. The start call
// copies LISTA into MarquardtState::Lista and completes it there; later calls
// read only the state's copy, so a change of LISTA takes a new start.
struct MarquardtOptions {
  int NParams = kFourierParams;
  ParamList Lista{0, 1, 2, 3, 4, 5, 6, 7, 8};
  int NFit = kFourierParams;
};

// Everything that evolves between the calls of one fit, kept by the caller.
// The caller sets Params and Lambda (< 0, the default, to start a fit; 0 for
// the final inversion); the solver writes the rest. A start call rebuilds all
// of it from Params, so nothing of an earlier fit carries over; notes keeps
// growing until the caller clears it.
struct MarquardtState {
  ParamVector Params{};           // current (last accepted) parameters, 1..NParams
  ParamList Lista{};              // LISTA as completed by the start call, 1..NParams
  Matrix8 Covariance{};           // working matrix: after a trial, the curvature at the
                                  // trial; after Lambda = 0, the covariance matrix in
                                  // parameter order, 1..NParams
  Matrix8 Curvature{};            // curvature at Params, 1..NFit in LISTA order
  double ChiSq = 0.0;             // chi-square of Params after the call
  double Lambda = -1.0;           // damping factor (< 0 starts, 0 inverts)
  ParamVector Gradient{};         // gradient at the current parameters, 1..NFit
  double PrevChiSq = 0.0;         // chi-square of the current (last accepted) parameters
  ParamVector TrialParams{};      // parameters of the step being tried, 1..NParams
  ParamVector Step{};             // increments of the fitted parameters, 1..NFit
  std::vector<SolverNote> notes;  // one entry per call in which a note occurred
};

// What one call did, for the caller's stopping rule.
struct MarquardtSummary {
  // The note of this call, if any (also appended to MarquardtState::notes).
  std::optional<SolverNote> note;
  // True when a trial was tried and kept: ChiSq(trial) <= ChiSqBefore.
  // False for a rejected trial, a call with Lambda = 0 and an improper LISTA.
  bool accepted = false;
  // Chi-square of the parameters held when the trial was tried: for a start
  // call, as evaluated at the starting Params; otherwise PrevChiSq on entry,
  // which is the ChiSq the previous call left. After an improper LISTA, the
  // unchanged ChiSq.
  double chiSqBefore = 0.0;
  // state.ChiSq after the call: the trial's chi-square when accepted,
  // PrevChiSq after a rejected trial, unchanged after a call with Lambda = 0
  // or an improper LISTA.
  double chiSqAfter = 0.0;
};

// Performs one Levenberg-Marquardt step of the protocol above on the points
// of problem, fitting the parameters options names. state.Params,
// state.Lista, state.Covariance, state.Curvature, state.ChiSq and
// state.Lambda are updated in place with the rest of the state.
//
// Lambda < 0 first copies options.Lista into state.Lista and completes it
// (entries NFit+1..NParams get the indices not fitted, in ascending order);
// when LISTA(1..NFit) names a parameter twice or the completed list does not
// hold every index 1..NParams once, the call returns ImproperPermutation at
// once: nothing but state.Lista (options.Lista with the entries past NFit
// completed so far) and state.notes has changed, and Lambda stays negative,
// so the next call tries the start again. A singular damped system is
// returned as GaussJordan's note and the step goes on with what GaussJordan
// left.
//
// A fit with the Fourier fit's stopping rule:
//   MarquardtState state;
//   state.Params = start;                        // Lambda = -1 starts the fit
//   MarquardtStep(problem, options, state);
//   for (int i = 1; i <= kFourierMaxIterations; ++i) {
//     const MarquardtSummary r = MarquardtStep(problem, options, state);
//     if (0.9 * r.chiSqBefore < r.chiSqAfter && r.chiSqAfter < r.chiSqBefore) break;
//   }
//   state.Lambda = 0.0;                          // covariance of the result
//   if (MarquardtStep(problem, options, state).note) { /* no honest error */ }
MarquardtSummary MarquardtStep(const MarquardtProblem& problem, const MarquardtOptions& options,
                               MarquardtState& state);

}  // namespace vantor
