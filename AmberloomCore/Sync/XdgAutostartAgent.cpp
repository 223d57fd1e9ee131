#include "Sync/XdgAutostartAgent.hpp"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string_view>

#include "Account/AccountClient.hpp"
#include "Platform/AtomicFile.hpp"
#include "Platform/HomeDirectory.hpp"
#include "Platform/PlistCoding.hpp"
#include "Platform/ProcessRunner.hpp"

// Generated from AmberloomCore/Resources at configure time.
std::optional<std::string_view> amberloomCoreResource(const std::string& name);

namespace amberloom {
namespace {

constexpr std::string_view kPlistSuffix = ".plist";
constexpr std::string_view kGroup = "[Desktop Entry]";

struct AgentDefinition {
  std::string label;
  std::string name;                     // the program's name, shown by the session's settings
  std::vector<std::string> arguments;   // after the program
};

// The built-in property list's label and command line; none when it is missing or lacks either.
std::optional<AgentDefinition> loadDefinition(const std::string& plistName) {
  if (plistName.size() <= kPlistSuffix.size() || !plistName.ends_with(kPlistSuffix)) return std::nullopt;
  const auto bytes = amberloomCoreResource(plistName.substr(0, plistName.size() - kPlistSuffix.size()));
  if (!bytes) return std::nullopt;
  const auto plist = platform::parsePropertyList(*bytes);
  const auto* root = plist ? plist->getIf<platform::PlistDictionary>() : nullptr;
  if (!root) return std::nullopt;
  const auto label = root->find("Label");
  const auto program = root->find("ProgramArguments");
  if (label == root->end() || program == root->end()) return std::nullopt;
  const auto* labelText = label->second.getIf<std::string>();
  const auto* commandLine = program->second.getIf<platform::PlistArray>();
  if (!labelText || labelText->empty() || labelText->find('/') != std::string::npos || !commandLine ||
      commandLine->empty())
    return std::nullopt;
  AgentDefinition definition{*labelText, {}, {}};
  for (const auto& element : *commandLine) {
    const auto* text = element.getIf<std::string>();
    if (!text) return std::nullopt;
    definition.arguments.push_back(*text);
  }
  definition.name = definition.arguments.front();
  definition.arguments.erase(definition.arguments.begin());
  if (definition.name.empty()) return std::nullopt;
  return definition;
}

// Undoes the escapes every desktop-entry string value may carry; an unknown escape is kept as
// written, so that the quoting of "Exec" sees it.
std::string unescapeValue(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (const char next = value[++i]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default: out += '\\'; out += next;
    }
  }
  return out;
}

std::string escapeValue(std::string_view value) {
  std::string out;
  for (const char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The keys of the "[Desktop Entry]" group (the first value of a key repeated); none when the file
// does not begin with that group.
std::optional<std::map<std::string, std::string>> readEntry(const std::string& bytes) {
  std::map<std::string, std::string> keys;
  bool inGroup = false;
  std::size_t start = 0;
  while (start <= bytes.size()) {
    auto end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const auto line = trim(std::string_view(bytes).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      if (inGroup) break;
      if (line != kGroup) return std::nullopt;
      inGroup = true;
      continue;
    }
    if (!inGroup) return std::nullopt;
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    keys.emplace(std::string(trim(line.substr(0, equals))), std::string(trim(line.substr(equals + 1))));
  }
  if (!inGroup) return std::nullopt;
  return keys;
}

bool isReserved(char c) { return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos; }

// Whether `program` names an executable file, directly or through PATH as the session would find it.
bool isExecutable(const std::string& program) {
  if (program.find('/') != std::string::npos) return platform::isExecutableFile(program);
  const char* path = std::getenv("PATH");
  std::string_view folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const auto colon = folders.find(':');
    const auto folder = folders.substr(0, colon);
    if (!folder.empty() && !program.empty() && platform::isExecutableFile(std::string(folder) + "/" + program))
      return true;
    if (colon == std::string_view::npos) return false;
    folders.remove_prefix(colon + 1);
  }
}

// The variables the application hands its run at login.
constexpr std::string_view kCarriedVariables[] = {"AMBERLOOM_ACCOUNT_URL"};

bool isEnvWrapper(const std::vector<std::string>& command) {
  return std::filesystem::path(command[0]).filename() == "env";
}

// The position of the first word after an `env` wrapper's assignments that lie before `end`: 0
// without a wrapper.
std::size_t pastAssignments(const std::vector<std::string>& command, std::size_t end) {
  if (!isEnvWrapper(command)) return 0;
  std::size_t at = 1;
  while (at < end && command[at].find('=') != std::string::npos && !command[at].starts_with('-')) ++at;
  return at;
}

// Whether the words before the agent's arguments start a program that exists: the first word, or
// past an `env` wrapper and its assignments, the program it runs.
bool startsExistingProgram(const std::vector<std::string>& command, std::size_t argumentCount) {
  const std::size_t end = command.size() - argumentCount;
  if (isEnvWrapper(command) && !isExecutable(command[0])) return false;
  const std::size_t at = pastAssignments(command, end);
  return at < end && isExecutable(command[at]);
}

}  // namespace

std::optional<std::vector<std::string>> splitDesktopExec(const std::string& value) {
  const std::string text = unescapeValue(value);
  std::vector<std::string> words;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) break;
    std::string word;
    if (text[i] == '"') {
      for (++i;; ++i) {
        if (i == text.size()) return std::nullopt;
        if (text[i] == '"') break;
        if (text[i] == '\\') {
          if (++i == text.size() || std::string_view("\"`$\\").find(text[i]) == std::string_view::npos)
            return std::nullopt;
        }
        word += text[i];
      }
      ++i;
      if (i < text.size() && text[i] != ' ' && text[i] != '\t') return std::nullopt;
    } else {
      while (i < text.size() && text[i] != ' ' && text[i] != '\t') {
        if (text[i] == '"' || text[i] == '\\') return std::nullopt;
        word += text[i++];
      }
    }
    std::string literal;
    for (std::size_t k = 0; k < word.size(); ++k) {
      if (word[k] != '%') {
        literal += word[k];
      } else if (k + 1 < word.size() && word[k + 1] == '%') {
        literal += '%';
        ++k;
      } else {
        return std::nullopt;  // a field code: the entry expects files to be handed to it
      }
    }
    words.push_back(std::move(literal));
  }
  return words;
}

