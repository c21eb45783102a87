# Empty dependencies file for partsweep_e2e_tests.
# This may be replaced when dependencies are built.
