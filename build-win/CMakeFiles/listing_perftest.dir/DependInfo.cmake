
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/bench/listing_perftest.cc" "CMakeFiles/listing_perftest.dir/bench/listing_perftest.cc.obj" "gcc" "CMakeFiles/listing_perftest.dir/bench/listing_perftest.cc.obj.d"
  "/work/main/platform/subprocess_win32.cc" "CMakeFiles/listing_perftest.dir/platform/subprocess_win32.cc.obj" "gcc" "CMakeFiles/listing_perftest.dir/platform/subprocess_win32.cc.obj.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-win/CMakeFiles/partsweep_sample.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_md4.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
