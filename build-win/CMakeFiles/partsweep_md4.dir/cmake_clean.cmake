file(REMOVE_RECURSE
  "CMakeFiles/partsweep_md4.dir/hash/md4.cc.obj"
  "CMakeFiles/partsweep_md4.dir/hash/md4.cc.obj.d"
  "libpartsweep_md4.a"
  "libpartsweep_md4.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep_md4.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
