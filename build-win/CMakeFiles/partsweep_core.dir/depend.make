# Empty dependencies file for partsweep_core.
# This may be replaced when dependencies are built.
