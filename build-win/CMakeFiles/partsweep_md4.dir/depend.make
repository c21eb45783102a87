# Empty dependencies file for partsweep_md4.
# This may be replaced when dependencies are built.
