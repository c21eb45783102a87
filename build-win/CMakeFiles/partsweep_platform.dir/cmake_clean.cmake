file(REMOVE_RECURSE
  "CMakeFiles/partsweep_platform.dir/platform/byte_size.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/byte_size.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/byte_size_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/byte_size_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/console.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/console.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/console_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/console_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/disk_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/disk_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/error_codes_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/error_codes_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/path.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/path.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/path_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/path_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/sparse_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/sparse_win32.cc.obj.d"
  "CMakeFiles/partsweep_platform.dir/platform/system_library_win32.cc.obj"
  "CMakeFiles/partsweep_platform.dir/platform/system_library_win32.cc.obj.d"
  "libpartsweep_platform.a"
  "libpartsweep_platform.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep_platform.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
