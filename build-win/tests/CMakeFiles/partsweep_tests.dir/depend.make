# Empty dependencies file for partsweep_tests.
# This may be replaced when dependencies are built.
