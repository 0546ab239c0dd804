// Tests of the Levenberg-Marquardt engine: the model and its derivatives, the
// curvature and gradient sums, Gauss-Jordan elimination with full pivoting,
// the sorting of the covariance matrix and the damping protocol of a step.
#include "methods/marquardt.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace vantor {
namespace {

// A1..A5, C, W, Xo of the synthetic eclipse used below (no noise unless a
// test adds it with a recorded seed).
constexpr ParamVector kTruth{0, 0.3, 0.1, 0.05, 0.02, 0.01, 0.7, 40.0, 0.5};
constexpr ParamList kAllInOrder{0, 1, 2, 3, 4, 5, 6, 7, 8};

// Points 1..n evenly spaced over [first, last], magnitudes from the model at
// p plus, when noise is not 0, a deterministic pseudo-random term of that
// amplitude (a linear congruential sequence from seed).
struct Points {
  using PointArray = std::array<double, 1001>;  // points 1..1000; cell 0 unused
  PointArray t{}, y{}, sigma{};
  int n = 0;
};

Points ModelPoints(const ParamVector& p, int n, double first, double last, double noise = 0.0,
                   unsigned seed = 1) {
  Points d;
  d.n = n;
  unsigned state = seed;
  for (int i = 1; i <= n; ++i) {
    d.t[i] = first + (last - first) * (i - 1) / (n - 1);
    state = state * 1664525u + 1013904223u;
    const double u = static_cast<double>(state) / 4294967296.0 - 0.5;  // in [-0.5, 0.5)
    d.y[i] = FourierModel(d.t[i], p).y + noise * u;
    d.sigma[i] = 0.01;
  }
  return d;
}

// Fails unless |actual - expected| <= tol * max(1, |expected|).
void ExpectClose(double actual, double expected, double tol) {
  EXPECT_LE(std::abs(actual - expected), tol * std::max(1.0, std::abs(expected)))
      << "actual " << actual << ", expected " << expected;
}

// ----------------------------------------------------------------------------

TEST(FourierModel, AtTheTimeOfMinimumGivesCAndNoSlope) {
  const ParamVector p{0, 0.4, -0.1, 0.03, 0.2, 0.05, 1.25, 37.0, 0.61};
  const FourierModelValue v = FourierModel(0.61, p);
  EXPECT_EQ(v.y, 1.25);
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(v.dyda[k], 0.0) << "A" << k;
  EXPECT_EQ(v.dyda[6], 1.0);
  EXPECT_EQ(v.dyda[7], 0.0);
  EXPECT_EQ(v.dyda[8], 0.0);
}

TEST(FourierModel, QuarterPeriodByHand) {
  // W = pi/2 per day, one day after Xo: k a = k pi / 2, so cos(k a) - 1 is
  // -1, -2, -1, 0, -1 and sin(k a) is 1, 0, -1, 0, 1.
  const ParamVector p{0, 1, 1, 1, 1, 1, 2.0, std::numbers::pi / 2, 3.0};
  const FourierModelValue v = FourierModel(4.0, p);
  ExpectClose(v.y, 2.0 - 1 - 2 - 1 + 0 - 1, 1e-12);
  const double expectedDyda[6] = {0, -1, -2, -1, 0, -1};
  for (int k = 1; k <= 5; ++k) ExpectClose(v.dyda[k], expectedDyda[k], 1e-12);
  // S = 1*1 + 2*0 + 3*(-1) + 4*0 + 5*1 = 3; dy/dW = -s S, dy/dXo = W S.
  ExpectClose(v.dyda[7], -1.0 * 3.0, 1e-12);
  ExpectClose(v.dyda[8], std::numbers::pi / 2 * 3.0, 1e-12);
}

TEST(FourierModel, DerivativesMatchCentralDifferences) {
  const ParamVector p{0, 0.3, -0.08, 0.05, 0.02, -0.01, 0.7, 42.0, 0.5};
  for (double t : {0.43, 0.47, 0.5003, 0.52, 0.571}) {
    const FourierModelValue v = FourierModel(t, p);
    for (int j = 1; j <= 8; ++j) {
      const double h = 1e-6 * std::max(1.0, std::abs(p[j]));
      ParamVector up = p, down = p;
      up[j] += h;
      down[j] -= h;
      const double numeric = (FourierModel(t, up).y - FourierModel(t, down).y) / (2 * h);
      EXPECT_NEAR(v.dyda[j], numeric, 1e-6 * std::max(1.0, std::abs(numeric)))
          << "t " << t << ", parameter " << j;
    }
  }
}

TEST(FourierModel, AgreesWithTheLibrarysHarmonicsEverywhere) {
  // The fit's own sine and cosine and the harmonics by angle addition against
  // cos(k a) and sin(k a) of the library, over angles in every quadrant, at
  // the quadrant boundaries, beyond the reduced range (2^19 radians) and
  // far beyond. The library's k a itself is rounded (by up to |a| 2^-53 for
  // k = 3 and 5), so the tolerance grows with |a|; otherwise it is a few units
  // in the last place.
  const ParamVector base{0, 0.3, -0.08, 0.05, 0.02, -0.01, 0.7, 1.0, 0.0};
  std::vector<double> angles{0.0,
                             1e-300,
                             -1e-9,
                             0.5,
                             -0.785398,
                             0.785399,
                             1.5707963267948966,
                             -3.141592653589793,
                             4.71238898038469,
                             100.25,
                             -2345.678,
                             524287.9,
                             524288.5,
                             -1e7,
                             3.0e12};
  for (int i = 0; i < 200; ++i) angles.push_back(-60.0 + 0.6037 * i);
  for (const double a : angles) {
    const double tol = 4e-15 + 1e-15 * std::abs(a);
    const FourierModelValue v = FourierModel(a, base);  // W = 1, Xo = 0: angle a
    double y = base[6], sum = 0;
    for (int k = 1; k <= 5; ++k) {
      const double ck = std::cos(k * a) - 1.0;
      EXPECT_NEAR(v.dyda[k], ck, tol) << "a " << a << ", k " << k;
      y += base[k] * ck;
      sum += k * base[k] * std::sin(k * a);
    }
    EXPECT_NEAR(v.y, y, tol) << "a " << a;
    EXPECT_NEAR(v.dyda[8], sum, tol) << "a " << a;
  }
}

// ----------------------------------------------------------------------------

TEST(CurvatureAndGradient, HandComputedSumsFollowTheParameterList) {
  // Amplitudes 0, so the model is C = 1 everywhere. W = pi and Xo = 0 give
  // dy/dA1 = cos(pi t) - 1 = 0, -1, -2 at t = 0, 0.5, 1.
  Points d;
  d.n = 3;
  const double t[4] = {0, 0.0, 0.5, 1.0}, y[4] = {0, 1.0, 2.0, 4.0}, sig[4] = {0, 0.5, 1.0, 2.0};
  for (int i = 1; i <= 3; ++i) {
    d.t[i] = t[i];
    d.y[i] = y[i];
    d.sigma[i] = sig[i];
  }
  const ParamVector p{0, 0, 0, 0, 0, 0, 1.0, std::numbers::pi, 0.0};
  const ParamList lista{0, 6, 1, 0, 0, 0, 0, 0, 0};  // C first, then A1
  Matrix8 curv{};
  ParamVector grad{};
  double chiSq = -1;
  CurvatureAndGradient(d.t, d.y, d.sigma, d.n, p, lista, 2, curv, grad, chiSq);
  // Weights 4, 1, 0.25; residuals 0, 1, 3.
  EXPECT_DOUBLE_EQ(chiSq, 0 + 1 + 0.25 * 9);
  EXPECT_DOUBLE_EQ(curv[1][1], 4 + 1 + 0.25);
  ExpectClose(curv[2][1], 4 * 0 + 1 * -1 + 0.25 * -2, 1e-12);
  EXPECT_EQ(curv[1][2], curv[2][1]);
  ExpectClose(curv[2][2], 0 + 1 * 1 + 0.25 * 4, 1e-12);
  EXPECT_DOUBLE_EQ(grad[1], 0 + 1 + 0.25 * 3);
  ExpectClose(grad[2], 0 + 1 * 1 * -1 + 0.25 * 3 * -2, 1e-12);
}

// The point-by-point sums (the library's harmonics, one point after another)
// and the fast ones agree to rounding for every parameter list: all eight in
// order, the fast path; a partial list in another order, the general one.
TEST(CurvatureAndGradient, PointByPointSumsAgreeWithTheFastSums) {
  const ParamVector p{0, 0.3, 0.1, 0.05, 0.02, 0.01, 0.7, 40.0, 0.5};  // A1..A5, C, W, Xo
  const Points d = ModelPoints(p, 999, 0.42, 0.58, 0.02, 7);
  struct Case {
    ParamList lista;
    int nFit;
  };
  const Case cases[] = {{{0, 1, 2, 3, 4, 5, 6, 7, 8}, 8}, {{0, 8, 6, 2, 7, 0, 0, 0, 0}, 4}};
  for (const Case& c : cases) {
    Matrix8 fast{}, slow{};
    ParamVector fastGrad{}, slowGrad{};
    double fastChi = 0, slowChi = 0;
    CurvatureAndGradient(d.t, d.y, d.sigma, d.n, p, c.lista, c.nFit, fast, fastGrad, fastChi);
    CurvatureAndGradientPointByPoint(d.t, d.y, d.sigma, d.n, p, c.lista, c.nFit, slow, slowGrad,
                                     slowChi);
    ExpectClose(slowChi, fastChi, 1e-12);
    for (int j = 1; j <= c.nFit; ++j) {
      // Each entry against the scale of its row and column, where cancellation leaves it small.
      for (int k = 1; k <= c.nFit; ++k) {
        const double scale = std::sqrt(fast[j][j] * fast[k][k]);
        EXPECT_LE(std::abs(slow[j][k] - fast[j][k]), 1e-12 * scale) << j << "," << k;
        EXPECT_EQ(slow[j][k], slow[k][j]);
      }
      EXPECT_LE(std::abs(slowGrad[j] - fastGrad[j]), 1e-11 * std::sqrt(fast[j][j] * fastChi)) << j;
    }
  }
}

// The reversed order adds exactly what the forward order adds on the points
// turned end to end, bit for bit, and differs from the forward sums only by
// rounding.
TEST(CurvatureAndGradient, ReversedOrderSumsThePointsFromTheLast) {
  const ParamVector p{0, 0.3, 0.1, 0.05, 0.02, 0.01, 0.7, 40.0, 0.5};
  const Points d = ModelPoints(p, 999, 0.42, 0.58, 0.02, 7);
  Points flipped = d;
  for (int i = 1; i <= d.n; ++i) {
    flipped.t[i] = d.t[d.n + 1 - i];
    flipped.y[i] = d.y[d.n + 1 - i];
    flipped.sigma[i] = d.sigma[d.n + 1 - i];
  }
  const ParamList lista{0, 1, 2, 3, 4, 5, 6, 7, 8};
  Matrix8 forward{}, reversed{}, onFlipped{};
  ParamVector gf{}, gr{}, gfl{};
  double cf = 0, cr = 0, cfl = 0;
  CurvatureAndGradientPointByPoint(d.t, d.y, d.sigma, d.n, p, lista, 8, forward, gf, cf);
  CurvatureAndGradientPointByPoint(d.t, d.y, d.sigma, d.n, p, lista, 8, reversed, gr, cr,
                                   PointOrder::kReversed);
  CurvatureAndGradientPointByPoint(flipped.t, flipped.y, flipped.sigma, d.n, p, lista, 8, onFlipped,
                                   gfl, cfl);
  EXPECT_EQ(cr, cfl);
  int differing = 0;
  for (int j = 1; j <= 8; ++j) {
    EXPECT_EQ(gr[j], gfl[j]) << j;
    for (int k = 1; k <= 8; ++k) {
      EXPECT_EQ(reversed[j][k], onFlipped[j][k]) << j << "," << k;
      EXPECT_LE(std::abs(reversed[j][k] - forward[j][k]),
                1e-12 * std::sqrt(forward[j][j] * forward[k][k]))
          << j << "," << k;
      if (reversed[j][k] != forward[j][k]) ++differing;
    }
  }
  EXPECT_GT(differing, 0) << "999 points in another order round somewhere";
}

// ----------------------------------------------------------------------------

// A square 1-based matrix of any order, for GaussJordan beyond 8 x 8.
using Dynamic = std::vector<std::vector<double>>;

Dynamic Product(const Dynamic& a, const Dynamic& b, int n) {
  Dynamic c(n + 1, std::vector<double>(n + 1, 0.0));
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) {
      for (int k = 1; k <= n; ++k) c[i][j] += a[i][k] * b[k][j];
    }
  }
  return c;
}

