file(REMOVE_RECURSE
  "libpartsweep_core.a"
)
