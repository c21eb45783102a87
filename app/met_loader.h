// Loading the metadata file into memory.
#pragma once

#include <optional>
#include <string>

#include "met/met_image.h"

class Console;
class Disk;

/// Reads the whole metadata file, which may be held open by a client
/// meanwhile. A file that cannot be opened, is larger than
/// kMaxMetImageSize or finds no memory is reported, a key is awaited, and
/// nothing is given.
std::optional<MetImage> LoadMetImage(const std::string& metPath, Disk& disk, Console& console);
