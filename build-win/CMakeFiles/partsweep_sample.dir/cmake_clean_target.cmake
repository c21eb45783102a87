file(REMOVE_RECURSE
  "libpartsweep_sample.a"
)
