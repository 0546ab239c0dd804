// The Levenberg-Marquardt step, the model of the Fourier fit, its curvature
// and gradient, and the sorting of the covariance matrix into parameter order.
// GaussJordan is a template and lives in the header.
#include "methods/marquardt.h"

#include <cassert>
#include <cmath>

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

// The model and its derivatives, written into v; inlined into the loop over
// the points, where it does nearly all the work of a fit.
inline void EvaluateFourierModel(double t, const ParamVector& p, FourierModelValue& v) {
  const double xo = p[8];
  const double w = p[7];
  const double s = t - xo;
  const double a = w * s;
  v.y = p[6];
  double sum = 0.0;  // S = sum k Ak sin(k a)
  for (int k = 1; k <= 5; ++k) {
    const double ka = k * a;
    v.dyda[k] = std::cos(ka) - 1.0;
    v.y += p[k] * v.dyda[k];
    sum += k * p[k] * std::sin(ka);
  }
  v.dyda[6] = 1.0;
  v.dyda[7] = -s * sum;
  v.dyda[8] = w * sum;
}

}  // namespace

FourierModelValue FourierModel(double t, const ParamVector& p) {
  FourierModelValue v;
  EvaluateFourierModel(t, p, v);
  return v;
}

namespace {

// The sums of CurvatureAndGradient over the points, into c, g and chi. With
// kAllInOrder the fitted parameters are 1..8 in order (the Fourier fit's
// case) and the loops have fixed bounds the compiler can unroll; the
// arithmetic is the same in both forms, term by term and in the same order.
template <bool kAllInOrder>
void AccumulateSums(std::span<const double> t, std::span<const double> y,
                    std::span<const double> sigma, int nData, const ParamVector& params,
                    const std::array<int, 9>& index, int nFit, Matrix8& c, ParamVector& g,
                    double& chi) {
  const int n = kAllInOrder ? kFourierParams : nFit;
  FourierModelValue m;
  for (int i = 1; i <= nData; ++i) {
    EvaluateFourierModel(t[i], params, m);
    const double w = 1.0 / (sigma[i] * sigma[i]);
    const double dy = y[i] - m.y;
    for (int j = 1; j <= n; ++j) {
      const double wt = m.dyda[kAllInOrder ? j : index[j]] * w;
      for (int k = 1; k <= j; ++k) c[j][k] += wt * m.dyda[kAllInOrder ? k : index[k]];
      g[j] += dy * wt;
    }
    chi += dy * dy * w;
  }
}

}  // namespace

void CurvatureAndGradient(std::span<const double> t, std::span<const double> y,
                          std::span<const double> sigma, int nData, const ParamVector& p,
                          const ParamList& lista, int nFit, Matrix8& curv, ParamVector& grad,
                          double& chiSq) {
  assert(nData < static_cast<int>(t.size()) && nData < static_cast<int>(y.size()) &&
         nData < static_cast<int>(sigma.size()));
  assert(nFit >= 0 && nFit <= kFourierParams);
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
    AccumulateSums<true>(t, y, sigma, nData, params, index, nFit, c, g, chi);
  } else {
    AccumulateSums<false>(t, y, sigma, nData, params, index, nFit, c, g, chi);
  }
  for (int j = 1; j <= nFit; ++j) {
    for (int k = 1; k <= j; ++k) curv[j][k] = c[j][k];
    grad[j] = g[j];
  }
  for (int j = 2; j <= nFit; ++j) {
    for (int k = 1; k < j; ++k) curv[k][j] = curv[j][k];
  }
  chiSq = chi;
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
