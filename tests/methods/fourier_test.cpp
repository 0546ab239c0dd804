// Tests of the Fourier fit on a light-curve view: the parameter orders, the
// points the fit takes and the solver's values it returns, its stopping rule,
// its accuracy on exact, real and long light curves, every refusal, and the
// model curve.
#include "methods/fourier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "core/reader.h"
#include "core/store.h"

namespace vantor {
namespace {

// A light curve of n points evenly spaced over [first, last] with magnitudes
// mag(t).
template <class MagOf>
Curve MakeCurve(int n, double first, double last, MagOf mag) {
  Curve c;
  c.RelTime.resize(n + 1);
  c.Mag.resize(n + 1);
  for (int i = 1; i <= n; ++i) {
    c.RelTime[i] = first + (last - first) * (i - 1) / (n - 1);
    c.Mag[i] = mag(c.RelTime[i]);
  }
  return c;
}

// A light curve whose magnitudes are the model at fitParam (display order).
Curve ModelCurve(const std::array<double, 9>& fitParam, int n, double first, double last) {
  const ParamVector p = FitAFromFitParam(fitParam);
  return MakeCurve(n, first, last, [&](double t) { return FourierModel(t, p).y; });
}

// The whole series as the range, from `start`.
FourierSetup WholeRange(const Curve& c, const std::array<double, 9>& start) {
  return FourierSetup{{1, c.NPoints()}, std::nullopt, start};
}

// Display order: Xo, C, W, A1..A5. An eclipse 0.7 mag deep at relative time
// 0.5, about 0.15 day long.
constexpr std::array<double, 9> kEclipse{0, 0.5, 0.7, 40.0, 0.3, 0.1, 0.05, 0.02, 0.01};

// Uniform numbers in [lo, hi) from a 64-bit linear congruential sequence, so
// that the test data do not depend on the library's distributions.
class Uniform {
 public:
  explicit Uniform(uint64_t seed) : state_(seed) {}
  double operator()(double lo, double hi) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return lo + (hi - lo) * static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  uint64_t state_;
};

// ----------------------------------------------------------------------------

TEST(FourierParams, DisplayAndSolverOrdersTranslateBothWays) {
  const std::array<double, 9> display{0, 1, 2, 3, 4, 5, 6, 7, 8};
  const std::array<double, 9> solver = FitAFromFitParam(display);
  EXPECT_EQ(solver, (std::array<double, 9>{0, 4, 5, 6, 7, 8, 2, 3, 1}));
  EXPECT_EQ(FitParamFromFitA(solver), display);
}

// The solver starts as the desktop has always started it: every point of
// uncertainty 0.01 magnitude, every parameter fitted in order, and the
// damping factor at -1 (a fresh start).
TEST(FourierParams, SolverStartsAsTheDesktopAlwaysHas) {
  const FourierSolverStart solver;
  EXPECT_EQ(solver.sigma, 0.01);
  for (int j = 1; j <= 8; ++j) EXPECT_EQ(solver.list[j], int16_t(j));
  EXPECT_EQ(solver.lambda, -1.0);
}

// ----------------------------------------------------------------------------

TEST(FourierFit, NoiseFreeModelCurvesGiveTheirTimeOfMinimum) {
  // Eight random eclipses (seeds 1..8): the fit must find Xo to 1e-9 day
  // from a start off in every parameter.
  for (uint64_t seed = 1; seed <= 8; ++seed) {
    Uniform u(seed);
    std::array<double, 9> truth{};
    truth[1] = u(0.3, 0.7);
    truth[2] = u(0.5, 1.5);
    truth[3] = u(30.0, 60.0);
    truth[4] = u(0.2, 0.5);
    for (int k = 5; k <= 8; ++k) truth[k] = u(-0.04, 0.04);
    const double halfSpan = 0.9 * std::numbers::pi / truth[3];
    const int n = static_cast<int>(u(40, 200));
    const Curve c =
        ModelCurve(truth, n, truth[1] - halfSpan * u(0.7, 1.0), truth[1] + halfSpan * u(0.7, 1.0));
    std::array<double, 9> start = truth;
    start[1] += 0.05 / truth[3];
    start[2] += 0.02;
    start[3] *= 1.05;
    start[4] *= 0.9;
    for (int k = 5; k <= 8; ++k) start[k] = 0;

    const auto r = FitFourier(c.View(), WholeRange(c, start));
    ASSERT_TRUE(r.has_value()) << "seed " << seed << ": " << r.error().message;
    EXPECT_NEAR(r->minimum.rel_time, truth[1], 1e-9) << "seed " << seed;
    EXPECT_EQ(r->minimum.rel_time, r->FitParam[1]);
    EXPECT_TRUE(std::isfinite(r->minimum.error) && r->minimum.error >= 0) << "seed " << seed;
    EXPECT_EQ(r->nData, n);
  }
}

TEST(FourierFit, CurveSymmetricAboutT0GivesT0) {
  // Not the model's own shape: a Gaussian dip, sampled symmetrically about
  // T0 = 0.4123, fitted from a start 0.004 day off.
  const double t0 = 0.4123;
  const Curve c = MakeCurve(61, t0 - 0.06, t0 + 0.06, [&](double t) {
    const double x = (t - t0) / 0.025;
    return 0.1 + 0.8 * std::exp(-x * x);
  });
  const auto r =
      FitFourier(c.View(), WholeRange(c, {0, t0 + 0.004, 0.85, 3.14 / 0.124, 0.8, 0, 0, 0, 0}));
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(r->minimum.rel_time, t0, 1e-9);
}

TEST(FourierFit, ReturnsTheSolversValuesAndKeepsTheLastLambda) {
  Uniform u(42);
  Curve c = ModelCurve(kEclipse, 80, 0.43, 0.57);
  for (int i = 1; i <= 80; ++i) c.Mag[i] += u(-0.01, 0.01);
  std::array<double, 9> start = kEclipse;
  start[1] += 0.002;
  start[3] = 44.0;
  const FourierSetup setup{{5, 74}, std::nullopt, start};

  const auto r = FitFourier(c.View(), setup);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->FitA, FitAFromFitParam(r->FitParam));
  EXPECT_EQ(r->FitA0, FitAFromFitParam(start));
  EXPECT_EQ(r->nData, 70);
  ASSERT_EQ(r->FitT.size(), 71u);
  for (int i = 1; i <= 70; ++i) {
    EXPECT_EQ(r->FitT[i], c.RelTime[i + 4]);
    EXPECT_EQ(r->FitMag[i], c.Mag[i + 4]);
  }
  EXPECT_EQ(r->minimum.error, std::sqrt(r->FitCovariance[8][8]));
  for (int i = 1; i <= 8; ++i) {
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(r->FitCovariance[i][j], r->FitCovariance[j][i]);
  }
  // The curve drawn is the model of the fitted parameters over the range.
  const auto curve = ComputeFourierCurve(c.View(), setup.range, r->FitParam);
  ASSERT_TRUE(curve.has_value() && r->curve.has_value());
  EXPECT_EQ(r->curve->T, curve->T);
  EXPECT_EQ(r->curve->Mag, curve->Mag);
  // The final call runs with its own zero damping factor.
  EXPECT_GT(r->FitLambda, 0.0);
  EXPECT_GE(r->calls, 3);
  EXPECT_LT(r->calls, 503);
  EXPECT_NEAR(r->minimum.rel_time, 0.5, 5 * r->minimum.error);
  EXPECT_TRUE(r->notes.empty());
}

TEST(FourierFit, ExcludedIntervalLeavesOutItsPoints) {
  const Curve c = ModelCurve(kEclipse, 40, 0.43, 0.57);
  std::array<double, 9> start = kEclipse;
  start[1] += 0.001;
  FourierSetup setup{{5, 34}, std::nullopt, start};

  const auto whole = FitFourier(c.View(), setup);
  ASSERT_TRUE(whole.has_value()) << whole.error().message;
  EXPECT_EQ(whole->nData, 30);

  // Points 12 to 15 of the range are the working points 16 to 19.
  setup.exclude = IndexRange{16, 19};
  const auto cut = FitFourier(c.View(), setup);
  ASSERT_TRUE(cut.has_value()) << cut.error().message;
  EXPECT_EQ(cut->nData, 26);
  int i = 0;
  for (int j = 5; j <= 34; ++j) {
    if (j >= 16 && j <= 19) continue;
    ++i;
    EXPECT_EQ(cut->FitT[i], c.RelTime[j]) << "fit point " << i;
    EXPECT_EQ(cut->FitMag[i], c.Mag[j]) << "fit point " << i;
  }
  EXPECT_EQ(i, 26);

  // Two right clicks between the same two points: an empty interval.
  setup.exclude = IndexRange{20, 19};
  const auto none = FitFourier(c.View(), setup);
  ASSERT_TRUE(none.has_value()) << none.error().message;
  EXPECT_EQ(none->nData, 30);
}

TEST(FourierFit, IterationThatNeverStopsMakes503Calls) {
  // Started on the exact solution of a noise-free curve, every step has zero
  // length and an equal chi-square, which never stops the loop.
  const Curve c = ModelCurve(kEclipse, 60, 0.43, 0.57);
  const auto r = FitFourier(c.View(), WholeRange(c, kEclipse));
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_EQ(r->calls, 1 + 501 + 1);
  EXPECT_EQ(r->chiSq, 0.0);
  EXPECT_EQ(r->FitParam, kEclipse);
}

TEST(FourierFit, RealEclipseOfCMDraLandsOnThePublishedMinimum) {
  // CM Dra, TESS, epoch 7024: published minimum 58739.9291169 (BJD - 2400000).
  auto s = std::make_unique<Store>();
  s->DataDir = VANTOR_TEST_DATA_DIR "/real";
  s->DataFileName = "CMDra7024.csv";
  s->DataFilePath = s->DataDir + "/" + s->DataFileName;
  const ReadResult read = ReadLightCurve(*s);
  ASSERT_TRUE(read.has_value()) << read.error().message;
  ASSERT_EQ(s->NPoints, 30);
  for (const auto& [left, right] : {std::pair{1, 30}, std::pair{4, 27}, std::pair{7, 24}}) {
    const auto r = FitFourier(*s, FourierSetup{{left, right}, std::nullopt, s->FitParam});
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 58739.9291169, 2e-4) << left << ".." << right;
    EXPECT_GT(r->minimum.error, 0.0);
    EXPECT_LT(r->minimum.error, 5e-4);
  }

