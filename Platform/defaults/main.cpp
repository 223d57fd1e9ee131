// The `defaults` command of this platform: reads, writes, deletes and exports preference domains
// through the same preference files the application uses, so that another process can confirm
// what the application wrote and an exported script can be run. Every misuse exits 1 with one
// line on standard error; so does a key or a text that is not well-formed UTF-8, which could not be
// stored exactly.

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "Platform/HomeDirectory.hpp"
#include "Platform/MachineIdentity.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/PreferenceFiles.hpp"
#include "Platform/TextEncoding.hpp"

using namespace amberloom::platform;

namespace {

constexpr const char* kUsage =
    "usage: defaults [-currentHost] (export <domain> - | read <domain> [<key>] | "
    "write <domain> <key> (-bool|-int|-float|-string) <value> | delete <domain> [<key>])";

// The message on one line: control characters from the arguments are shown escaped, and so is
// every byte of 0x80 and above when the message is not well-formed text.
int fail(const std::string& message) {
  std::string line = "defaults: ";
  const bool wellFormed = isValidUtf8(message);
  for (unsigned char c : message) {
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && !wellFormed)) {
      static const char hex[] = "0123456789abcdef";
      line += "\\x";
      line.push_back(hex[c >> 4]);
      line.push_back(hex[c & 15]);
    } else {
      line.push_back(static_cast<char>(c));
    }
  }
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  return 1;
}

// Standard output through stdio: the command starts with every read-back, and the iostream objects
// would add their initialisation to each start.
bool writeOut(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

std::string applicationID(std::string domain) {
  if (domain == "-g" || domain == "-globalDomain" || domain == "NSGlobalDomain") return kAnyApplicationID;
  if (!domain.empty() && domain.front() == '/' && domain.size() > 6 &&
      domain.compare(domain.size() - 6, 6, ".plist") == 0)
    domain.resize(domain.size() - 6);
  return domain;
}

std::string realText(double v) {
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
  return std::string(buffer, end);
}

std::string quoted(const std::string& text) {
  bool plain = !text.empty();
  for (unsigned char c : text)
    if (!(std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '/')) plain = false;
  if (plain) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

// The old-style text `defaults read` prints.
void describe(std::string& out, const PlistObject& object, int indent, bool nested) {
  const std::string pad(static_cast<std::size_t>(indent) * 4, ' ');
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, bool>) out += v ? "1" : "0";
        else if constexpr (std::is_same_v<T, std::int64_t>) out += std::to_string(v);
        else if constexpr (std::is_same_v<T, double>) out += realText(v);
        else if constexpr (std::is_same_v<T, std::string>) out += nested ? quoted(v) : v;
        else if constexpr (std::is_same_v<T, PlistData>) {
          static const char hex[] = "0123456789abcdef";
          out += "{length = " + std::to_string(v.size()) + ", bytes = 0x";
          for (auto b : v) {
            out.push_back(hex[b >> 4]);
            out.push_back(hex[b & 15]);
          }
          out += "}";
        } else if constexpr (std::is_same_v<T, PlistDate>) {
          const double unixSeconds = std::floor(v.secondsSinceReferenceDate + 978307200.0);
          if (!(std::fabs(unixSeconds) < 1e15)) {  // beyond any calendar: the seconds themselves
            out += realText(v.secondsSinceReferenceDate) + " seconds after 2001-01-01 00:00:00 +0000";
            return;
          }
          const auto unix = static_cast<std::time_t>(unixSeconds);
          std::tm parts{};
          gmtime_r(&unix, &parts);
          char buffer[40];
          std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts);
          out += buffer;
        } else if constexpr (std::is_same_v<T, PlistDictionary>) {
          out += "{\n";
          for (const auto& [key, member] : v) {
            out += pad + "    " + quoted(key) + " = ";
            describe(out, member, indent + 1, true);
            out += ";\n";
          }
          out += pad + "}";
        } else if constexpr (std::is_same_v<T, PlistArray>) {
          out += "(\n";
          for (std::size_t i = 0; i < v.size(); ++i) {
            out += pad + "    ";
            describe(out, v[i], indent + 1, true);
            out += i + 1 < v.size() ? ",\n" : "\n";
          }
          out += pad + ")";
        } else if (v.kind == "uint64" || v.kind == "uid") {
          out += std::to_string(v.value);
        } else if (v.kind == "set") {
          // Its members as a list, in the braces that tell a set from an array.
          auto members = parseBinaryPropertyList(v.bytes);
          out += "{";
          describe(out, members ? *members : PlistObject(PlistArray{}), indent, true);
          out += "}";
        } else {
          out += "<" + v.kind + ">";
        }
      },
      object.value);
}

