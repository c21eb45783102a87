
# Consider dependencies only in project.
set(CMAKE_DEPENDS_IN_PROJECT_ONLY OFF)

# The set of languages for which implicit dependencies are needed:
set(CMAKE_DEPENDS_LANGUAGES
  )

# The set of dependency files which are needed:
set(CMAKE_DEPENDS_DEPENDENCY_FILES
  "/work/main/app/met_backup.cc" "CMakeFiles/partsweep_core.dir/app/met_backup.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/app/met_backup.cc.obj.d"
  "/work/main/app/met_install.cc" "CMakeFiles/partsweep_core.dir/app/met_install.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/app/met_install.cc.obj.d"
  "/work/main/app/met_loader.cc" "CMakeFiles/partsweep_core.dir/app/met_loader.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/app/met_loader.cc.obj.d"
  "/work/main/app/run_flow.cc" "CMakeFiles/partsweep_core.dir/app/run_flow.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/app/run_flow.cc.obj.d"
  "/work/main/app/run_options.cc" "CMakeFiles/partsweep_core.dir/app/run_options.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/app/run_options.cc.obj.d"
  "/work/main/gaps/gap_clear.cc" "CMakeFiles/partsweep_core.dir/gaps/gap_clear.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/gaps/gap_clear.cc.obj.d"
  "/work/main/gaps/gap_scan.cc" "CMakeFiles/partsweep_core.dir/gaps/gap_scan.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/gaps/gap_scan.cc.obj.d"
  "/work/main/gaps/listed_gap.cc" "CMakeFiles/partsweep_core.dir/gaps/listed_gap.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/gaps/listed_gap.cc.obj.d"
  "/work/main/gaps/part_file_path.cc" "CMakeFiles/partsweep_core.dir/gaps/part_file_path.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/gaps/part_file_path.cc.obj.d"
  "/work/main/hash/hash_routines.cc" "CMakeFiles/partsweep_core.dir/hash/hash_routines.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/hash/hash_routines.cc.obj.d"
  "/work/main/met/met_header.cc" "CMakeFiles/partsweep_core.dir/met/met_header.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/met/met_header.cc.obj.d"
  "/work/main/met/met_image.cc" "CMakeFiles/partsweep_core.dir/met/met_image.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/met/met_image.cc.obj.d"
  "/work/main/met/tag_reader.cc" "CMakeFiles/partsweep_core.dir/met/tag_reader.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/met/tag_reader.cc.obj.d"
  "/work/main/met/tag_writer.cc" "CMakeFiles/partsweep_core.dir/met/tag_writer.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/met/tag_writer.cc.obj.d"
  "/work/main/rewrite/gap_bar.cc" "CMakeFiles/partsweep_core.dir/rewrite/gap_bar.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/rewrite/gap_bar.cc.obj.d"
  "/work/main/rewrite/met_rewrite.cc" "CMakeFiles/partsweep_core.dir/rewrite/met_rewrite.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/rewrite/met_rewrite.cc.obj.d"
  "/work/main/rewrite/part_check.cc" "CMakeFiles/partsweep_core.dir/rewrite/part_check.cc.obj" "gcc" "CMakeFiles/partsweep_core.dir/rewrite/part_check.cc.obj.d"
  )

# Targets to which this target links.
set(CMAKE_TARGET_LINKED_INFO_FILES
  "/work/main/build-win/CMakeFiles/partsweep_platform.dir/DependInfo.cmake"
  "/work/main/build-win/CMakeFiles/partsweep_md4.dir/DependInfo.cmake"
  )

# Fortran module output directory.
set(CMAKE_Fortran_TARGET_MODULE_DIR "")
