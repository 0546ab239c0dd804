// The shared state of one Vantor session: one light curve of one eclipse, the
// user's deletions, the sign convention, the plot limits derived from the data,
// the window geometry records and the interaction state of every method window.
//
// Observation arrays are 1-based like the text they implement: cell 0 exists
// and is never read, cells 1..kMaxPoints hold observations. Counts and indices
// whose range a user can observe are int16_t; flags are bool.
//
// This header holds data and the operations that keep it consistent
// (ComputeRanges, RebuildWorkingSet, ApplyMagSign, ResetMethodState). It
// deliberately knows nothing of windows: operations that also touch a window
// return what the window needs and leave the window part to the caller.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/curve.h"
#include "core/kvw_tuning.h"

namespace vantor {

inline constexpr int kMaxPoints = 1000;
// Storage of the resampled arrays (Kwee and van Woerden samples, sliding grid).
inline constexpr int kMaxSamples = 2000;

using PointArray = std::array<double, kMaxPoints + 1>;
using SampleArray = std::array<double, kMaxSamples + 1>;
using FlagArray = std::array<int16_t, kMaxPoints + 1>;

struct Store {
  // --- File identity -------------------------------------------------------
  std::string DataDir;
  std::string DataFileName;  // empty: no light curve loaded
  std::string DataFilePath;

  // --- Observations as read ------------------------------------------------
  PointArray HjdRaw{};
  PointArray MagRaw{};
  int16_t NPointsAll = 0;
  double HjdBase = 0.0;

  // --- All-points arrays (1..NPointsAll) ------------------------------------
  PointArray RelTimeAll{};
  PointArray MagAll{};
  FlagArray Deleted{};  // 0 kept, -1 deleted

  // --- Working arrays of the kept points (1..NPoints) -----------------------
  PointArray RelTime{};
  PointArray Mag{};
  int16_t NPoints = 0;

  // --- Sign convention ------------------------------------------------------
  int16_t MagSign = 1;  // +1 "+Mags (V-C)", -1 "--Mags (C-V)"

  // --- Plot limits and landmarks --------------------------------------------
  double TMin = 0.0, TMax = 0.0, TRange = 0.0;
  double MagMin = 0.0, MagMax = 0.0, MagRange = 0.0;
  int16_t BrightIdx = 0, FaintIdx = 0, InnerExtremeIdx = 0;
  double EditTMin = 0.0, EditTMax = 0.0, EditTRange = 0.0;
  double EditMagMin = 0.0, EditMagMax = 0.0, EditMagRange = 0.0;
  int16_t EditBrightIdx = 0, EditFaintIdx = 0;
  double FoldTime = 0.0;
  int16_t PlotFirst = 0, PlotLast = 0;
  int16_t PickedIdx = 0;

  // --- Plot area of the window drawn last (twips) ---------------------------
  int16_t PlotLeft = 0, PlotRight = 0, PlotTop = 0, PlotBottom = 0;
  int16_t PlotWidth = 0, PlotHeight = 0;

  // --- Fourier-fit starting values -------------------------------------------
  // 1 Xo, 2 C, 3 W, 4..8 A1..A5: the reader's starting values, those typed and
  // taken with "Update", or the parameters of the fit standing. The solver's
  // values and the model curve are the Fourier window's (methods/fourier.h).
  std::array<double, 9> FitParam{};

  // --- Precision of the result boxes -----------------------------------------
  // Decimals of a day every time, error and mean is shown with: 5 (as the
  // program has always shown them), 6 or 7. Kept across light curves.
  int ResultDecimals = 5;
  // "Weights from bootstrap errors": "Calc. Means" weights the rows by their
  // bootstrap errors instead of their own. Off unless chosen; kept across
  // light curves, like the precision.
  bool BootstrapWeights = false;

  // --- Window geometry records (twips) ---------------------------------------
  // The parabola, chords and Kwee and van Woerden windows are a little wider
  // than the 7200 twips they once had, so that "Done" and the "Frac" box lie
  // inside the window at its default size.
  int16_t Plott1Left = 8100, Plott1Top = 5600, Plott1Width = 8100, Plott1Height = 5400;
  int16_t Plott2Left = 8100, Plott2Top = 3900, Plott2Width = 7200, Plott2Height = 7200;
  int16_t Plott3Left = 8100, Plott3Top = 5600, Plott3Width = 7800, Plott3Height = 5400;
  int16_t Plott4Left = 8100, Plott4Top = 5600, Plott4Width = 8100, Plott4Height = 5400;
  int16_t Plott5Left = 6500, Plott5Top = 4600, Plott5Width = 8800, Plott5Height = 6500;
  int16_t Spare6Left = 8100, Spare6Top = 5600, Spare6Width = 7200, Spare6Height = 5400;
  int16_t PlotDataLeft = 8100, PlotDataTop = 1500, PlotDataWidth = 6675, PlotDataHeight = 4245;
  bool Plott1Loading = false, Plott2Loading = false, Plott3Loading = false;
  bool Plott4Loading = false, Plott5Loading = false, PlotDataLoading = false;