  // The same eclipse without its last four points (published 58739.9291164).
  s->DataFileName = "testleft.csv";
  s->DataFilePath = s->DataDir + "/" + s->DataFileName;
  ASSERT_TRUE(ReadLightCurve(*s).has_value());
  const auto r = FitFourier(*s, FourierSetup{{1, s->NPoints}, std::nullopt, s->FitParam});
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 58739.9291164, 2e-4);
}

// Nights longer than the desktop's 1000 points: a Gaussian dip (not the
// model's own shape) with scatter, sampled over 0.12 day and fitted over
// every point from a start 0.004 day off, finds the injected minimum; the
// points past the 1000th are fitted with the rest.
TEST(FourierFit, LongNightsFindTheInjectedMinimum) {
  struct Case {
    int n;
    double t0, noise;
    uint64_t seed;
  };
  for (const Case& k : {Case{2500, 0.4123, 0.005, 1}, Case{5000, 0.61737, 0.01, 2},
                        Case{10000, 0.25009, 0.003, 3}}) {
    SCOPED_TRACE(std::to_string(k.n) + " points");
    Uniform u(k.seed);
    const Curve c = MakeCurve(k.n, k.t0 - 0.0571, k.t0 + 0.0629, [&](double t) {
      const double x = (t - k.t0) / 0.025;
      return 0.1 + 0.8 * std::exp(-x * x) + u(-k.noise, k.noise);
    });
    const auto r = FitFourier(
        c.View(), WholeRange(c, {0, k.t0 + 0.004, 0.85, 3.14 / 0.124, 0.8, 0, 0, 0, 0}));
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_EQ(r->nData, k.n);
    EXPECT_EQ(r->FitT[k.n], c.RelTime[k.n]);
    EXPECT_NEAR(r->minimum.rel_time, k.t0, 0.0005);
    EXPECT_GT(r->minimum.error, 0.0);
    EXPECT_LT(r->minimum.error, 0.0005);
  }
}

