# Empty dependencies file for partsweep_platform.
# This may be replaced when dependencies are built.