  // --- Parabolic fit window --------------------------------------------------
  int16_t ParLeftIdx = 0, ParRightIdx = 0;
  bool ParLeftSet = false, ParRightSet = false, ParRangeSet = false, ParFitted = false;
  double ParLeftX = 0.0, ParRightX = 0.0;
  double ParLeftT = 0.0, ParRightT = 0.0;
  double ParA0 = 0.0, ParA1 = 0.0, ParA2 = 0.0;
  double ParSigA1 = 0.0, ParSigA2 = 0.0;
  PointArray ParCurveT{}, ParCurveMag{};  // cells 0..100 used

  // --- Tracing paper window --------------------------------------------------
  double FoldView = 0.0;
  double FoldSpan = 0.0;
  PointArray SmoothMag{};
  int16_t SmoothLevel = 1;

  // --- Bisectors of chords window ------------------------------------------
  int16_t ChordIdx1 = 0, ChordIdx2 = 0, ChordIdx3 = 0, ChordIdx4 = 0;
  int16_t ChordLeftState = 0, ChordRightState = 0;
  bool ChordRangeSet = false, ChordFitted = false;
  double ChordT1 = 0.0, ChordT2 = 0.0, ChordT3 = 0.0, ChordT4 = 0.0;

  // --- Kwee and van Woerden window -------------------------------------------
  int16_t KvwLeftIdx = 0, KvwRightIdx = 0;
  bool KvwLeftSet = false, KvwRightSet = false, KvwRangeSet = false, KvwFitted = false;
  double KvwLeftT = 0.0, KvwRightT = 0.0;
  double KvwLeftX = 0.0, KvwRightX = 0.0;
  SampleArray KvwT{}, KvwMag{};  // the samples of the last fit, cells 0..2M used
  KvwTuning KvwBoxes;            // the "Stepp" and "Frac" boxes, kept as they are typed

  // --- Fourier fit window ----------------------------------------------------
  int16_t FourierLeftIdx = 0, FourierRightIdx = 0;
  bool FourierLeftSet = false, FourierRightSet = false, FourierRangeSet = false;
  bool ExcludeMode = false;
  int16_t ExclLeftIdx = 0, ExclRightIdx = 0;
  bool FourierFitDone = false;
  bool ParamsFromBoxes = false;
  std::array<double, 4> MarkX{}, MarkT{};

  bool operator==(const Store&) const = default;

  // The working set (RelTime, Mag, 1..NPoints) with its limits and HjdBase,
  // as the methods take it. The view reads the store's arrays: it is valid
  // while the store lives and its working set is not rebuilt.
  operator CurveView() const;
};

// Recomputes TMin..MagRange, BrightIdx, FaintIdx and InnerExtremeIdx from the
// working arrays. Strict comparisons: among equal values the first one wins.
// With NPoints = 0 the limits come from the sentinels alone and the three
// indices keep their values.
void ComputeRanges(Store& s);

// Rebuilds RelTime, Mag and NPoints from the all-points arrays and Deleted.
// Returns the new NPoints; the caller shows it in the main window's Label18.
int16_t RebuildWorkingSet(Store& s);

// Applies the sign convention of option index (0 "+Mags (V-C)", 1 "--Mags
// (C-V)"): signs every magnitude afresh from MagRaw, rebuilds the working set
// and the limits, refreshes the Edit copies and FoldTime. Keeps deletions.
// Returns the new NPoints for Label18.
int16_t ApplyMagSign(Store& s, int index);

// Copies the eight limit and landmark fields into their Edit copies.
void CopyLimitsToEdit(Store& s);

// Forgets what the method windows were doing with the previous light curve:
// no range or fit in the parabola, chords, Kwee-van Woerden and Fourier
// windows (ParLeftSet ... ParFitted, ChordLeftState and ChordRightState 0,
// ChordRangeSet, ChordFitted, KvwLeftSet ... KvwFitted, FourierLeftSet,
// FourierRightSet, FourierRangeSet, FourierFitDone all false), the Fourier
// starting values not taken from the boxes (ParamsFromBoxes false), and the
// tracing paper's smoothing at 1. The reader runs it on every accepted file,
// the main window at start-up. Indices, the interval to exclude and its mode,
// and the fit's values are left as they are.
void ResetMethodState(Store& s);


// Lays out the tracing paper's time axis around FoldTime: FoldView = FoldTime
// kept inside TMin..TMax (left of TMin: TMin + 0.1 (TMax - TMin); right of TMax:
// TMax - 0.1 (TMax - TMin)), and FoldSpan = (FoldView - RelTime(1)) + 0.2 (TMax - TMin).
void ComputeFoldLayout(Store& s);



}  // namespace vantor
