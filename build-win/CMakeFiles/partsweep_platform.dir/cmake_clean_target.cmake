file(REMOVE_RECURSE
  "libpartsweep_platform.a"
)
