// A light curve loaded for timing outside the desktop, of any length: the
// file read as the open window reads it (sign +1), then the "--Mags (C-V)"
// option, then point-editor deletions, each by the rules the desktop's store
// follows, so that the working curve holds the same numbers the store would.
// The command line's info, time, batch and series and the Python module load
// through here; nothing here prints.
#pragma once

#include <array>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "core/curve.h"
#include "core/error.h"
#include "core/reader.h"
#include "import/time_scale.h"
#include "service/import_options.h"

namespace vantor::service {

struct SessionOptions {
  std::string file;
  bool cv = false;
  std::vector<int> deletions;  // all-points indices, 1-based
  ImportChoice import;         // other layouts, time scales, interval
};

// What a load found out beyond the light curve: the time scale of its times
// and, for a file read by the importer, what the importer reported.
struct LoadReport {
  import::TimeScale timeScale = import::TimeScale::Unknown;
  bool imported = false;
  std::string format;               // "vantor", "table", "aavso", ...
  std::vector<std::string> notes;   // the importer's sentences
};

// One loaded light curve. The arrays are 1-based as the store's are (cell 0
// unused); the names are the store's.
struct Session {
  std::string DataFilePath;            // the file as given ("" for arrays)
  std::vector<double> HjdRaw{0.0};     // every observation as read, 1..NPointsAll()
  std::vector<double> MagRaw{0.0};
  std::vector<double> RelTimeAll{0.0}; // their times relative to HjdBase()
  std::vector<char> Deleted{0};        // 1: deleted in the point editor
  int MagSign = 1;                     // +1 "+Mags (V-C)", -1 "--Mags (C-V)"
  double FoldTime = 0.0;               // the tracing paper's starting fold, relative days
  std::array<double, 9> FitParam{};    // the Fourier fit's starting values (1 Xo .. 8 A5)
  Curve Working;                       // the kept points, signed, relative to its HjdBase
  LoadReport report;

  int NPointsAll() const { return static_cast<int>(HjdRaw.size()) - 1; }
  int NPoints() const { return Working.NPoints(); }
  double HjdBase() const { return Working.HjdBase; }
  // The file's name without its folder.
  std::string DataFileName() const;
  // The working set with its limits and every point's time, as the methods
  // take it; valid while the session lives and is not edited.
  CurveView View() const;
};

// Loads the file of `options` with its edits. Without import options a file
// the original reader accepts is read by it alone (of any length); a file it
// refuses goes to the importer. With import options the importer reads the
// file. On failure returns the message for the user.
std::expected<Session, Error> LoadSession(const SessionOptions& options);

// A session of observations that come from a program (times and magnitudes
// in time order), loaded as a file of those numbers would be; `file` names
// them in the results. Refuses what the reader would refuse, in the words the
// importer's series gets.
std::expected<Session, Error> SessionOfArrays(std::span<const double> hjd,
                                              std::span<const double> mag, std::string file);

// The edits of `options` on a loaded session: the "--Mags (C-V)" sign
// convention, then the deletions, as LoadSession makes them after loading. A
// deletion of a point that does not exist or of the last point kept is
// refused.
std::expected<void, Error> ApplySessionEdits(const SessionOptions& options, Session& session);

}  // namespace vantor::service