TEST(GaussJordan, InvertsAndSolvesAnOrderTwelveSystem) {
  const int n = 12;
  Dynamic a(n + 1, std::vector<double>(n + 1, 0.0));
  Dynamic b(n + 1, std::vector<double>(3, 0.0));
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) a[i][j] = 1.0 / (i + 2 * j) + (i == j ? 0.5 : 0.0) - 0.01 * j;
    b[i][1] = i;
    b[i][2] = std::sin(i);
  }
  const Dynamic original = a;
  const Dynamic rhs = b;
  EXPECT_FALSE(GaussJordan(a, n, b, 2).has_value());
  const Dynamic identity = Product(original, a, n);
  for (int i = 1; i <= n; ++i) {
    for (int j = 1; j <= n; ++j) EXPECT_NEAR(identity[i][j], i == j ? 1.0 : 0.0, 1e-12);
  }
  for (int col = 1; col <= 2; ++col) {
    for (int i = 1; i <= n; ++i) {
      double sum = 0;
      for (int k = 1; k <= n; ++k) sum += original[i][k] * b[k][col];
      EXPECT_NEAR(sum, rhs[i][col], 1e-12);
    }
  }
}

TEST(GaussJordan, PermutationMatrixNeedsUnscrambling) {
  // Every pivot lies off the diagonal; the inverse is the transpose.
  Matrix8 a{};
  a[1][3] = 1;
  a[2][1] = 1;
  a[3][2] = 1;
  ParamVector b{0, 10, 20, 30};
  ColumnMatrix<ParamVector> column(b);
  EXPECT_FALSE(GaussJordan(a, 3, column, 1).has_value());
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) {
      const bool one = (j == 1 && i == 3) || (j == 2 && i == 1) || (j == 3 && i == 2);
      EXPECT_EQ(a[i][j], one ? 1.0 : 0.0) << i << "," << j;
    }
  }
  // x3 = 10, x1 = 20, x2 = 30.
  EXPECT_EQ(b[1], 20);
  EXPECT_EQ(b[2], 30);
  EXPECT_EQ(b[3], 10);
}

