// Whether a metadata file decodes whole: the test a file must pass before
// a recovery may put it in place of a damaged one.
#pragma once

#include <optional>
#include <string>

#include "met/met_file.h"
#include "met/met_image.h"

/// A file that decodes whole, or why it does not.
struct MetSoundness {
  /// The decoded file, for a sound one only.
  std::optional<MetFile> file;
  /// Empty for a sound file, else a short reason such as "it is empty".
  std::string fault;
};

/// Sound means: a header, every tag its count announces and nothing that
/// reads as another tag behind them (a true tag count), a size, and every
/// gap a range (both bounds numbers, the end not before the start).
MetSoundness CheckMetSoundness(const MetImage& image);
