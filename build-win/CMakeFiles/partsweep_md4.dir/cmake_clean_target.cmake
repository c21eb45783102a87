file(REMOVE_RECURSE
  "libpartsweep_md4.a"
)