TEST(GaussJordan, LaterOfTwoEqualLargestMagnitudesIsThePivot) {
  // |a(1,1)| = |a(1,2)| = 2: the scan meets (1,2) last and pivots there. The
  // system is singular, so elimination stops at the second pass and shows
  // the state that pivot left: had (1,1) been chosen, a would read
  // [[0.5, 1], [-0.5, 0]] and b (0.5, 2.5).
  Matrix8 a{};
  a[1][1] = 2;
  a[1][2] = 2;
  a[2][1] = 1;
  a[2][2] = 1;
  ParamVector b{0, 1, 3};
  ColumnMatrix<ParamVector> column(b);
  const auto note = GaussJordan(a, 2, column, 1);
  ASSERT_TRUE(note.has_value());
  EXPECT_EQ(*note, SolverNote::SingularMatrix2);
  EXPECT_EQ(a[1][1], 0.0);
  EXPECT_EQ(a[1][2], -0.5);
  EXPECT_EQ(a[2][1], 1.0);
  EXPECT_EQ(a[2][2], 0.5);
  EXPECT_EQ(b[1], 2.5);
  EXPECT_EQ(b[2], 0.5);
}

TEST(GaussJordan, SingularSystemsAreNoted) {
  Matrix8 zeroRow{};
  zeroRow[1][1] = 1, zeroRow[1][2] = 2, zeroRow[1][3] = 3;
  zeroRow[3][1] = 4, zeroRow[3][2] = 5, zeroRow[3][3] = 6;
  ParamVector b{};
  ColumnMatrix<ParamVector> column(b);
  EXPECT_EQ(GaussJordan(zeroRow, 3, column, 1), SolverNote::SingularMatrix2);

  // Only NaN entries left to pivot on: no column can be pivoted.
  Matrix8 nan{};
  nan[1][1] = 2;
  nan[2][2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(GaussJordan(nan, 2, column, 1), SolverNote::SingularMatrix1);

  EXPECT_EQ(SolverNoteText(SolverNote::ImproperPermutation), "Improper permutation in LISTA");
  EXPECT_EQ(SolverNoteText(SolverNote::SingularMatrix1), "Singular matrix 1");
  EXPECT_EQ(SolverNoteText(SolverNote::SingularMatrix2), "Singular matrix 2");
}

// ----------------------------------------------------------------------------

Matrix8 SymmetricSample() {
  Matrix8 m{};
  for (int i = 1; i <= 8; ++i) {
    for (int j = 1; j <= i; ++j) m[i][j] = m[j][i] = 10 * i + j + (i == j ? 100 : 0);
  }
  return m;
}

TEST(SortCovariance, FullListInOrderLeavesTheMatrix) {
  const Matrix8 original = SymmetricSample();
  Matrix8 m = original;
  SortCovariance(m, 8, kAllInOrder, 8);
  EXPECT_EQ(m, original);
}

TEST(SortCovariance, PartialListPlacesTheBlockInParameterOrder) {
  // The 3 x 3 block of the fitted parameters 7, 2, 5 (in that order).
  Matrix8 m{};
  const double block[4][4] = {{0, 0, 0, 0}, {0, 1, 2, 3}, {0, 2, 4, 5}, {0, 3, 5, 6}};
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) m[i][j] = block[i][j];
  }
  const ParamList lista{0, 7, 2, 5, 1, 3, 4, 6, 8};
  SortCovariance(m, 8, lista, 3);
  Matrix8 expected{};
  for (int i = 1; i <= 3; ++i) {
    for (int j = 1; j <= 3; ++j) expected[lista[i]][lista[j]] = block[i][j];
  }
  EXPECT_EQ(m, expected);
}

