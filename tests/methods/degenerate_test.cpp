// Every method on degenerate light curves: two distinct times, times a
// picosecond apart, all-equal magnitudes, three points. Each either gives a
// finite time inside the data's span or refuses with a message; none may
// make up a number far outside the data (a near-zero span once gave sliding
// integrations a time of 5e11 d).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/reader.h"
#include "core/store.h"
#include "methods/time_method.h"

namespace vantor {
namespace {

struct Curve {
  std::string name;
  std::vector<double> t, m;
};

// A 0.2 mag V-shaped dip on n points at times t0 + step i.
Curve Dip(std::string name, int n, double t0, double step) {
  Curve c{std::move(name), {}, {}};
  for (int i = 0; i < n; ++i) {
    c.t.push_back(t0 + step * i);
    c.m.push_back(0.5 + 0.2 * (1 - std::fabs(i - (n - 1) / 2.0) / ((n - 1) / 2.0)));
  }
  return c;
}

std::vector<Curve> DegenerateCurves() {
  std::vector<Curve> curves;
  // Two distinct times, each held by several points, magnitudes varying.
  {
    Curve c{"two distinct times", {}, {}};
    for (int i = 0; i < 12; ++i) {
      c.t.push_back(i < 6 ? 0.3 : 0.4);
      c.m.push_back(0.5 + 0.01 * ((i * 7) % 5) + (i == 5 || i == 6 ? 0.2 : 0.0));
    }
    curves.push_back(c);
  }
  {
    Curve c{"two distinct times, equal ends", {}, {}};
    for (int i = 0; i < 9; ++i) {
      c.t.push_back(i < 4 ? 0.3 : 0.3 + 1e-9);
      c.m.push_back(i == 4 ? 0.7 : 0.5 + 1e-6 * i);
    }
    curves.push_back(c);
  }
  // Full Julian Dates one representable step (about 5e-10 d) apart: two
  // distinct times, and every time one step after the one before.
  {
    Curve c{"two adjacent full-JD times", {}, {}};
    const double t0 = 2459000.1, t1 = std::nextafter(t0, 3e6);
    for (int i = 0; i < 14; ++i) {
      c.t.push_back(i < 7 ? t0 : t1);
      c.m.push_back(0.5 + 0.03 * (7 - std::abs(i - 7)) + 0.001 * (i % 3));
    }
    curves.push_back(c);
  }
  {
    Curve c = Dip("full-JD times one step apart", 25, 2459000.1, 0);
    for (size_t i = 1; i < c.t.size(); ++i) c.t[i] = std::nextafter(c.t[i - 1], 3e6);
    curves.push_back(c);
  }
  curves.push_back(Dip("times 1e-12 d apart", 21, 0.35, 1e-12));
  curves.push_back(Dip("times 1e-13 d apart", 41, 0.35, 1e-13));
  curves.push_back(Dip("times 1e-10 d apart", 31, 0.35, 1e-10));
  curves.push_back(Dip("three points", 3, 0.35, 0.01));
  curves.push_back(Dip("two points", 2, 0.35, 0.01));
  {
    Curve c = Dip("all-equal magnitudes", 30, 0.35, 0.002);
    for (double& m : c.m) m = 0.5;
    curves.push_back(c);
  }
  {
    Curve c = Dip("all-equal magnitudes but one step", 30, 0.35, 0.002);
    for (size_t i = 0; i < c.m.size(); ++i) c.m[i] = i == 15 ? 0.5 + 1e-15 : 0.5;
    curves.push_back(c);
  }
  return curves;
}

// Every method with the widest setup the curve allows.
std::vector<MethodSetup> SetupsFor(const Store& s) {
  const int n = s.NPoints;
  const int mid = (n + 1) / 2;
  return {
      ParabolaSetup{{1, n}},
      TracingSetup{(s.RelTime[1] + s.RelTime[n]) / 2, 1},
      ChordsSetup{{1, std::max(1, mid - 1)}, {std::min(n, mid + 1), n}},
      KvwSetup{{1, n}, {"2", ".7"}},
      FourierSetup{{1, n}, std::nullopt, s.FitParam},
      SlidingSetup{},
  };
}

TEST(DegenerateCurves, EveryMethodGivesATimeInsideTheDataOrRefuses) {
  for (const Curve& c : DegenerateCurves()) {
    auto s = std::make_unique<Store>();
    if (!LoadObservations(*s, c.t, c.m)) continue;  // the reader's own refusal is fine too
    const double lo = s->RelTime[1], hi = s->RelTime[s->NPoints];
    for (const MethodSetup& setup : SetupsFor(*s)) {
      SCOPED_TRACE(c.name + ", row " + std::to_string(RowOf(setup)));
      const auto t = TimeMethod(*s, setup);
      if (!t) {
        EXPECT_FALSE(t.error().message.empty());
        continue;
      }
      const double rel = t->minimum.rel_time;
      EXPECT_TRUE(std::isfinite(rel));
      EXPECT_TRUE(std::isfinite(t->minimum.error));
      EXPECT_GE(rel, lo) << "time " << rel << " before the first point " << lo;
      EXPECT_LE(rel, hi) << "time " << rel << " after the last point " << hi;
    }
  }
}

}  // namespace
}  // namespace vantor
