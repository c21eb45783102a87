
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/platform/byte_size.cc" "CMakeFiles/partsweep_platform.dir/platform/byte_size.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/byte_size.cc.obj.d"
  "/work/main/platform/byte_size_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/byte_size_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/byte_size_win32.cc.obj.d"
  "/work/main/platform/console.cc" "CMakeFiles/partsweep_platform.dir/platform/console.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/console.cc.obj.d"
  "/work/main/platform/console_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/console_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/console_win32.cc.obj.d"
  "/work/main/platform/disk_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/disk_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/disk_win32.cc.obj.d"
  "/work/main/platform/error_codes_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/error_codes_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/error_codes_win32.cc.obj.d"
  "/work/main/platform/path.cc" "CMakeFiles/partsweep_platform.dir/platform/path.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/path.cc.obj.d"
  "/work/main/platform/path_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/path_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/path_win32.cc.obj.d"
  "/work/main/platform/sparse_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/sparse_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/sparse_win32.cc.obj.d"
  "/work/main/platform/system_library_win32.cc" "CMakeFiles/partsweep_platform.dir/platform/system_library_win32.cc.obj" "gcc" "CMakeFiles/partsweep_platform.dir/platform/system_library_win32.cc.obj.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