// ----------------------------------------------------------------------------

// One solver's problem, options and state, as a caller keeps them between
// calls, and the summary of the last call.
struct Fit {
  Points d;
  MarquardtOptions options;  // all 8 parameters, LISTA in order
  MarquardtState state;      // Lambda = -1: the first call starts the fit
  MarquardtSummary last;

  std::optional<SolverNote> Step() {
    last = MarquardtStep(MarquardtProblem{d.t, d.y, d.sigma, d.n}, options, state);
    return last.note;
  }
  // Chi-square and curvature at p, evaluated afresh.
  double ChiSqAt(const ParamVector& p, Matrix8* curv = nullptr) const {
    Matrix8 c{};
    ParamVector g{};
    double chi = 0;
    CurvatureAndGradient(d.t, d.y, d.sigma, d.n, p, options.Lista, options.NFit, c, g, chi);
    if (curv != nullptr) *curv = c;
    return chi;
  }
};

TEST(MarquardtStep, StartOnTheExactSolutionAcceptsAZeroStep) {
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58);
  f.state.Params = kTruth;
  EXPECT_FALSE(f.Step().has_value());
  EXPECT_EQ(f.state.Params, kTruth);
  EXPECT_EQ(f.state.ChiSq, 0.0);
  EXPECT_EQ(f.state.Lambda, 0.001 * 0.1);
  EXPECT_TRUE(f.state.notes.empty());
}

