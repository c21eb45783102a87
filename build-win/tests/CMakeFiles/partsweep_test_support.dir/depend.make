# Empty dependencies file for partsweep_test_support.
# This may be replaced when dependencies are built.
