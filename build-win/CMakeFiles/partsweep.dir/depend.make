# Empty dependencies file for partsweep.
# This may be replaced when dependencies are built.