TEST(MarquardtStep, AcceptedStepDividesLambdaByTenAndKeepsTheTrial) {
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58, 0.02, 7);
  f.state.Params = kTruth;
  f.state.Params[8] += 0.002;
  f.state.Params[7] *= 1.05;
  const double startChiSq = f.ChiSqAt(f.state.Params);
  f.Step();
  ASSERT_LT(f.state.ChiSq, startChiSq);
  EXPECT_TRUE(f.last.accepted);
  EXPECT_EQ(f.last.chiSqBefore, startChiSq);
  EXPECT_EQ(f.last.chiSqAfter, f.state.ChiSq);
  EXPECT_EQ(f.state.Lambda, 0.001 * 0.1);
  EXPECT_EQ(f.state.Params, f.state.TrialParams);
  EXPECT_EQ(f.state.PrevChiSq, f.state.ChiSq);
  EXPECT_EQ(f.state.ChiSq, f.ChiSqAt(f.state.Params));
  Matrix8 expected{};
  f.ChiSqAt(f.state.Params, &expected);
  EXPECT_EQ(f.state.Curvature, expected);
}

TEST(MarquardtStep, RejectedTrialKeepsParamsRestoresChiSqAndMultipliesLambda) {
  // Starting with the frequency a quarter of the truth and Xo at the first
  // point, the undamped step overshoots.
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58, 0.02, 7);
  f.state.Params = ParamVector{0, 0.3, 0, 0, 0, 0, 0.7, 10.0, 0.42};
  const ParamVector start = f.state.Params;
  Matrix8 startCurvature{};
  const double startChiSq = f.ChiSqAt(start, &startCurvature);
  f.Step();
  ASSERT_GT(f.ChiSqAt(f.state.TrialParams), startChiSq) << "the trial must be worse";
  EXPECT_EQ(f.state.Params, start);
  EXPECT_EQ(f.state.ChiSq, startChiSq);
  EXPECT_FALSE(f.last.accepted);
  EXPECT_EQ(f.last.chiSqBefore, startChiSq);
  EXPECT_EQ(f.last.chiSqAfter, startChiSq);
  EXPECT_EQ(f.state.PrevChiSq, startChiSq);
  EXPECT_EQ(f.state.Lambda, 0.001 * 10);
  EXPECT_EQ(f.state.Curvature, startCurvature);
}

