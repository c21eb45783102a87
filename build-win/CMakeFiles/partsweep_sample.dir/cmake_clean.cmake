file(REMOVE_RECURSE
  "CMakeFiles/partsweep_sample.dir/sample/sample_download.cc.obj"
  "CMakeFiles/partsweep_sample.dir/sample/sample_download.cc.obj.d"
  "libpartsweep_sample.a"
  "libpartsweep_sample.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep_sample.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
