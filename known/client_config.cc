#include "known/client_config.h"

#include <cctype>
#include <optional>

#include "known/client_files.h"
#include "met/client_text.h"
#include "platform/disk.h"
#include "platform/path.h"

namespace {

std::string Trimmed(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The raw value of `key` in [eMule]: the last one, as aMule's config reader
// keeps it, or the first, as Windows' profile functions (eMule's) return it.
std::optional<std::string> IniValue(const std::string& text, const std::string& key, bool last) {
  std::optional<std::string> value;
  bool inSection = false;
  for (const std::string& raw : Lines(text)) {
    const std::string line = Trimmed(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      inSection = close != std::string::npos && SameIgnoringCase(line.substr(1, close - 1), "eMule");
      continue;
    }
    const size_t equals = line.find('=');
    if (!inSection || equals == std::string::npos ||
        !SameIgnoringCase(Trimmed(line.substr(0, equals)), key))
      continue;
    value = Trimmed(line.substr(equals + 1));
    if (!last) break;
  }
  return value;
}

// A value as aMule's config writer leaves it: quoted where it starts with
// a space or a quote, with \\, \", \n, \r and \t escaped.
std::string UnescapeAmuleValue(const std::string& value) {
  std::string text;
  const bool quoted = !value.empty() && value[0] == '"';
  for (size_t i = quoted ? 1 : 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char c = value[++i];
      text += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    } else if (!(quoted && value[i] == '"' && i + 1 == value.size())) {
      text += value[i];
    }
  }
  return text;
}

// aMule writes a path in its universal form; an older or hand-made file may
// hold the plain text.
std::optional<std::string> AmulePath(const std::string& text, const std::string& key) {
  std::optional<std::string> value = IniValue(text, key, true);
  if (!value || value->empty()) return std::nullopt;
  const std::string path = UnescapeAmuleValue(*value);
  std::optional<std::string> bytes = FromUniversalForm(path);
  return bytes && IsUtf8(*bytes) ? *bytes : path;
}

// Windows drops one pair of quotes around a profile value.
std::optional<std::string> EmulePath(const std::string& text, const std::string& key) {
  std::optional<std::string> value = IniValue(text, key, false);
  if (value && value->size() >= 2 && value->front() == '"' && value->back() == '"')
    value = value->substr(1, value->size() - 2);
  if (!value || value->empty()) return std::nullopt;
  return value;
}

std::string Undecodable(const char* file) {
  return std::string(file) + " is UTF-16 that does not decode";
}

// The folder without its trailing separators, but a root keeps its own.
std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
         !(path.size() == 3 && path[1] == ':'))
    path.pop_back();
  return path;
}

bool SameFolder(Disk& disk, const std::string& a, const std::string& b) {
  FileIdentity first, second;
  if (IdentifyPath(disk, a, &first) == 0 && IdentifyPath(disk, b, &second) == 0) return first == second;
  return WithoutTrailingSeparator(a) == WithoutTrailingSeparator(b);
}

void AddShared(Disk& disk, const std::string& folder, ClientFolders& folders) {
  if (SameFolder(disk, folder, folders.incoming)) return;
  for (const std::string& known : folders.shared) {
    if (SameFolder(disk, folder, known)) return;
  }
  folders.shared.push_back(folder);
}

}  // namespace

ClientFolders ParseAmuleConf(const std::string& bytes, const std::string& configFolder) {
  ClientFolders folders;
  folders.client = ClientKind::Amule;
  const std::optional<std::string> decoded = DecodeClientText(bytes);
  if (!decoded) folders.problems.push_back(Undecodable("amule.conf"));
  const std::string text = decoded.value_or("");
  folders.incoming = AmulePath(text, "IncomingDir").value_or(AppendPath(configFolder, "Incoming"));
  folders.temp.push_back(AmulePath(text, "TempDir").value_or(AppendPath(configFolder, "Temp")));
  return folders;
}

ClientFolders ParseEmulePreferences(const std::string& bytes, const std::string& configFolder) {
  ClientFolders folders;
  folders.client = ClientKind::Emule;
  const std::optional<std::string> decoded = DecodeClientText(bytes);
  if (!decoded) folders.problems.push_back(Undecodable("preferences.ini"));
  const std::string text = decoded.value_or("");
  const std::string base = RemoveFileSpec(WithoutTrailingSeparator(configFolder));
  folders.incoming = EmulePath(text, "IncomingDir").value_or(AppendPath(base, "Incoming"));
  folders.temp.push_back(EmulePath(text, "TempDir").value_or(AppendPath(base, "Temp")));
  const std::string more = EmulePath(text, "TempDirs").value_or("");
  for (size_t start = 0; start < more.size();) {
    size_t end = more.find('|', start);
    if (end == std::string::npos) end = more.size();
    const std::string folder = Trimmed(more.substr(start, end - start));
    bool listed = folder.empty();
    for (const std::string& known : folders.temp) listed = listed || SameIgnoringCase(known, folder);
    if (!listed) folders.temp.push_back(folder);
    start = end + 1;
  }
  return folders;
}

std::vector<std::string> ParseSharedDirs(const std::string& bytes) {
  std::vector<std::string> folders;
  for (const std::string& raw : Lines(DecodeClientText(bytes).value_or(""))) {
    const std::string line = Trimmed(raw);
    if (!line.empty() && line[0] != '#') folders.push_back(line);
  }
  return folders;
}

ClientFolders ReadClientFolders(Disk& disk, const std::string& configFolder) {
  ClientFolders folders;
  ClientFileRead amule = ReadClientFile(disk, AppendPath(configFolder, "amule.conf"), kMaxClientConfigSize);
  ClientFileRead emule;
  if (amule.found) {
    folders = ParseAmuleConf(amule.bytes, configFolder);
  } else {
    emule = ReadClientFile(disk, AppendPath(configFolder, "preferences.ini"), kMaxClientConfigSize);
    if (!emule.found) {
      folders.problems.push_back("neither amule.conf nor preferences.ini is in " + configFolder);
      return folders;
    }
    folders = ParseEmulePreferences(emule.bytes, configFolder);
  }
  for (const ClientFileRead* read : {&amule, &emule}) {
    if (!read->problem.empty()) folders.problems.push_back(read->problem);
  }
  ClientFileRead shared = ReadClientFile(disk, AppendPath(configFolder, "shareddir.dat"), kMaxClientConfigSize);
  if (!shared.problem.empty()) folders.problems.push_back(shared.problem);
  if (shared.found && !DecodeClientText(shared.bytes))
    folders.problems.push_back(Undecodable("shareddir.dat"));
  for (const std::string& folder : ParseSharedDirs(shared.bytes)) AddShared(disk, folder, folders);
  return folders;
}
