#include "cli/session.h"

#include <charconv>
#include <filesystem>

#include "core/reader.h"
#include "core/textfile.h"

namespace vantor::cli {

std::expected<void, Error> LoadSession(const SessionOptions& options, Store& store) {
  const std::filesystem::path path(options.file);
  store.DataDir = path.parent_path().string();
  store.DataFileName = path.filename().string();
  store.DataFilePath = options.file;
  if (const auto read = ReadLightCurve(store); !read) {
    // The program's message sends the user to its Help menu, which the
    // command line does not have.
    if (read.error().message == kNotCsvMessage) {
      return Refuse("Line 2 holds no comma. A light curve is a file of "
                    "comma-separated values: HJD, magnitude, one observation a line (see "
                    "\"Input file\" in the README).",
                    2);
    }
    return std::unexpected(read.error());
  }
  if (options.cv) ApplyMagSign(store, 1);
  for (const int i : options.deletions) {
    if (i < 1 || i > store.NPointsAll) {
      return Refuse("--delete: point " + std::to_string(i) + " does not exist (the file has " +
                    std::to_string(store.NPointsAll) + " points).");
    }
    if (store.Deleted[i] == 0 && store.NPoints == 1) {
      return Refuse("--delete: point " + std::to_string(i) +
                    " is the last point kept; at least one point must remain.");
    }
    store.PickedIdx = static_cast<int16_t>(i);
    store.Deleted[i] = -1;
    RebuildWorkingSet(store);
    ComputeRanges(store);
  }
  return {};
}

bool ParseIndexList(const std::string& text, std::vector<int>& out) {
  out.clear();
  for (const std::string_view raw : SplitFields(text)) {
    const std::string_view f = TrimBlanks(raw);
    int v = 0;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc() || end != f.data() + f.size()) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace vantor::cli
