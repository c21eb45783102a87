// The usage text as users have always seen it, written out here so that a
// change to the program's text shows up as a failure.
#pragma once

inline const char* ExpectedUsageText() {
  return "eMule .part file partsweep v1.4.\n"
         "Usage: partsweep <part.met file> [/rebuild] [/complete]\n\n"
         "\t/rebuild:\trecalc. checksum and creates gaps for corrupted parts\n"
         "\t/complete:\tremoves all gaps so that the file seems to be complete\n"
         "\t/nosparse:\tDon't create sparse file, but clears with zeroes.";
}
