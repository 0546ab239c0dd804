// Tests of the Fourier fit on the store: the parameter orders, the points
// the fit takes, its stopping rule, its accuracy on exact and real light
// curves, every refusal, and the model curve.
#include "methods/fourier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <string>

#include "core/reader.h"

namespace vantor {
namespace {

// A store with n points evenly spaced over [first, last] and magnitudes
// mag(t), point uncertainty 0.01, the solver reset and the whole series
// selected as the range.
template <class MagOf>
std::unique_ptr<Store> CurveStore(int n, double first, double last, MagOf mag) {
  auto s = std::make_unique<Store>();
  s->NPoints = static_cast<int16_t>(n);
  for (int i = 1; i <= n; ++i) {
    s->RelTime[i] = first + (last - first) * (i - 1) / (n - 1);
    s->Mag[i] = mag(s->RelTime[i]);
    s->FitSigma[i] = 0.01;
  }
  s->FitLambda = -1;
  s->FourierLeftIdx = 1;
  s->FourierRightIdx = static_cast<int16_t>(n);
  s->FourierLeftSet = s->FourierRightSet = s->FourierRangeSet = true;
  return s;
}

// A store whose magnitudes are the model at fitParam (display order).
std::unique_ptr<Store> ModelStore(const std::array<double, 9>& fitParam, int n, double first,
                                  double last) {
  const ParamVector p = FitAFromFitParam(fitParam);
  return CurveStore(n, first, last, [&](double t) { return FourierModel(t, p).y; });
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
    auto s =
        ModelStore(truth, n, truth[1] - halfSpan * u(0.7, 1.0), truth[1] + halfSpan * u(0.7, 1.0));
    s->FitParam = truth;
    s->FitParam[1] += 0.05 / truth[3];
    s->FitParam[2] += 0.02;
    s->FitParam[3] *= 1.05;
    s->FitParam[4] *= 0.9;
    for (int k = 5; k <= 8; ++k) s->FitParam[k] = 0;

    const auto r = FitFourier(*s);
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
  auto s = CurveStore(61, t0 - 0.06, t0 + 0.06, [&](double t) {
    const double x = (t - t0) / 0.025;
    return 0.1 + 0.8 * std::exp(-x * x);
  });
  s->FitParam = {0, t0 + 0.004, 0.85, 3.14 / 0.124, 0.8, 0, 0, 0, 0};
  const auto r = FitFourier(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(r->minimum.rel_time, t0, 1e-9);
}

TEST(FourierFit, WritesTheFitIntoTheStoreAndKeepsTheLastLambda) {
  Uniform u(42);
  auto s = ModelStore(kEclipse, 80, 0.43, 0.57);
  for (int i = 1; i <= 80; ++i) s->Mag[i] += u(-0.01, 0.01);
  s->FourierLeftIdx = 5;
  s->FourierRightIdx = 74;
  std::array<double, 9> start = kEclipse;
  start[1] += 0.002;
  start[3] = 44.0;
  s->FitParam = start;

  const auto r = FitFourier(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_TRUE(s->FourierFitDone);
  EXPECT_EQ(s->FitParam, r->FitParam);
  EXPECT_EQ(s->FitA, FitAFromFitParam(r->FitParam));
  EXPECT_EQ(s->FitA0, FitAFromFitParam(start));
  EXPECT_EQ(r->nData, 70);
  for (int i = 1; i <= 70; ++i) {
    EXPECT_EQ(s->FitT[i], s->RelTime[i + 4]);
    EXPECT_EQ(s->FitMag[i], s->Mag[i + 4]);
  }
  EXPECT_EQ(r->minimum.error, std::sqrt(s->FitCovariance[8][8]));
  for (int i = 1; i <= 8; ++i) {
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(s->FitCovariance[i][j], s->FitCovariance[j][i]);
  }
  // The final call runs with its own zero damping factor.
  EXPECT_GT(s->FitLambda, 0.0);
  EXPECT_GE(r->calls, 3);
  EXPECT_LT(r->calls, 503);
  EXPECT_NEAR(r->minimum.rel_time, 0.5, 5 * r->minimum.error);
  EXPECT_TRUE(r->notes.empty());
}

TEST(FourierFit, ExcludedIntervalLeavesOutItsPoints) {
  auto s = ModelStore(kEclipse, 40, 0.43, 0.57);
  s->FitParam = kEclipse;
  s->FitParam[1] += 0.001;
  s->FourierLeftIdx = 5;
  s->FourierRightIdx = 34;
  const auto before = std::make_unique<Store>(*s);

  const auto whole = FitFourier(*s);
  ASSERT_TRUE(whole.has_value()) << whole.error().message;
  EXPECT_EQ(whole->nData, 30);

  // Points 12 to 15 of the range are the working points 16 to 19.
  *s = *before;
  s->ExcludeMode = true;
  s->ExclLeftIdx = 16;
  s->ExclRightIdx = 19;
  const auto cut = FitFourier(*s);
  ASSERT_TRUE(cut.has_value()) << cut.error().message;
  EXPECT_EQ(cut->nData, 26);
  int i = 0;
  for (int j = 5; j <= 34; ++j) {
    if (j >= 16 && j <= 19) continue;
    ++i;
    EXPECT_EQ(s->FitT[i], s->RelTime[j]) << "fit point " << i;
    EXPECT_EQ(s->FitMag[i], s->Mag[j]) << "fit point " << i;
  }
  EXPECT_EQ(i, 26);

  // Two right clicks between the same two points: an empty interval.
  *s = *before;
  s->ExcludeMode = true;
  s->ExclLeftIdx = 20;
  s->ExclRightIdx = 19;
  const auto none = FitFourier(*s);
  ASSERT_TRUE(none.has_value()) << none.error().message;
  EXPECT_EQ(none->nData, 30);
}

TEST(FourierFit, IterationThatNeverStopsMakes503Calls) {
  // Started on the exact solution of a noise-free curve, every step has zero
  // length and an equal chi-square, which never stops the loop.
  auto s = ModelStore(kEclipse, 60, 0.43, 0.57);
  s->FitParam = kEclipse;
  const auto r = FitFourier(*s);
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
    auto fit = std::make_unique<Store>(*s);
    fit->FourierLeftIdx = static_cast<int16_t>(left);
    fit->FourierRightIdx = static_cast<int16_t>(right);
    fit->FourierLeftSet = fit->FourierRightSet = fit->FourierRangeSet = true;
    const auto r = FitFourier(*fit);
    ASSERT_TRUE(r.has_value()) << r.error().message;
    EXPECT_NEAR(fit->HjdBase + r->minimum.rel_time, 58739.9291169, 2e-4) << left << ".." << right;
    EXPECT_GT(r->minimum.error, 0.0);
    EXPECT_LT(r->minimum.error, 5e-4);
  }

  // The same eclipse without its last four points (published 58739.9291164).
  s->DataFileName = "testleft.csv";
  s->DataFilePath = s->DataDir + "/" + s->DataFileName;
  ASSERT_TRUE(ReadLightCurve(*s).has_value());
  s->FourierLeftIdx = 1;
  s->FourierRightIdx = s->NPoints;
  s->FourierLeftSet = s->FourierRightSet = s->FourierRangeSet = true;
  const auto r = FitFourier(*s);
  ASSERT_TRUE(r.has_value()) << r.error().message;
  EXPECT_NEAR(s->HjdBase + r->minimum.rel_time, 58739.9291164, 2e-4);
}

// ----------------------------------------------------------------------------

// Runs the fit and expects a refusal that leaves the store as it was; returns
// the message.
std::string RefusedUnchanged(Store& s) {
  const auto before = std::make_unique<Store>(s);
  const auto r = FitFourier(s);
  EXPECT_FALSE(r.has_value());
  EXPECT_TRUE(s == *before) << "the store changed";
  return r.has_value() ? std::string() : r.error().message;
}

class FourierFitRefusal : public ::testing::Test {
 protected:
  void SetUp() override {
    s = ModelStore(kEclipse, 40, 0.43, 0.57);
    s->FitParam = kEclipse;
    s->FitParam[1] += 0.001;
  }
  std::unique_ptr<Store> s;
};

TEST_F(FourierFitRefusal, RangeNotSet) {
  s->FourierRightSet = false;
  s->FourierRangeSet = false;
  EXPECT_EQ(RefusedUnchanged(*s), "Select range first");
}

TEST_F(FourierFitRefusal, FitAlreadyStands) {
  s->FourierFitDone = true;
  EXPECT_NE(RefusedUnchanged(*s).find("Undo"), std::string::npos);
}

TEST_F(FourierFitRefusal, RangeReversedOrOutsideThePoints) {
  for (const auto& [left, right] :
       {std::pair{20, 19}, std::pair{30, 10}, std::pair{0, 20}, std::pair{10, 41}}) {
    s->FourierLeftIdx = static_cast<int16_t>(left);
    s->FourierRightIdx = static_cast<int16_t>(right);
    EXPECT_NE(RefusedUnchanged(*s).find("range"), std::string::npos) << left << ".." << right;
  }
}

TEST_F(FourierFitRefusal, FewerThanEightPoints) {
  // Around the minimum at 0.5 (points 17 to 24 run from 0.487 to 0.513): a
  // fit whose minimum lies outside its points is no result.
  s->FourierLeftIdx = 17;
  s->FourierRightIdx = 23;
  EXPECT_NE(RefusedUnchanged(*s).find("at least 8 points"), std::string::npos);

  s->FourierRightIdx = 24;
  EXPECT_TRUE(FitFourier(*std::make_unique<Store>(*s)).has_value()) << "8 points are enough";

  s->FourierRightIdx = 28;  // 12 points, 5 of them excluded
  s->ExcludeMode = true;
  s->ExclLeftIdx = 19;
  s->ExclRightIdx = 23;
  EXPECT_NE(RefusedUnchanged(*s).find("at least 8 points"), std::string::npos);
}

TEST_F(FourierFitRefusal, ExcludedIntervalNotSetReversedOrOutsideTheRange) {
  s->FourierLeftIdx = 5;
  s->FourierRightIdx = 34;
  s->ExcludeMode = true;
  for (const auto& [left, right] :
       {std::pair{0, 0}, std::pair{12, 0}, std::pair{0, 15}, std::pair{16, 14}, std::pair{3, 10},
        std::pair{30, 36}, std::pair{2, 3}}) {
    s->ExclLeftIdx = static_cast<int16_t>(left);
    s->ExclRightIdx = static_cast<int16_t>(right);
    const std::string message = RefusedUnchanged(*s);
    EXPECT_NE(message.find("Exclude"), std::string::npos) << left << ".." << right;
    EXPECT_NE(message.find("right-click the start and the end"), std::string::npos);
  }
}

TEST_F(FourierFitRefusal, StartingValueNotFinite) {
  s->FitParam[3] = std::numeric_limits<double>::infinity();
  EXPECT_NE(RefusedUnchanged(*s).find("W"), std::string::npos);
  s->FitParam[3] = kEclipse[3];
  s->FitParam[6] = std::numeric_limits<double>::quiet_NaN();
  // NaN != NaN, so compare the message only.
  const auto r = FitFourier(*s);
  ASSERT_FALSE(r.has_value());
  EXPECT_NE(r.error().message.find("A3"), std::string::npos);
  EXPECT_FALSE(s->FourierFitDone);
}

TEST_F(FourierFitRefusal, PointUncertaintyNotPositive) {
  s->FitSigma[7] = 0.0;
  EXPECT_NE(RefusedUnchanged(*s).find("uncertainty"), std::string::npos);
}

TEST_F(FourierFitRefusal, ParameterListNotAPermutation) {
  s->FitList = {0, 1, 2, 3, 4, 5, 6, 7, 7};
  EXPECT_NE(RefusedUnchanged(*s).find("parameters"), std::string::npos);
}

TEST_F(FourierFitRefusal, DampingFactorNotReset) {
  s->FitLambda = 0.01;
  EXPECT_NE(RefusedUnchanged(*s).find("Undo"), std::string::npos);
}

TEST_F(FourierFitRefusal, FitThatRunsOutOfRangeRestoresTheStore) {
  // Amplitudes of 1e200 magnitudes make chi-square overflow on the first
  // evaluation; the fit runs its course and delivers no finite numbers.
  s->FitParam[4] = 1e200;
  const std::string message = RefusedUnchanged(*s);
  EXPECT_NE(message.find("did not converge"), std::string::npos);
  EXPECT_FALSE(s->FourierFitDone);
  EXPECT_EQ(s->FitLambda, -1.0);
}

TEST_F(FourierFitRefusal, SingularCovarianceGivesNoErrorBar) {
  // With W and every amplitude zero no parameter but C acts on the data: the
  // final inversion is singular and its diagonal is no variance.
  for (int j = 3; j <= 8; ++j) s->FitParam[j] = 0;
  const std::string message = RefusedUnchanged(*s);
  EXPECT_NE(message.find("covariance matrix is singular (Singular matrix"), std::string::npos)
      << message;
}

// ----------------------------------------------------------------------------

// The error of Xo inverted from the curvature at the fitted parameters
// summed point by point in the given order, as an independent reading of the
// fit's own sums: what the fit must deliver (forward) and what it holds it
// against (reversed).
double LiteralError(const Store& fit, PointOrder order) {
  const int n = fit.FourierRightIdx - fit.FourierLeftIdx + 1;
  const MarquardtProblem problem{fit.FitT, fit.FitMag, fit.FitSigma, n};
  MarquardtOptions options;
  options.NParams = options.NFit = kFourierParams;
  options.Lista = fit.FitList;
  MarquardtState st;
  st.Params = fit.FitA;
  st.Lista = fit.FitList;
  double chiSq = 0;
  CurvatureAndGradientPointByPoint(fit.FitT, fit.FitMag, fit.FitSigma, n, st.Params, st.Lista,
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
    auto fit = std::make_unique<Store>(*s);
    fit->FourierLeftIdx = static_cast<int16_t>(c.left);
    fit->FourierRightIdx = static_cast<int16_t>(c.right);
    fit->FourierLeftSet = fit->FourierRightSet = fit->FourierRangeSet = true;
    fit->ResultDecimals = c.decimals;
    if (c.delivered) {
      const auto r = FitFourier(*fit);
      ASSERT_TRUE(r.has_value()) << r.error().message;
      EXPECT_EQ(r->minimum.error, LiteralError(*fit, PointOrder::kForward));
      EXPECT_TRUE(FourierErrorsAgree(r->minimum.error, LiteralError(*fit, PointOrder::kReversed),
                                     c.decimals));
    } else {
      EXPECT_NE(RefusedUnchanged(*fit).find("the rounding of its sums decides the digits"),
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
  auto s = ModelStore(kEclipse, 40, 0.43, 0.57);
  s->FourierLeftIdx = 6;
  s->FourierRightIdx = 33;
  s->FitParam = kEclipse;
  s->FitParam[5] = -0.07;
  ASSERT_TRUE(ComputeFourierCurve(*s).has_value());
  const ParamVector p = FitAFromFitParam(s->FitParam);
  EXPECT_EQ(s->CurveT[0], s->RelTime[6]);
  EXPECT_NEAR(s->CurveT[100], s->RelTime[33], 1e-14);
  for (int g = 0; g <= 100; ++g) {
    EXPECT_NEAR(s->CurveT[g], s->RelTime[6] + (s->RelTime[33] - s->RelTime[6]) * g / 100, 1e-14);
    EXPECT_NEAR(s->CurveMag[g], FourierModel(s->CurveT[g], p).y, 1e-12) << g;
  }
}

TEST(ComputeFourierCurve, RefusesWithoutRangeOrFiniteParametersAndKeepsTheCurve) {
  auto s = ModelStore(kEclipse, 40, 0.43, 0.57);
  s->CurveMag[50] = 1.5;
  s->FourierRangeSet = false;
  auto r = ComputeFourierCurve(*s);
  ASSERT_FALSE(r.has_value());
  EXPECT_EQ(r.error().message, "Select range first");

  s->FourierRangeSet = true;
  s->FitParam = kEclipse;
  s->FitParam[2] = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(ComputeFourierCurve(*s).has_value());

  s->FitParam = kEclipse;
  s->FitParam[4] = 1e308;
  s->FitParam[5] = 1e308;
  EXPECT_FALSE(ComputeFourierCurve(*s).has_value());
  EXPECT_EQ(s->CurveMag[50], 1.5);
}

}  // namespace
}  // namespace vantor
