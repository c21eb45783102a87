#include "tests/interop/show_dl.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace {

constexpr char kConnected[] = "Succeeded! Connection established";
constexpr char kRowStart[] = " > ";

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsHash(const std::string& text) {
  if (text.size() != 32) return false;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> SplitOnDashes(const std::string& text) {
  std::vector<std::string> fields;
  size_t from = 0;
  for (size_t at; (at = text.find(" - ", from)) != std::string::npos; from = at + 3)
    fields.push_back(text.substr(from, at - from));
  fields.push_back(text.substr(from));
  return fields;
}

// The second line of a download: "\t [67.6%]    0/   0    - Waiting - 001.part.met - Auto [Hi]".
void ReadDetails(const std::string& line, ListedDownload& download) {
  size_t open = line.find('[');
  size_t close = line.find("%]", open);
  if (open == std::string::npos || close == std::string::npos) return;
  std::string number = line.substr(open + 1, close - open - 1);
  char* end = nullptr;
  double percent = std::strtod(number.c_str(), &end);
  if (number.empty() || *end != '\0') return;
  download.percent = percent;
  std::vector<std::string> fields = SplitOnDashes(line.substr(close + 2));
  if (fields.size() >= 4) {
    download.status = fields[1];
    download.metName = fields[2];
  }
}

}  // namespace

bool ListedDownload::operator==(const ListedDownload& other) const {
  return fileHash == other.fileHash && name == other.name && percent == other.percent &&
         status == other.status && metName == other.metName;
}

bool DownloadList::operator==(const DownloadList& other) const {
  return connected == other.connected && downloads == other.downloads;
}

DownloadList ParseShowDl(const std::string& output) {
  DownloadList list;
  std::istringstream lines(output);
  bool detailsDue = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (StartsWith(line, kConnected)) list.connected = true;
    if (!list.connected || !StartsWith(line, kRowStart)) continue;
    std::string row = line.substr(sizeof kRowStart - 1);
    if (detailsDue && !row.empty() && row[0] == '\t') {
      ReadDetails(row, list.downloads.back());
      detailsDue = false;
      continue;
    }
    size_t space = row.find(' ');
    if (space == std::string::npos || !IsHash(row.substr(0, space))) continue;
    ListedDownload download;
    download.fileHash = Upper(row.substr(0, space));
    download.name = row.substr(space + 1);
    list.downloads.push_back(download);
    detailsDue = true;
  }
  return list;
}

bool IsBusyStatus(const std::string& status) {
  for (const char* busy : {"Hashing", "Waiting for Hash", "Completing", "Allocating"}) {
    if (status == busy) return true;
  }
  return false;
}

const ListedDownload* FindListedDownload(const DownloadList& list, const std::string& fileHash) {
  const std::string wanted = Upper(fileHash);
  for (const ListedDownload& download : list.downloads) {
    if (download.fileHash == wanted) return &download;
  }
  return nullptr;
}