// ----------------------------------------------------------------------------

// Runs the fit and expects a refusal; returns the message. (The fit reads
// its curve through a const view: a refusal can change nothing. What the
// desktop's store holds after a refused fit is TimeMethodInStore's, tested
// with it and with the window; "Select range first" and a fit already
// standing are the window's checks before it fits.)
std::string Refused(const Curve& c, const FourierSetup& setup,
                    const FourierSolverStart& solver = {}) {
  const auto r = FitFourier(c.View(), setup, solver);
  EXPECT_FALSE(r.has_value());
  return r.has_value() ? std::string() : r.error().message;
}

class FourierFitRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    c = ModelCurve(kEclipse, 40, 0.43, 0.57);
    setup = WholeRange(c, kEclipse);
    setup.start[1] += 0.001;
  }
  Curve c;
  FourierSetup setup;
  FourierSolverStart solver;
};

TEST_F(FourierFitRefusal, RangeReversedOrOutsideThePoints) {
  for (const auto& [left, right] :
       {std::pair{20, 19}, std::pair{30, 10}, std::pair{0, 20}, std::pair{10, 41}}) {
    setup.range = {left, right};
    EXPECT_NE(Refused(c, setup).find("range"), std::string::npos) << left << ".." << right;
  }
}

TEST_F(FourierFitRefusal, FewerThanEightPoints) {
  // Around the minimum at 0.5 (points 17 to 24 run from 0.487 to 0.513): a
  // fit whose minimum lies outside its points is no result.
  setup.range = {17, 23};
  EXPECT_NE(Refused(c, setup).find("at least 8 points"), std::string::npos);

  setup.range = {17, 24};
  EXPECT_TRUE(FitFourier(c.View(), setup).has_value()) << "8 points are enough";

  setup.range = {17, 28};  // 12 points, 5 of them excluded
  setup.exclude = IndexRange{19, 23};
  EXPECT_NE(Refused(c, setup).find("at least 8 points"), std::string::npos);
}