std::string joinDesktopExec(const std::vector<std::string>& commandLine) {
  std::string exec;
  for (const auto& word : commandLine) {
    if (!exec.empty()) exec += ' ';
    std::string quoted;
    bool needsQuotes = word.empty();
    for (const char c : word) {
      needsQuotes = needsQuotes || isReserved(c);
      if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
      quoted += c;
      if (c == '%') quoted += '%';
    }
    exec += needsQuotes ? "\"" + quoted + "\"" : quoted;
  }
  return escapeValue(exec);
}

XdgAutostartAgent::Environment XdgAutostartAgent::carriedEnvironment() {
  if (const auto base = AccountClient::localServerBase()) return {{"AMBERLOOM_ACCOUNT_URL", *base}};
  return {};
}

XdgAutostartAgent::XdgAutostartAgent(const std::string& plistName)
    : XdgAutostartAgent(plistName, platform::currentExecutablePath(), platform::homeDirectory(),
                        carriedEnvironment()) {}

XdgAutostartAgent::XdgAutostartAgent(const std::string& plistName, std::string executable, std::string home,
                                     Environment environment)
    : plistName_(plistName), executable_(std::move(executable)), home_(std::move(home)),
      environment_(std::move(environment)) {
  if (auto definition = loadDefinition(plistName)) {
    label_ = definition->label;
    name_ = definition->name;
    arguments_ = std::move(definition->arguments);
  }
}

std::optional<std::string> XdgAutostartAgent::entryPath() const {
  if (!label_) return std::nullopt;
  return home_ + "/.config/autostart/" + *label_ + ".desktop";
}

LaunchAgentStatus XdgAutostartAgent::status() const { return inspect().status; }

