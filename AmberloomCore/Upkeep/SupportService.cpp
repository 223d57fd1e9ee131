#include "Upkeep/SupportService.hpp"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "Platform/MachineIdentity.hpp"
#include "Support/CanonicalText.hpp"

namespace amberloom {
namespace fs = std::filesystem;

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

// The characters an address may keep as they are in a mail link: the unreserved ones and the
// delimiters that carry no meaning there.
bool isAddressCharacter(unsigned char c) {
  return isUnreserved(c) || std::string_view("!$'()*+,;:@").find(static_cast<char>(c)) != std::string_view::npos;
}

template <typename Keep>
std::string percentEncoded(const std::string& text, Keep keep) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (keep(c)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 0x0F]);
    }
  }
  return out;
}

}  // namespace

SupportService::SupportService(std::string address, std::string appVersion, std::string osVersion,
                               std::string osBuild, std::string model, const std::string& homeDirectory)
    : address_(std::move(address)), appVersion_(std::move(appVersion)), osVersion_(std::move(osVersion)),
      osBuild_(std::move(osBuild)), model_(std::move(model)),
      crashFolder_(homeDirectory + "/Library/Logs/DiagnosticReports") {}

std::string SupportService::hardwareModel() noexcept { return wellFormedText(platform::hardwareModel()); }

SupportService::Report SupportService::report(const std::string& note) const {
  Report report;
  report.subject = "AmberLoom " + appVersion_ + " \u2014 support";
  report.body = note + "\n\n---\nPlease keep the lines below; they say which build you are on.\n\nAmberLoom: " +
                appVersion_ + "\nmacOS: " + osVersion_ + " (" + osBuild_ + ")\nMac: " + model_;
  report.crashReportPath = lastCrashReport();
  return report;
}

std::optional<std::string> SupportService::mailtoURL(const Report& report) const {
  return "mailto:" + percentEncoded(address_, isAddressCharacter) +
         "?subject=" + percentEncoded(report.subject, isUnreserved) +
         "&body=" + percentEncoded(report.body, isUnreserved);
}

std::optional<std::string> SupportService::lastCrashReport() const {
  struct Candidate {
    std::string path;
    fs::file_time_type modified;
  };
  std::vector<Candidate> candidates;
  std::error_code ec;
  for (fs::directory_iterator it(crashFolder_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code entryError;
    if (!it->path().filename().string().starts_with("AmberLoom") || !it->is_regular_file(entryError)) continue;
    auto modified = fs::last_write_time(it->path(), entryError);
    candidates.push_back({it->path().string(), entryError ? fs::file_time_type::min() : modified});
  }
  if (ec) return std::nullopt;

  // Name order makes the choice among equal times the same on every run.
  std::sort(candidates.begin(), candidates.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
  const Candidate* newest = nullptr;
  for (const auto& candidate : candidates)
    if (!newest || candidate.modified > newest->modified) newest = &candidate;
  if (!newest) return std::nullopt;
  return newest->path;
}

}  // namespace amberloom
