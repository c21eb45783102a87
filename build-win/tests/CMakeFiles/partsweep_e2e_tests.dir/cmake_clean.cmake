file(REMOVE_RECURSE
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/e2e_support.cc.obj"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/e2e_support.cc.obj.d"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/listing_e2e_test.cc.obj"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/listing_e2e_test.cc.obj.d"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/load_e2e_test.cc.obj"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/load_e2e_test.cc.obj.d"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/rebuild_e2e_test.cc.obj"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/rebuild_e2e_test.cc.obj.d"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/rewrite_e2e_test.cc.obj"
  "CMakeFiles/partsweep_e2e_tests.dir/e2e/rewrite_e2e_test.cc.obj.d"
  "libpartsweep_e2e_tests.dll.a"
  "partsweep_e2e_tests.exe"
  "partsweep_e2e_tests.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep_e2e_tests.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
