// Where a client keeps its files, as its configuration folder (the one that
// holds known.met) says: the Incoming folder, the Temp folder(s) and the
// shared folders. aMule writes amule.conf and shareddir.dat; eMule writes
// preferences.ini and shareddir.dat.
#pragma once

#include <string>
#include <vector>

class Disk;

/// The client whose configuration a folder holds.
enum class ClientKind { None, Amule, Emule };

/// The folders of one client.
struct ClientFolders {
  ClientKind client = ClientKind::None;
  /// Where completed downloads go; the clients share it.
  std::string incoming;
  /// Where downloads under way lie: aMule has one, eMule may have several.
  std::vector<std::string> temp;
  /// The other folders shareddir.dat lists, in its order, each once and
  /// none the Incoming folder.
  std::vector<std::string> shared;
  /// Empty, or lines saying what could not be read.
  std::vector<std::string> problems;
};

/// The folders amule.conf names in its [eMule] section (IncomingDir,
/// TempDir), read as aMule writes them: UTF-8, its escapes, each path in
/// aMule's universal form. Where a key is missing, aMule's default: Incoming
/// and Temp in `configFolder`.
ClientFolders ParseAmuleConf(const std::string& bytes, const std::string& configFolder);

/// The folders preferences.ini names in its [eMule] section: IncomingDir,
/// TempDir and the further temp folders of TempDirs ('|' between them), in
/// UTF-16LE with a mark or UTF-8. Where a key is missing, eMule's default:
/// Incoming and Temp beside `configFolder` (eMule's "config" folder).
ClientFolders ParseEmulePreferences(const std::string& bytes, const std::string& configFolder);

/// The folders of shareddir.dat, one a line, in either client's encoding;
/// blank lines and '#' comments (aMule skips them) left out.
std::vector<std::string> ParseSharedDirs(const std::string& bytes);

/// Reads the configuration in `configFolder` through the disk: amule.conf,
/// or else preferences.ini, and shareddir.dat where there is one.
ClientFolders ReadClientFolders(Disk& disk, const std::string& configFolder);
