# Empty dependencies file for listing_perftest.
# This may be replaced when dependencies are built.