TEST_F(FourierFitRefusal, ExcludedIntervalNotSetReversedOrOutsideTheRange) {
  setup.range = {5, 34};
  for (const auto& [left, right] :
       {std::pair{0, 0}, std::pair{12, 0}, std::pair{0, 15}, std::pair{16, 14}, std::pair{3, 10},
        std::pair{30, 36}, std::pair{2, 3}}) {
    setup.exclude = IndexRange{left, right};
    const std::string message = Refused(c, setup);
    EXPECT_NE(message.find("Exclude"), std::string::npos) << left << ".." << right;
    EXPECT_NE(message.find("right-click the start and the end"), std::string::npos);
  }
}

TEST_F(FourierFitRefusal, StartingValueNotFinite) {
  setup.start[3] = std::numeric_limits<double>::infinity();
  EXPECT_NE(Refused(c, setup).find("W"), std::string::npos);
  setup.start[3] = kEclipse[3];
  setup.start[6] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_NE(Refused(c, setup).find("A3"), std::string::npos);
}

TEST_F(FourierFitRefusal, PointUncertaintyNotPositive) {
  for (const double sigma : {0.0, -0.01, std::numeric_limits<double>::quiet_NaN()}) {
    solver.sigma = sigma;
    EXPECT_NE(Refused(c, setup, solver).find("uncertainty"), std::string::npos) << sigma;
  }
}

