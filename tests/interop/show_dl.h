// What aMule's remote control says about the downloads: the output of
// `amulecmd -c "show dl"`, read into plain records.
#pragma once

#include <optional>
#include <string>
#include <vector>

/// One download as the client lists it.
struct ListedDownload {
  /// The file hash in 32 upper-case hexadecimal digits.
  std::string fileHash;
  /// The file's name as the client shows it.
  std::string name;
  /// The completion in percent, as the client prints it (one decimal).
  std::optional<double> percent;
  /// The client's word for what it does with the download: Waiting,
  /// Hashing, Completing, ...
  std::string status;
  /// The metadata file's name as the client prints it (rebuilt from the
  /// number in the name: 1.part.met shows as 001.part.met).
  std::string metName;

  bool operator==(const ListedDownload& other) const;
};

/// One answer of the client.
struct DownloadList {
  /// False when the remote control could not reach the client or was
  /// refused: then the list says nothing.
  bool connected = false;
  std::vector<ListedDownload> downloads;

  bool operator==(const DownloadList& other) const;
};

/// Reads the output of `amulecmd -c "show dl"`. A download whose second
/// line is missing or unreadable has no percent and no status.
DownloadList ParseShowDl(const std::string& output);

/// True for a status in which the client is still deciding what the data
/// is worth (hashing, completing), so that its figures may yet change.
bool IsBusyStatus(const std::string& status);

/// The download with that file hash (any case), or nullptr.
const ListedDownload* FindListedDownload(const DownloadList& list, const std::string& fileHash);
