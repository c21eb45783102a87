// How a fuzz target reports a property that does not hold.
#pragma once

/// Ends the process with a report when `holds` is false, so that libFuzzer
/// keeps the input that broke `property` as a crash.
void FuzzCheck(bool holds, const char* property);

/// Keeps a function out of libFuzzer's coverage: a check that walks every
/// byte of a file would otherwise make a coverage call per byte compared.
#define FUZZ_NO_COVERAGE __attribute__((no_sanitize("coverage")))
