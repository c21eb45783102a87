# Empty dependencies file for partsweep_sample.
# This may be replaced when dependencies are built.