std::optional<PlistObject> typedValue(const std::string& type, const std::string& text) {
  if (type == "-bool" || type == "-boolean") {
    std::string lower;
    for (char c : text) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (lower == "true" || lower == "yes" || lower == "1") return PlistObject(true);
    if (lower == "false" || lower == "no" || lower == "0") return PlistObject(false);
    return std::nullopt;
  }
  // A number takes one sign at most: "+5" is 5, "+-5" no number.
  const char* end = text.data() + text.size();
  const char* start = text.data() + (text.starts_with('+') && !text.starts_with("+-") ? 1 : 0);
  if (type == "-int" || type == "-integer") {
    std::int64_t v = 0;
    auto [ptr, ec] = std::from_chars(start, end, v);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return PlistObject(v);
  }
  if (type == "-float") {
    double v = 0;
    auto [ptr, ec] = std::from_chars(start, end, v);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) return std::nullopt;
    return PlistObject(v);
  }
  if (type == "-string") return PlistObject(text);
  return std::nullopt;
}

int run(std::vector<std::string> args) {
  bool currentHost = false;
  if (!args.empty() && args.front() == "-currentHost") {
    currentHost = true;
    args.erase(args.begin());
  }
  if (args.size() < 2) return fail(kUsage);
  const std::string command = args[0];
  const std::string domainName = args[1];
  const std::string domain = applicationID(domainName);
  // The machine's UUID is read only when a by-host file is named with it.
  const PreferenceFiles files(homeDirectory(), currentHost ? hostUUID() : std::string());
  if (!files.filePath(domain, currentHost)) return fail("refused domain " + domainName);

  // Raw keys are how a file's ill-formed keys are kept; a key given here is text or nothing.
  if (args.size() > 2 && (command == "read" || command == "write" || command == "delete") && !isValidUtf8(args[2]))
    return fail("refused key: not well-formed UTF-8 text");

  if (command == "export") {
    if (args.size() != 3 || args[2] != "-") return fail("export writes only to standard output: export <domain> -");
    auto dictionary = files.readDomain(domain, currentHost);
    if (!dictionary) return fail("cannot read domain " + domainName);
    try {
      // A domain holding a member XML cannot carry is exported in the binary form, so that a reader
      // sees every member as stored rather than a domain without it.
      const PlistObject domainObject(std::move(*dictionary));
      const auto xml = completeXmlPropertyList(domainObject);
      return writeOut(xml ? *xml : binaryPropertyList(domainObject)) ? 0 : 1;
    } catch (const PlistEncodingError& error) {
      return fail("cannot export domain " + domainName + ": " + error.what());
    }
  }
  if (command == "read") {
    if (args.size() > 3) return fail(kUsage);
    const auto dictionary = files.readDomain(domain, currentHost);
    if (!dictionary) return fail("cannot read domain " + domainName);
    std::string out;
    if (args.size() == 3) {
      const auto found = dictionary->find(args[2]);
      if (found == dictionary->end())
        return fail("the domain/default pair of (" + domainName + ", " + args[2] + ") does not exist");
      describe(out, found->second, 0, false);
    } else {
      if (dictionary->empty()) return fail("domain " + domainName + " does not exist");
      describe(out, PlistObject(*dictionary), 0, false);
    }
    out.push_back('\n');
    return writeOut(out) ? 0 : 1;
  }
  try {
    if (command == "write") {
      if (args.size() != 5) return fail(kUsage);
      if (!isValidUtf8(args[4])) return fail("refused value: not well-formed UTF-8 text");
      const auto value = typedValue(args[3], args[4]);
      if (!value) return fail("cannot write \"" + args[4] + "\" as " + args[3]);
      files.setValue(args[2], value, domain, currentHost);
      return 0;
    }
    if (command == "delete") {
      if (args.size() == 2) {
        struct stat info {};
        if (::lstat(files.filePath(domain, currentHost)->c_str(), &info) != 0 && errno == ENOENT)
          return fail("domain " + domainName + " does not exist");
        files.removeDomain(domain, currentHost);
        return 0;
      }
      if (args.size() != 3) return fail(kUsage);
      const auto dictionary = files.readDomain(domain, currentHost);
      if (!dictionary) return fail("cannot read domain " + domainName);
      if (!dictionary->contains(args[2]))
        return fail("the domain/default pair of (" + domainName + ", " + args[2] + ") does not exist");
      files.setValue(args[2], std::nullopt, domain, currentHost);
      return 0;
    }
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  return fail(kUsage);
}

}  // namespace

int main(int argc, char** argv) {
  return run(std::vector<std::string>(argv + 1, argv + argc));
}
