// The Levenberg-Marquardt step, the model of the Fourier fit, its curvature
// and gradient, and the sorting of the covariance matrix into parameter order.
// GaussJordan is a template and lives in the header.
#include "methods/marquardt.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <utility>

namespace vantor {

std::string_view SolverNoteText(SolverNote note) {
  switch (note) {
    case SolverNote::ImproperPermutation:
      return "Improper permutation in LISTA";
    case SolverNote::SingularMatrix1:
      return "Singular matrix 1";
    case SolverNote::SingularMatrix2:
      return "Singular matrix 2";
  }
  return "";
}

namespace {

// Two doubles side by side in one SSE2 register (GCC and Clang vector
// extension), and the same bits read as two 64-bit integers.
using Pair = double __attribute__((vector_size(16)));
using PairBits = unsigned long long __attribute__((vector_size(16)));

// Reduction of an angle to [-pi/4, pi/4] (Cody and Waite): pi/2 in three
// parts, the first two with 33 significant bits, so that q times either is
// exact for |q| < 2^20; the same constants as fdlibm's __ieee754_rem_pio2.
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kPio2Part1 = 0x1.921fb544p+0;
constexpr double kPio2Part2 = 0x1.0b4611a6p-34;
constexpr double kPio2Part3 = 0x1.3198a2e037073p-69;
// Largest |angle| reduced that way (|q| <= 2^19 + 1); anything larger, and
// anything not finite, goes to the library's sin and cos.
constexpr double kReducedLimit = 0x1p19;
// Adding and subtracting 1.5 * 2^52 rounds to the nearest integer.
constexpr double kRoundShift = 0x1.8p52;

// Both elements x: a constant the compiler keeps as one vector.
constexpr Pair Both(double x) { return Pair{x, x}; }

// Sine and cosine of both elements of a, within about one unit in the last
// place: the reduction above, then fdlibm's polynomials on [-pi/4, pi/4]
// (__kernel_sin and __kernel_cos), then the quadrant. One branch-free pass
// for two angles, with no call that would push the caller's sums out of the
// registers; it is the only sine and cosine the fit uses, so that a point's
// model value does not depend on whether it was computed alone or in a pair.
inline void SinCos(Pair a, Pair& sinA, Pair& cosA) {
  if (!(std::abs(a[0]) <= kReducedLimit && std::abs(a[1]) <= kReducedLimit)) {
    sinA = Pair{std::sin(a[0]), std::sin(a[1])};
    cosA = Pair{std::cos(a[0]), std::cos(a[1])};
    return;
  }
  const Pair shifted = a * Both(kTwoOverPi) + Both(kRoundShift);
  const Pair q = shifted - Both(kRoundShift);
  const PairBits quadrant = std::bit_cast<PairBits>(shifted);
  const Pair r = ((a - q * Both(kPio2Part1)) - q * Both(kPio2Part2)) - q * Both(kPio2Part3);
  const Pair z = r * r;

  // fdlibm's coefficients S1..S6 and C1..C6.
  const Pair sinPoly =
      Both(8.33333333332248946124e-03) +
      z * (Both(-1.98412698298579493134e-04) +
           z * (Both(2.75573137070700676789e-06) +
                z * (Both(-2.50507602534068634195e-08) + z * Both(1.58969099521155010221e-10))));
  const Pair sinR = r + z * r * (Both(-1.66666666666666324348e-01) + z * sinPoly);
  const Pair cosPoly = z * (Both(4.16666666666666019037e-02) +
                            z * (Both(-1.38888888888741095749e-03) +
                                 z * (Both(2.48015872894767294178e-05) +
                                      z * (Both(-2.75573143513906633035e-07) +
                                           z * (Both(2.08757232129817482790e-09) +
                                                z * Both(-1.13596475577881948265e-11))))));
  const Pair half = Both(0.5) * z;
  const Pair one = Both(1.0) - half;
  const Pair cosR = one + (((Both(1.0) - one) - half) + z * cosPoly);

  // Odd quadrants swap sine and cosine; quadrants 2 and 3 negate the sine,
  // 1 and 2 the cosine.
  const PairBits swap = -(quadrant & 1);
  const PairBits sinBits = std::bit_cast<PairBits>(sinR);
  const PairBits cosBits = std::bit_cast<PairBits>(cosR);
  const PairBits sinOut = ((sinBits & ~swap) | (cosBits & swap)) ^ ((quadrant & 2) << 62);
  const PairBits cosOut = ((cosBits & ~swap) | (sinBits & swap)) ^ (((quadrant + 1) & 2) << 62);
  sinA = std::bit_cast<Pair>(sinOut);
  cosA = std::bit_cast<Pair>(cosOut);
}

// The model and its derivatives, written into v; inlined into the loop over
// the points, where it does nearly all the work of a fit. The harmonics come
// from one sine and cosine of a by angle addition,
//   cos((k+1) a) = cos(k a) cos(a) - sin(k a) sin(a),
//   sin((k+1) a) = sin(k a) cos(a) + cos(k a) sin(a),
// which differs from cos(k a) of the library by a few units in the last place
// (far below anything a fit resolves) and costs a fifth of five calls.
//
// T is double for one point, or a Pair (below) for two points side by side;
// both do the same operations in the same order, so a point's values do not
// depend on which form computed them. d[1..8] receives the derivatives.
template <class T, size_t... K>
inline T EvaluateFourierModel(T s, T cosA, T sinA, const ParamVector& p, T* d,
                              std::index_sequence<K...>) {
  T ck = cosA;
  T sk = sinA;
  T y = T{} + p[6];
  T sum = T{};  // S = sum k Ak sin(k a)
  // One harmonic k: its terms, then the angle (k + 1) a; written out for
  // k = 1..5 at compile time.
  const auto harmonic = [&](int k) {
    d[k] = ck - 1.0;
    y += p[k] * d[k];
    sum += k * p[k] * sk;
    const T next = ck * cosA - sk * sinA;
    sk = sk * cosA + ck * sinA;
    ck = next;
  };
  (harmonic(static_cast<int>(K) + 1), ...);
  d[6] = T{} + 1.0;
  d[7] = -s * sum;
  d[8] = p[7] * sum;
  return y;
}

template <class T>
inline T EvaluateFourierModel(T s, T cosA, T sinA, const ParamVector& p, T* d) {
  return EvaluateFourierModel(s, cosA, sinA, p, d, std::make_index_sequence<5>{});
}

inline void EvaluateFourierModel(double t, const ParamVector& p, FourierModelValue& v) {
  const double s = t - p[8];
  Pair sinA, cosA;
  SinCos(Pair{p[7] * s, p[7] * s}, sinA, cosA);
  v.y = EvaluateFourierModel(s, cosA[0], sinA[0], p, v.dyda.data());
}

}  // namespace

FourierModelValue FourierModel(double t, const ParamVector& p) {
  FourierModelValue v;
  EvaluateFourierModel(t, p, v);
  return v;
}

namespace {

// The sums of CurvatureAndGradient over the points, into c, g and chi, for any
// parameter list: the lower triangle of the fitted parameters, point by point.
void AccumulateSums(std::span<const double> t, std::span<const double> y,
                    std::span<const double> sigma, int nData, const ParamVector& params,
                    const std::array<int, 9>& index, int nFit, Matrix8& c, ParamVector& g,
                    double& chi) {
  FourierModelValue m;
  for (int i = 1; i <= nData; ++i) {
    EvaluateFourierModel(t[i], params, m);
    const double w = 1.0 / (sigma[i] * sigma[i]);
    const double dy = y[i] - m.y;
    for (int j = 1; j <= nFit; ++j) {
      const double wt = m.dyda[index[j]] * w;
      for (int k = 1; k <= j; ++k) c[j][k] += wt * m.dyda[index[k]];
      g[j] += dy * wt;
    }
    chi += dy * dy * w;
  }
}

// One pair of points as the sums need it: the derivatives d(1..8), the
// weighted derivatives wt(j) = d(j) w, the residual dy and the weight w.
struct EvaluatedPair {
  Pair d[kFourierParams + 1];
  Pair wt[kFourierParams + 1];
  Pair dy, w;
};

using PairMatrix = Pair[kFourierParams + 1][kFourierParams + 1];

// Row J of the lower triangle over a block of pairs, cc(J, K) += wt(J) d(K)
// for K = 1..J, pair after pair: the J sums stay in registers for the whole
// block and go back to memory once.
template <size_t J, size_t... K>
inline void AddTriangleRow(PairMatrix& cc, const EvaluatedPair* block, int pairs,
                           std::index_sequence<K...>) {
  Pair acc[] = {cc[J][K + 1]...};
  for (int b = 0; b < pairs; ++b) {
    const Pair wt = block[b].wt[J];
    ((acc[K] += wt * block[b].d[K + 1]), ...);
  }
  ((cc[J][K + 1] = acc[K]), ...);
}

// Every row J = 1..8, written out at compile time.
template <size_t... J>
inline void AddTriangle(PairMatrix& cc, const EvaluatedPair* block, int pairs,
                        std::index_sequence<J...>) {
  (AddTriangleRow<J + 1>(cc, block, pairs, std::make_index_sequence<J + 1>{}), ...);
}

// The gradient g(K) += dy wt(K), K = 1..8, and chi += dy dy w, the same way.
template <size_t... K>
inline void AddGradient(Pair* gg, Pair& chi, const EvaluatedPair* block, int pairs,
                        std::index_sequence<K...>) {
  Pair acc[] = {gg[K + 1]...};
  Pair chiAcc = chi;
  for (int b = 0; b < pairs; ++b) {
    const Pair dy = block[b].dy;
    ((acc[K] += dy * block[b].wt[K + 1]), ...);
    chiAcc += dy * dy * block[b].w;
  }
  ((gg[K + 1] = acc[K]), ...);
  chi = chiAcc;
}

// The same sums for the Fourier fit's case, all eight parameters in order,
// two points at a time: element 0 of each vector sums the odd-numbered points,
// element 1 the even ones, and the two halves are added at the end. The
// points go in blocks: first the models of the whole block (long chains of
// dependent multiplications, independent from pair to pair, which the
// processor overlaps), then the 36 + 8 + 1 sums over the block, row by row.
// Each sum still adds its points in order; only the split into halves
// differs from the point-by-point form, by rounding.
void AccumulateSumsAllInOrder(std::span<const double> t, std::span<const double> y,
                              std::span<const double> sigma, int nData, const ParamVector& params,
                              Matrix8& c, ParamVector& g, double& chi) {
  constexpr int n = kFourierParams;
  constexpr int kBlock = 16;
  EvaluatedPair block[kBlock];
  PairMatrix cc = {};
  Pair gg[n + 1] = {};
  Pair chiPair = {0.0, 0.0};
  const double xo = params[8];
  const double omega = params[7];
  for (int first = 1; first <= nData; first += 2 * kBlock) {
    const int pairs = std::min(kBlock, (nData - first + 2) / 2);
    for (int b = 0; b < pairs; ++b) {
      // The last point of an odd count is paired with a copy of itself of
      // weight 0, which adds nothing.
      const int i = first + 2 * b;
      const bool second = i + 1 <= nData;
      const int i2 = second ? i + 1 : i;
      const Pair s = {t[i] - xo, t[i2] - xo};
      Pair sinA, cosA;
      SinCos(omega * s, sinA, cosA);
      EvaluatedPair& e = block[b];
      const Pair model = EvaluateFourierModel(s, cosA, sinA, params, e.d);
      const Pair sig = {sigma[i], sigma[i2]};
      e.w = 1.0 / (sig * sig);
      if (!second) e.w[1] = 0.0;
      e.dy = Pair{y[i], y[i2]} - model;
      for (int j = 1; j <= n; ++j) e.wt[j] = e.d[j] * e.w;
    }
    AddTriangle(cc, block, pairs, std::make_index_sequence<n>{});
    AddGradient(gg, chiPair, block, pairs, std::make_index_sequence<n>{});
  }
  for (int j = 1; j <= n; ++j) {
    for (int k = 1; k <= j; ++k) c[j][k] = cc[j][k][0] + cc[j][k][1];
    g[j] = gg[j][0] + gg[j][1];
  }
  chi = chiPair[0] + chiPair[1];
}

// Hands out the sums of one evaluation: the lower triangle of the curvature
// mirrored into the upper, the gradient and the chi-square.
void StoreSums(const Matrix8& c, const ParamVector& g, double chi, int nFit, Matrix8& curv,
               ParamVector& grad, double& chiSq) {
  for (int j = 1; j <= nFit; ++j) {
    for (int k = 1; k <= j; ++k) curv[j][k] = c[j][k];
    grad[j] = g[j];
  }
  for (int j = 2; j <= nFit; ++j) {
    for (int k = 1; k < j; ++k) curv[k][j] = curv[j][k];
  }
  chiSq = chi;
}

// Whether the arrays hold points 1..nData and nFit counts parameters.
[[maybe_unused]] bool ArgumentsFit(std::span<const double> t, std::span<const double> y,
                                   std::span<const double> sigma, int nData, int nFit) {
  return nData < static_cast<int>(t.size()) && nData < static_cast<int>(y.size()) &&
         nData < static_cast<int>(sigma.size()) && nFit >= 0 && nFit <= kFourierParams;
}

}  // namespace

void CurvatureAndGradient(std::span<const double> t, std::span<const double> y,
                          std::span<const double> sigma, int nData, const ParamVector& p,
                          const ParamList& lista, int nFit, Matrix8& curv, ParamVector& grad,
                          double& chiSq) {
  assert(ArgumentsFit(t, y, sigma, nData, nFit));
  // The sums run in local copies, so that they stay in registers rather than
  // being reloaded through the references.
  Matrix8 c{};
  ParamVector g{};
  double chi = 0.0;
  const ParamVector params = p;
  std::array<int, 9> index{};
  bool allInOrder = nFit == kFourierParams;
  for (int j = 1; j <= nFit; ++j) {
    index[j] = lista[j];
    if (lista[j] != j) allInOrder = false;
  }
  if (allInOrder) {
    AccumulateSumsAllInOrder(t, y, sigma, nData, params, c, g, chi);
  } else {
    AccumulateSums(t, y, sigma, nData, params, index, nFit, c, g, chi);
  }
  StoreSums(c, g, chi, nFit, curv, grad, chiSq);
}

void CurvatureAndGradientPointByPoint(std::span<const double> t, std::span<const double> y,
                                      std::span<const double> sigma, int nData,
                                      const ParamVector& p, const ParamList& lista, int nFit,
                                      Matrix8& curv, ParamVector& grad, double& chiSq,
                                      PointOrder order) {
  assert(ArgumentsFit(t, y, sigma, nData, nFit));
  Matrix8 c{};
  ParamVector g{};
  double chi = 0.0;
  const ParamVector params = p;
  const double xo = params[8];
  const double w = params[7];
  ParamVector d{};
  const bool reversed = order == PointOrder::kReversed;
  for (int step = 1; step <= nData; ++step) {
    const int i = reversed ? nData + 1 - step : step;
    const double s = t[i] - xo;
    const double a = w * s;
    double ymod = params[6];
    double sum = 0.0;  // S = sum k Ak sin(k a)
    for (int k = 1; k <= 5; ++k) {
      const double ka = k * a;
      d[k] = std::cos(ka) - 1.0;
      ymod += params[k] * d[k];
      sum += k * params[k] * std::sin(ka);
    }
    d[6] = 1.0;
    d[7] = -s * sum;
    d[8] = w * sum;
    const double weight = 1.0 / (sigma[i] * sigma[i]);
    const double dy = y[i] - ymod;
    for (int j = 1; j <= nFit; ++j) {
      const double wt = d[lista[j]] * weight;
      for (int k = 1; k <= j; ++k) c[j][k] += wt * d[lista[k]];
      g[j] += dy * wt;
    }
    chi += dy * dy * weight;
  }
  StoreSums(c, g, chi, nFit, curv, grad, chiSq);
}

void SortCovariance(Matrix8& covar, int nParams, const ParamList& lista, int nFit) {
  assert(nFit >= 1 && nFit <= nParams && nParams <= kFourierParams);
  for (int j = 1; j < nParams; ++j) {
    for (int i = j + 1; i <= nParams; ++i) covar[i][j] = 0.0;
  }
  for (int i = 1; i < nFit; ++i) {
    for (int j = i + 1; j <= nFit; ++j) {
      if (lista[j] > lista[i]) {
        covar[lista[j]][lista[i]] = covar[i][j];
      } else {
        covar[lista[i]][lista[j]] = covar[i][j];
      }
    }
  }
  // The first row keeps the diagonal while the diagonal is rebuilt.
  const double swap = covar[1][1];
  for (int j = 1; j <= nParams; ++j) {
    covar[1][j] = covar[j][j];
    covar[j][j] = 0.0;
  }
  covar[lista[1]][lista[1]] = swap;
  for (int j = 2; j <= nFit; ++j) covar[lista[j]][lista[j]] = covar[1][j];
  for (int j = 2; j <= nParams; ++j) {
    for (int i = 1; i < j; ++i) covar[i][j] = covar[j][i];
  }
}

namespace {

// Completes LISTA(nFit+1..nParams) with the parameter indices that
// LISTA(1..nFit) does not name. Returns false when LISTA names an index twice
// or the completed list cannot hold every index exactly once; positions past
// nParams are never written.
bool CompleteParamList(ParamList& lista, int nParams, int nFit) {
  int next = nFit + 1;
  for (int j = 1; j <= nParams; ++j) {
    int hits = 0;
    for (int k = 1; k <= nFit; ++k) {
      if (lista[k] == j) ++hits;
    }
    if (hits == 0) {
      // More missing indices than free places: the list names something
      // outside 1..nParams, so it cannot end complete.
      if (next > nParams) return false;
      lista[next] = static_cast<int16_t>(j);
      ++next;
    } else if (hits > 1) {
      return false;
    }
  }
  return next == nParams + 1;
}

// Records a note of this call in the state's list and returns it.
std::optional<SolverNote> Noted(MarquardtState& state, std::optional<SolverNote> note) {
  if (note) state.notes.push_back(*note);
  return note;
}

}  // namespace

MarquardtSummary MarquardtStep(const MarquardtProblem& problem, const MarquardtOptions& options,
                               MarquardtState& state) {
  const int nParams = options.NParams;
  const int nFit = options.NFit;
  assert(nParams >= 1 && nParams <= kFourierParams);
  assert(nFit >= 1 && nFit <= nParams);
  const std::span<const double> t = problem.t;
  const std::span<const double> y = problem.y;
  const std::span<const double> sigma = problem.sigma;
  const int nData = problem.nData;
  ParamVector& params = state.Params;
  ParamList& lista = state.Lista;
  Matrix8& covariance = state.Covariance;
  Matrix8& curvature = state.Curvature;
  double& chiSq = state.ChiSq;
  double& lambda = state.Lambda;
  MarquardtSummary summary;

  if (lambda < 0.0) {
    lista = options.Lista;
    if (!CompleteParamList(lista, nParams, nFit)) {
      summary.chiSqBefore = chiSq;
      summary.chiSqAfter = chiSq;
      summary.note = Noted(state, SolverNote::ImproperPermutation);
      return summary;
    }
    lambda = 0.001;
    CurvatureAndGradient(t, y, sigma, nData, params, lista, nFit, curvature, state.Gradient, chiSq);
    state.PrevChiSq = chiSq;
    for (int j = 1; j <= nParams; ++j) state.TrialParams[j] = params[j];
  }
  // Only a start call fills the list; any later call needs one behind it.
  assert(lista[1] >= 1);
  summary.chiSqBefore = state.PrevChiSq;

  for (int j = 1; j <= nFit; ++j) {
    for (int k = 1; k <= nFit; ++k) covariance[j][k] = curvature[j][k];
    covariance[j][j] = curvature[j][j] * (1.0 + lambda);
    state.Step[j] = state.Gradient[j];
  }
  ColumnMatrix<ParamVector> stepColumn(state.Step);
  const std::optional<SolverNote> note = GaussJordan(covariance, nFit, stepColumn, 1);

  if (lambda == 0.0) {
    SortCovariance(covariance, nParams, lista, nFit);
    summary.chiSqAfter = chiSq;
    summary.note = Noted(state, note);
    return summary;
  }

  for (int j = 1; j <= nFit; ++j) state.TrialParams[lista[j]] = params[lista[j]] + state.Step[j];
  CurvatureAndGradient(t, y, sigma, nData, state.TrialParams, lista, nFit, covariance, state.Step,
                       chiSq);

  if (chiSq <= state.PrevChiSq) {
    summary.accepted = true;
    lambda *= 0.1;
    state.PrevChiSq = chiSq;
    for (int j = 1; j <= nFit; ++j) {
      for (int k = 1; k <= nFit; ++k) curvature[j][k] = covariance[j][k];
      state.Gradient[j] = state.Step[j];
      params[lista[j]] = state.TrialParams[lista[j]];
    }
  } else {
    lambda *= 10.0;
    chiSq = state.PrevChiSq;
  }
  summary.chiSqAfter = chiSq;
  summary.note = Noted(state, note);
  return summary;
}

}  // namespace vantor
