
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/tests/app/met_backup_test.cc" "tests/CMakeFiles/partsweep_tests.dir/app/met_backup_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/app/met_backup_test.cc.obj.d"
  "/work/main/tests/app/met_install_test.cc" "tests/CMakeFiles/partsweep_tests.dir/app/met_install_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/app/met_install_test.cc.obj.d"
  "/work/main/tests/app/met_loader_test.cc" "tests/CMakeFiles/partsweep_tests.dir/app/met_loader_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/app/met_loader_test.cc.obj.d"
  "/work/main/tests/app/run_flow_test.cc" "tests/CMakeFiles/partsweep_tests.dir/app/run_flow_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/app/run_flow_test.cc.obj.d"
  "/work/main/tests/app/run_options_test.cc" "tests/CMakeFiles/partsweep_tests.dir/app/run_options_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/app/run_options_test.cc.obj.d"
  "/work/main/tests/gaps/gap_clear_test.cc" "tests/CMakeFiles/partsweep_tests.dir/gaps/gap_clear_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/gaps/gap_clear_test.cc.obj.d"
  "/work/main/tests/gaps/gap_scan_test.cc" "tests/CMakeFiles/partsweep_tests.dir/gaps/gap_scan_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/gaps/gap_scan_test.cc.obj.d"
  "/work/main/tests/hash/hash_routines_test.cc" "tests/CMakeFiles/partsweep_tests.dir/hash/hash_routines_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/hash/hash_routines_test.cc.obj.d"
  "/work/main/tests/hash/md4_test.cc" "tests/CMakeFiles/partsweep_tests.dir/hash/md4_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/hash/md4_test.cc.obj.d"
  "/work/main/tests/met/met_header_test.cc" "tests/CMakeFiles/partsweep_tests.dir/met/met_header_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/met/met_header_test.cc.obj.d"
  "/work/main/tests/met/tag_reader_test.cc" "tests/CMakeFiles/partsweep_tests.dir/met/tag_reader_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/met/tag_reader_test.cc.obj.d"
  "/work/main/tests/met/tag_writer_test.cc" "tests/CMakeFiles/partsweep_tests.dir/met/tag_writer_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/met/tag_writer_test.cc.obj.d"
  "/work/main/tests/platform/byte_size_test.cc" "tests/CMakeFiles/partsweep_tests.dir/platform/byte_size_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/platform/byte_size_test.cc.obj.d"
  "/work/main/tests/platform/disk_test.cc" "tests/CMakeFiles/partsweep_tests.dir/platform/disk_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/platform/disk_test.cc.obj.d"
  "/work/main/tests/platform/path_test.cc" "tests/CMakeFiles/partsweep_tests.dir/platform/path_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/platform/path_test.cc.obj.d"
  "/work/main/tests/rewrite/gap_bar_test.cc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/gap_bar_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/gap_bar_test.cc.obj.d"
  "/work/main/tests/rewrite/met_rewrite_test.cc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/met_rewrite_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/met_rewrite_test.cc.obj.d"
  "/work/main/tests/rewrite/part_check_test.cc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/part_check_test.cc.obj" "gcc" "tests/CMakeFiles/partsweep_tests.dir/rewrite/part_check_test.cc.obj.d"
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