TEST(MarquardtStep, LambdaZeroReturnsTheInverseOfTheUndampedCurvature) {
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58, 0.02, 11);
  f.state.Params = kTruth;
  f.state.Params[8] += 0.001;
  for (int call = 0; call < 4; ++call) f.Step();
  const ParamVector params = f.state.Params;
  const double chiSq = f.state.ChiSq;
  const Matrix8 curvature = f.state.Curvature;
  f.state.Lambda = 0.0;
  EXPECT_FALSE(f.Step().has_value());
  EXPECT_EQ(f.state.Params, params);
  EXPECT_EQ(f.state.ChiSq, chiSq);
  EXPECT_EQ(f.state.Lambda, 0.0);
  EXPECT_FALSE(f.last.accepted);
  EXPECT_EQ(f.last.chiSqBefore, chiSq);
  EXPECT_EQ(f.last.chiSqAfter, chiSq);
  for (int i = 1; i <= 8; ++i) {
    for (int j = 1; j <= 8; ++j) {
      double sum = 0;
      double scale = 0;
      for (int k = 1; k <= 8; ++k) {
        sum += f.state.Covariance[i][k] * curvature[k][j];
        scale += std::abs(f.state.Covariance[i][k] * curvature[k][j]);
      }
      EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-9 * scale) << i << "," << j;
    }
  }
  for (int i = 1; i <= 8; ++i) EXPECT_GT(f.state.Covariance[i][i], 0.0);
}

