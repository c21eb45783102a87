file(REMOVE_RECURSE
  "libpartsweep_test_support.a"
)
