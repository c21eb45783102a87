// Loading the metadata file into memory.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "met/met_image.h"

class Console;
class Disk;

/// Reads the whole metadata file, which may be held open by a client
/// meanwhile. A file that cannot be opened, is larger than
/// kMaxMetImageSize or finds no memory is reported, a key is awaited, and
/// nothing is given; so is, without the key wait, anything but a regular
/// file. The key is awaited only with `waitForKey` (a single download named). `allocate` gets the zero-filled block (calloc's
/// contract); tests pass one that fails.
std::optional<MetImage> LoadMetImage(const std::string& metPath, Disk& disk, Console& console,
                                     bool waitForKey = true,
                                     void* (*allocate)(size_t, size_t) = std::calloc);
