
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/platform/subprocess_win32.cc" "tests/CMakeFiles/partsweep_test_support.dir/__/platform/subprocess_win32.cc.obj" "gcc" "tests/CMakeFiles/partsweep_test_support.dir/__/platform/subprocess_win32.cc.obj.d"
  "/work/main/tests/support/faulty_disk.cc" "tests/CMakeFiles/partsweep_test_support.dir/support/faulty_disk.cc.obj" "gcc" "tests/CMakeFiles/partsweep_test_support.dir/support/faulty_disk.cc.obj.d"
  "/work/main/tests/support/met_decoder.cc" "tests/CMakeFiles/partsweep_test_support.dir/support/met_decoder.cc.obj" "gcc" "tests/CMakeFiles/partsweep_test_support.dir/support/met_decoder.cc.obj.d"
  "/work/main/tests/support/platform_traits.cc" "tests/CMakeFiles/partsweep_test_support.dir/support/platform_traits.cc.obj" "gcc" "tests/CMakeFiles/partsweep_test_support.dir/support/platform_traits.cc.obj.d"
  "/work/main/tests/support/temp_folder.cc" "tests/CMakeFiles/partsweep_test_support.dir/support/temp_folder.cc.obj" "gcc" "tests/CMakeFiles/partsweep_test_support.dir/support/temp_folder.cc.obj.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-win/CMakeFiles/partsweep_core.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_sample.dir/DependInfo.cmake"
  "/work/main/build-win/googletest/googletest/CMakeFiles/gtest.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_platform.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_md4.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