TEST(MarquardtStep, ImproperParameterListIsNotedAndChangesNothing) {
  for (const ParamList lista : {ParamList{0, 1, 2, 3, 4, 5, 6, 7, 7},     // 7 twice
                                ParamList{0, 1, 2, 3, 4, 5, 6, 7, 9}}) {  // 8 missing, 9 foreign
    Fit f;
    f.d = ModelPoints(kTruth, 40, 0.42, 0.58);
    f.state.Params = kTruth;
    f.options.Lista = lista;
    f.state.ChiSq = 123.0;
    f.state.Covariance[2][3] = 5.0;
    f.state.Curvature[4][4] = 6.0;
    const Fit before = f;
    EXPECT_EQ(f.Step(), SolverNote::ImproperPermutation);
    EXPECT_EQ(f.state.Params, before.state.Params);
    EXPECT_EQ(f.state.Lista, before.options.Lista);
    EXPECT_EQ(f.state.ChiSq, before.state.ChiSq);
    EXPECT_EQ(f.state.Lambda, -1.0);
    EXPECT_EQ(f.state.Covariance, before.state.Covariance);
    EXPECT_EQ(f.state.Curvature, before.state.Curvature);
    EXPECT_FALSE(f.last.accepted);
    EXPECT_EQ(f.last.chiSqBefore, 123.0);
    EXPECT_EQ(f.last.chiSqAfter, 123.0);
    // Lambda is still negative, so the next call tries the start again.
    EXPECT_EQ(f.Step(), SolverNote::ImproperPermutation);
    EXPECT_EQ(f.state.notes.size(), 2u);
  }

  // Fitting two parameters and naming 3 twice: the indices 1 and 2 have been
  // placed after the fitted ones when the second 3 is met, and the list
  // completion stops there.
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58);
  f.state.Params = kTruth;
  f.options.Lista = ParamList{0, 3, 3, 0, 0, 0, 0, 0, 0};
  f.options.NFit = 2;
  EXPECT_EQ(f.Step(), SolverNote::ImproperPermutation);
  EXPECT_EQ(f.state.Lista, (ParamList{0, 3, 3, 1, 2, 0, 0, 0, 0}));
  EXPECT_EQ(f.state.Params, kTruth);
  EXPECT_EQ(f.state.Lambda, -1.0);
}

TEST(MarquardtStep, PartialListFitsOnlyTheNamedParameters) {
  // Fit Xo and C only; the other parameters are held at their true values.
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58);
  f.state.Params = kTruth;
  f.state.Params[8] = 0.503;
  f.state.Params[6] = 0.69;
  f.options.Lista = ParamList{0, 8, 6, 0, 0, 0, 0, 0, 0};
  f.options.NFit = 2;
  for (int call = 0; call < 30; ++call) f.Step();
  EXPECT_EQ(f.state.Lista, (ParamList{0, 8, 6, 1, 2, 3, 4, 5, 7}));
  for (int j : {1, 2, 3, 4, 5, 7}) EXPECT_EQ(f.state.Params[j], kTruth[j]) << j;
  EXPECT_NEAR(f.state.Params[8], 0.5, 1e-10);
  EXPECT_NEAR(f.state.Params[6], 0.7, 1e-10);

  const Matrix8 c = f.state.Curvature;
  f.state.Lambda = 0.0;
  f.Step();
  const double det = c[1][1] * c[2][2] - c[1][2] * c[2][1];
  ExpectClose(f.state.Covariance[8][8], c[2][2] / det, 1e-9);
  ExpectClose(f.state.Covariance[6][6], c[1][1] / det, 1e-9);
  ExpectClose(f.state.Covariance[8][6], -c[1][2] / det, 1e-9);
  EXPECT_EQ(f.state.Covariance[6][8], f.state.Covariance[8][6]);
  for (int j : {1, 2, 3, 4, 5, 7}) {
    for (int k = 1; k <= 8; ++k) {
      EXPECT_EQ(f.state.Covariance[j][k], 0.0);
      EXPECT_EQ(f.state.Covariance[k][j], 0.0);
    }
  }
}

TEST(MarquardtStep, AllAmplitudesZeroGiveASingularSystem) {
  // Without amplitudes the derivatives by W and Xo vanish at every point.
  Fit f;
  f.d = ModelPoints(kTruth, 40, 0.42, 0.58);
  f.state.Params = kTruth;
  for (int k = 1; k <= 5; ++k) f.state.Params[k] = 0.0;
  Matrix8 curv{};
  f.ChiSqAt(f.state.Params, &curv);
  for (int k = 1; k <= 8; ++k) {
    EXPECT_EQ(curv[7][k], 0.0);
    EXPECT_EQ(curv[8][k], 0.0);
  }
  EXPECT_GT(curv[6][6], 0.0);
  EXPECT_EQ(f.Step(), SolverNote::SingularMatrix2);
  ASSERT_EQ(f.state.notes.size(), 1u);
  EXPECT_EQ(f.state.notes[0], SolverNote::SingularMatrix2);
}

}  // namespace
}  // namespace vantor
