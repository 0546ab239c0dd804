// frmBootstrap: the window of the main window's Tools > "Bootstrap errors...":
// one line per result row of the main window, with the method's own error
// beside its error from resampled light curves and how many of those curves
// gave a time, or why there is no bootstrap error. The errors come from
// methods/bootstrap.h through the main window; this window only shows them.
#pragma once

#include <QLabel>
#include <QString>
#include <QTableWidget>
#include <cstdint>
#include <vector>

#include "methods/bootstrap.h"
#include "toolkit/form.h"

namespace vantor {

// Resampled light curves per method when the main window's entry runs.
inline constexpr int kBootstrapMenuRuns = kBootstrapDefaultRuns;

// One line of the table.
struct BootstrapLine {
  QString method;          // the row's title, "1. Parabolic Fit" ...
  QString ownError;        // the error the row shows
  QString bootstrapError;  // empty when there is none
  QString delivered;       // "198 of 200", empty when there is no bootstrap error
  QString note;            // the smooth model used, or why there is no bootstrap error
};

class FrmBootstrap : public Form {
  Q_OBJECT

 public:
  // Builds the window (hidden) with an empty table.
  explicit FrmBootstrap(QWidget* parent = nullptr);

  // Fills the table with `lines` and the caption above it with the number of
  // resampled curves and the seed.
  void ShowLines(const std::vector<BootstrapLine>& lines, int runs, uint64_t seed);

  QLabel* Label1;
  QTableWidget* Table1;
};

}  // namespace vantor
