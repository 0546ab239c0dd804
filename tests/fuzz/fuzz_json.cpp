// Fuzz target of the JSON output of `vantor-cli time` and `vantor-cli batch`:
// the first line of the input is the file name (any bytes), the rest the
// light curve. The curve is timed as batch times it (tracing paper, sliding
// integrations, combined) and, when the name's first byte is odd, also by the
// automatic ranges; a curve the reader refuses gives batch's refusal object,
// whose message quotes the file's own bytes. Every output must be produced
// without an exception and read back as JSON, with the name kept exactly
// when it is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "cli/json_out.h"
#include "core/reader.h"
#include "fuzz_check.h"
#include "service/session.h"
#include "service/time_service.h"

namespace {

using Json = nlohmann::ordered_json;

bool IsValidUtf8(const std::string& text) {
  try {
    (void)Json(text).dump();
    return true;
  } catch (const Json::type_error&) {
    return false;
  }
}

// Dumps `j` as the commands do and reads it back.
Json RoundTrip(const Json& j) {
  std::string text;
  try {
    text = vantor::cli::DumpJson(j);
  } catch (...) {
    FUZZ_CHECK(!"DumpJson threw");
  }
  FUZZ_CHECK(Json::accept(text));
  return Json::parse(text);
}

void CheckName(const Json& j, const std::string& name) {
  FUZZ_CHECK(j["file"].is_string());
  if (IsValidUtf8(name)) FUZZ_CHECK(j["file"].get<std::string>() == name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nl = input.find('\n');
  const std::string name(input.substr(0, nl));
  const std::string_view text = nl == std::string_view::npos ? "" : input.substr(nl + 1);

  namespace service = vantor::service;
  const auto read = vantor::ReadObservationsText(text, vantor::kAnyLength);
  if (!read) {
    service::BatchFileResult refused;
    refused.failed = true;
    refused.error = read.error().message;
    const Json j = RoundTrip(Json::array({vantor::cli::BatchFileJson(name, refused)}));
    CheckName(j[0], name);
    return 0;
  }
  auto s = service::SessionOfArrays(read->hjd, read->mag, name);
  FUZZ_CHECK(s.has_value());

  service::TimePlan plan;
  plan.tracing = plan.sliding = true;
  service::TimeRequest request;
  request.setups = service::PlannedSetups(*s, plan);
  request.automatic = !name.empty() && (static_cast<unsigned char>(name[0]) & 1) != 0;
  request.combine = true;
  const service::TimeOutcome outcome = service::RunTime(s->View(), request);

  const Json t = RoundTrip(vantor::cli::TimeJson(name, s->HjdBase(), outcome));
  CheckName(t, name);
  FUZZ_CHECK(t["results"].size() == outcome.rows.size());
  service::BatchFileResult batch;
  batch.hjdBase = s->HjdBase();
  batch.rows = outcome.rows;
  batch.combination = *outcome.combination;
  const Json b = RoundTrip(Json::array({vantor::cli::BatchFileJson(name, batch)}));
  CheckName(b[0], name);
  FUZZ_CHECK(b[0]["results"].size() == outcome.rows.size());
  return 0;
}