bool XdgAutostartAgent::isRegisteredForAnotherSetup() const { return inspect().forAnotherSetup; }

bool XdgAutostartAgent::carriesThisEnvironment(const std::vector<std::string>& command) const {
  std::map<std::string, std::string> carried;
  const std::size_t assignmentsEnd = pastAssignments(command, command.size() - arguments_.size());
  for (std::size_t at = 1; at < assignmentsEnd; ++at) {
    const auto equals = command[at].find('=');
    carried.emplace(command[at].substr(0, equals), command[at].substr(equals + 1));
  }
  const auto valueIn = [](const auto& pairs, const std::string& name) -> std::optional<std::string> {
    for (const auto& [key, value] : pairs)
      if (key == name) return value;
    return std::nullopt;
  };
  std::vector<std::string> names(std::begin(kCarriedVariables), std::end(kCarriedVariables));
  for (const auto& [name, value] : environment_) names.push_back(name);
  return std::all_of(names.begin(), names.end(),
                     [&](const std::string& name) { return valueIn(carried, name) == valueIn(environment_, name); });
}

XdgAutostartAgent::Inspection XdgAutostartAgent::inspect() const {
  const auto path = entryPath();
  if (!path) return {LaunchAgentStatus::notFound};
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(*path, ec))) return {LaunchAgentStatus::notRegistered};
  std::string bytes;
  if (!std::filesystem::is_regular_file(*path, ec) || !platform::readWholeFile(*path, bytes))
    return {LaunchAgentStatus::unrecognised};
  const auto keys = readEntry(bytes);
  if (!keys) return {LaunchAgentStatus::unrecognised};
  const auto value = [&](const std::string& key) -> std::string {
    const auto found = keys->find(key);
    return found == keys->end() ? std::string() : found->second;
  };
  // The entry must start some program with this agent's arguments (a wrapper such as `env` in
  // front is the user's business).
  const auto exec = splitDesktopExec(value("Exec"));
  if (value("Type") != "Application" || !exec || exec->size() <= arguments_.size() ||
      !std::equal(arguments_.rbegin(), arguments_.rend(), exec->rbegin()))
    return {LaunchAgentStatus::unrecognised};
  if (!startsExistingProgram(*exec, arguments_.size())) return {LaunchAgentStatus::notRegistered};
  if (value("Hidden") == "true" || value("X-GNOME-Autostart-enabled") == "false")
    return {LaunchAgentStatus::requiresApproval};
  // Written while the application reached another account server: the run would go there.
  if (!carriesThisEnvironment(*exec)) return {LaunchAgentStatus::notRegistered, true};
  return {LaunchAgentStatus::enabled};
}

void XdgAutostartAgent::registerAgent() {
  const auto path = entryPath();
  if (!path) throw LaunchAgentError("The launch agent \"" + plistName_ + "\" could not be found.");
  std::vector<std::string> commandLine;
  if (!environment_.empty()) {
    commandLine.push_back("env");
    for (const auto& [name, value] : environment_) commandLine.push_back(name + "=" + value);
  }
  commandLine.push_back(executable_);
  commandLine.insert(commandLine.end(), arguments_.begin(), arguments_.end());
  const std::string entry = std::string(kGroup) +
                            "\n"
                            "Type=Application\n"
                            "Name=" + escapeValue(name_) + "\n"
                            "Exec=" + joinDesktopExec(commandLine) + "\n"
                            "Terminal=false\n"
                            "NoDisplay=true\n"
                            "X-GNOME-Autostart-enabled=true\n";
  try {
    platform::writeFileAtomically(*path, entry);
  } catch (const platform::FileWriteError& error) {
    throw LaunchAgentError(std::string("The startup entry could not be saved: ") + error.what());
  }
}

void XdgAutostartAgent::unregisterAgent() {
  const auto path = entryPath();
  if (!path) throw LaunchAgentError("The launch agent \"" + plistName_ + "\" could not be found.");
  std::error_code ec;
  std::filesystem::remove(*path, ec);
  if (ec) throw LaunchAgentError("The startup entry could not be removed: " + ec.message() + ": " + *path);
}

}  // namespace amberloom
