file(REMOVE_RECURSE
  "CMakeFiles/partsweep_test_support.dir/__/platform/subprocess_win32.cc.obj"
  "CMakeFiles/partsweep_test_support.dir/__/platform/subprocess_win32.cc.obj.d"
  "CMakeFiles/partsweep_test_support.dir/support/faulty_disk.cc.obj"
  "CMakeFiles/partsweep_test_support.dir/support/faulty_disk.cc.obj.d"
  "CMakeFiles/partsweep_test_support.dir/support/met_decoder.cc.obj"
  "CMakeFiles/partsweep_test_support.dir/support/met_decoder.cc.obj.d"
  "CMakeFiles/partsweep_test_support.dir/support/platform_traits.cc.obj"
  "CMakeFiles/partsweep_test_support.dir/support/platform_traits.cc.obj.d"
  "CMakeFiles/partsweep_test_support.dir/support/temp_folder.cc.obj"
  "CMakeFiles/partsweep_test_support.dir/support/temp_folder.cc.obj.d"
  "libpartsweep_test_support.a"
  "libpartsweep_test_support.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep_test_support.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
