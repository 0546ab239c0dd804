// Checking the importer's options of the command line and the Python module.
#include "service/import_options.h"

#include <charconv>
#include <cmath>

#include "core/number.h"
#include "import/time_scale.h"

namespace vantor::service {
namespace {

std::expected<std::optional<double>, Error> ParseJd(const std::string& text, const char* option) {
  if (text.empty()) return std::optional<double>();
  const auto v = ParseNumber(text);
  if (!v) {
    return Refuse(std::string(option) + " expects a full Julian Date such as 2459812.35, not \"" +
                  text + "\"");
  }
  return std::optional<double>(*v);
}

}  // namespace

bool ImportChoice::Any() const {
  return format != "auto" || !timeCol.empty() || !magCol.empty() || !fluxCol.empty() ||
         !errCol.empty() || !star.empty() || !filter.empty() || !timeScale.empty() ||
         !to.empty() || !ra.empty() || !dec.empty() || !from.empty() || !until.empty();
}

std::expected<ImportPlan, Error> ParseImportChoice(const ImportChoice& c) {
  ImportPlan p;
  const auto format = import::ParseFormat(c.format);
  if (!format) {
    return Refuse("--format \"" + c.format +
                  "\": choose auto, vantor, table, aavso, aij, munipack or fits");
  }
  p.options.format = *format;
  if (!c.magCol.empty() && !c.fluxCol.empty()) return Refuse("--mag-col and --flux-col: choose one");
  p.options.timeCol = c.timeCol;
  p.options.magCol = c.magCol;
  p.options.fluxCol = c.fluxCol;
  p.options.errCol = c.errCol;
  p.options.star = c.star;
  p.options.filter = c.filter;
  if (!c.timeScale.empty()) {
    const auto s = import::ParseTimeScale(c.timeScale);
    if (!s) return Refuse("--time-scale \"" + c.timeScale + "\": choose jd-utc, hjd-utc, bjd-tdb or unknown");
    p.options.timeScale = *s;
  }
  if (!c.to.empty()) {
    const auto s = import::ParseTimeScale(c.to);
    if (!s || *s == import::TimeScale::Unknown) {
      return Refuse("--to \"" + c.to + "\": choose hjd-utc, bjd-tdb or jd-utc");
    }
    p.to = *s;
  }
  if (c.ra.empty() != c.dec.empty()) return Refuse("--ra and --dec go together: give both");
  if (!c.ra.empty()) {
    const auto ra = import::ParseRightAscension(c.ra);
    if (!ra) return Refuse("--ra: " + ra.error().message);
    const auto dec = import::ParseDeclination(c.dec);
    if (!dec) return Refuse("--dec: " + dec.error().message);
    p.star = import::SkyPosition{*ra, *dec};
  }
  const auto from = ParseJd(c.from, "--from");
  if (!from) return std::unexpected(from.error());
  const auto until = ParseJd(c.until, "--until");
  if (!until) return std::unexpected(until.error());
  p.interval.from = *from;
  p.interval.until = *until;
  // A file too long to read whole is read around the interval only; the
  // margin covers a conversion (--to moves a time by less than 0.01 day),
  // and the interval itself is applied exactly when the series is loaded.
  constexpr double kKeepMarginDays = 0.02;
  if (*from) p.options.keepFrom = **from - kKeepMarginDays;
  if (*until) p.options.keepUntil = **until + kKeepMarginDays;
  return p;
}

}  // namespace vantor::service
