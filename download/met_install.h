// Putting a rewritten metadata file in place of the old one.
#pragma once

#include <string>

class Console;
class Disk;

/// Puts `content` under the metadata path and keeps the old file under its
/// backup name (.old, .000, ...). At every moment the path holds the whole
/// old file or the whole new one, and the old one is never lost, even when
/// the process dies midway. A failure is reported, undone, and followed by
/// the message that the file is unchanged; the result is then false.
bool InstallMetFile(const std::string& metPath, const std::string& content, Disk& disk,
                    Console& console);

/// Puts `content` under a metadata path that holds no file, through a new
/// file written whole first, so that the path never holds part of it. A
/// failure is reported; the result is then false.
bool CreateMetFile(const std::string& metPath, const std::string& content, Disk& disk,
                   Console& console);

/// Says that the metadata file was left as it was.
void ReportUnchanged(const std::string& metPath, Console& console);