TEST_F(FourierFitRefusal, ParameterListNotAPermutation) {
  solver.list = {0, 1, 2, 3, 4, 5, 6, 7, 7};
  EXPECT_NE(Refused(c, setup, solver).find("parameters"), std::string::npos);
}

TEST_F(FourierFitRefusal, DampingFactorNotReset) {
  solver.lambda = 0.01;
  EXPECT_NE(Refused(c, setup, solver).find("Undo"), std::string::npos);
}

TEST_F(FourierFitRefusal, FitThatRunsOutOfRange) {
  // Amplitudes of 1e200 magnitudes make chi-square overflow on the first
  // evaluation; the fit runs its course and delivers no finite numbers.
  setup.start[4] = 1e200;
  EXPECT_NE(Refused(c, setup).find("did not converge"), std::string::npos);
}

TEST_F(FourierFitRefusal, SingularCovarianceGivesNoErrorBar) {
  // With W and every amplitude zero no parameter but C acts on the data: the
  // final inversion is singular and its diagonal is no variance.
  for (int j = 3; j <= 8; ++j) setup.start[j] = 0;
  const std::string message = Refused(c, setup);
  EXPECT_NE(message.find("covariance matrix is singular (Singular matrix"), std::string::npos)
      << message;
}

// ----------------------------------------------------------------------------

// The error of Xo inverted from the curvature at the fitted parameters
// summed point by point in the given order, as an independent reading of the
// fit's own sums: what the fit must deliver (forward) and what it holds it
// against (reversed).
double LiteralError(const FourierFitResult& fit, PointOrder order) {
  const int n = fit.nData;
  const std::vector<double> sigma(n + 1, 0.01);
  const MarquardtProblem problem{fit.FitT, fit.FitMag, sigma, n};
  MarquardtOptions options;
  options.NParams = options.NFit = kFourierParams;
  options.Lista = fit.FitList;
  MarquardtState st;
  st.Params = fit.FitA;
  st.Lista = fit.FitList;
  double chiSq = 0;
  CurvatureAndGradientPointByPoint(fit.FitT, fit.FitMag, sigma, n, st.Params, st.Lista,
                                   kFourierParams, st.Curvature, st.Gradient, chiSq, order);
  st.ChiSq = chiSq;
  st.Lambda = 0.0;
  MarquardtStep(problem, options, st);
  return std::sqrt(st.Covariance[8][8]);
}

// Fits of the example eclipse from the reader's starting values. The error
// delivered is always the one of the sums in the order of the points, bit for
// bit; a fit is refused only where the same sums in reverse order give an
// error that shows other digits at the precision in force. 20 points about
// the bottom (21..40): the matrix is so nearly singular that the two orders
// give 0.0002601 d and 0.0002603 d, alike at five decimals, apart at seven.
// 9 points (30..38): 0.00695 d and 0.00679 d, apart at five. The whole
// eclipse stands at seven decimals.
TEST(FourierFit, ErrorIsTheForwardSumsAndRefusedWhereReversedSumsShowOtherDigits) {
  auto s = std::make_unique<Store>();
  s->DataDir = VANTOR_SOURCE_DIR "/examples";
  s->DataFileName = "eclipse_header.csv";
  s->DataFilePath = s->DataDir + "/" + s->DataFileName;
  ASSERT_TRUE(ReadLightCurve(*s).has_value());
  struct Case {
    int left, right, decimals;
    bool delivered;
  };
  for (const Case& c :
       {Case{21, 40, 5, true}, Case{21, 40, 6, true}, Case{21, 40, 7, false}, Case{1, 60, 7, true},
        Case{10, 50, 7, true}, Case{2, 55, 7, true}, Case{30, 38, 5, false}}) {
    SCOPED_TRACE(std::to_string(c.left) + ".." + std::to_string(c.right) + " at " +
                 std::to_string(c.decimals) + " decimals");
    s->ResultDecimals = c.decimals;
    const auto r = FitFourier(*s, FourierSetup{{c.left, c.right}, std::nullopt, s->FitParam});
    if (c.delivered) {
      ASSERT_TRUE(r.has_value()) << r.error().message;
      EXPECT_EQ(r->minimum.error, LiteralError(*r, PointOrder::kForward));
      EXPECT_TRUE(FourierErrorsAgree(r->minimum.error, LiteralError(*r, PointOrder::kReversed),
                                     c.decimals));
    } else {
      ASSERT_FALSE(r.has_value());
      EXPECT_NE(r.error().message.find("the rounding of its sums decides the digits"),
                std::string::npos);
    }
  }
}

