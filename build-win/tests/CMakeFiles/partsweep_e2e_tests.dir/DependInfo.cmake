
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/tests/e2e/e2e_support.cc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/e2e_support.cc.obj" "gcc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/e2e_support.cc.obj.d"
  "/work/main/tests/e2e/listing_e2e_test.cc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/listing_e2e_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/listing_e2e_test.cc.obj.d"
  "/work/main/tests/e2e/load_e2e_test.cc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/load_e2e_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/load_e2e_test.cc.obj.d"
  "/work/main/tests/e2e/rebuild_e2e_test.cc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/rebuild_e2e_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/rebuild_e2e_test.cc.obj.d"
  "/work/main/tests/e2e/rewrite_e2e_test.cc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/rewrite_e2e_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_e2e_tests.dir/e2e/rewrite_e2e_test.cc.obj.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-win/tests/CMakeFiles/partsweep_test_support.dir/DependInfo.cmake"
  "/work/main/build-win/googletest/googletest/CMakeFiles/gtest_main.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_core.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_platform.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_sample.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_md4.dir/DependInfo.cmake"
  "/work/main/build-win/googletest/googletest/CMakeFiles/gtest.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