// Agreement is the digits shown, not a distance: two errors a hair apart
// across a rounding edge disagree, two far apart within one shown digit agree.
TEST(FourierErrorsAgree, ComparesTheDigitsShownAtThePrecision) {
  struct Case {
    double a, b;
    int decimals;
    bool agree;
  };
  for (const Case& c :
       {Case{0.000260112, 0.000260291, 5, true}, Case{0.000260112, 0.000260291, 6, true},
        Case{0.000260112, 0.000260291, 7, false}, Case{0.0000149999, 0.0000150001, 5, false},
        Case{0.00001, 0.00001, 7, true}, Case{0.001, NAN, 5, false},
        Case{INFINITY, INFINITY, 5, false}}) {
    EXPECT_EQ(FourierErrorsAgree(c.a, c.b, c.decimals), c.agree)
        << c.a << " " << c.b << " " << c.decimals;
  }
}

TEST(ComputeFourierCurve, SpansTheRangeWithTheModelOfFitParam) {
  const Curve c = ModelCurve(kEclipse, 40, 0.43, 0.57);
  std::array<double, 9> fitParam = kEclipse;
  fitParam[5] = -0.07;
  const auto curve = ComputeFourierCurve(c.View(), {6, 33}, fitParam);
  ASSERT_TRUE(curve.has_value());
  const ParamVector p = FitAFromFitParam(fitParam);
  EXPECT_EQ(curve->T[0], c.RelTime[6]);
  EXPECT_NEAR(curve->T[100], c.RelTime[33], 1e-14);
  for (int g = 0; g <= 100; ++g) {
    EXPECT_NEAR(curve->T[g], c.RelTime[6] + (c.RelTime[33] - c.RelTime[6]) * g / 100, 1e-14);
    EXPECT_NEAR(curve->Mag[g], FourierModel(curve->T[g], p).y, 1e-12) << g;
  }
}

TEST(ComputeFourierCurve, RefusesARangeOutsideThePointsOrParametersNotFinite) {
  const Curve c = ModelCurve(kEclipse, 40, 0.43, 0.57);
  for (const IndexRange range : {IndexRange{0, 20}, IndexRange{10, 41}, IndexRange{30, 10}}) {
    const auto r = ComputeFourierCurve(c.View(), range, kEclipse);
    ASSERT_FALSE(r.has_value());
    EXPECT_NE(r.error().message.find("not a range within points 1 to 40"), std::string::npos);
  }

  std::array<double, 9> fitParam = kEclipse;
  fitParam[2] = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(ComputeFourierCurve(c.View(), {1, 40}, fitParam).has_value());

  fitParam = kEclipse;
  fitParam[4] = 1e308;
  fitParam[5] = 1e308;
  EXPECT_FALSE(ComputeFourierCurve(c.View(), {1, 40}, fitParam).has_value());
}

}  // namespace
}  // namespace vantor
