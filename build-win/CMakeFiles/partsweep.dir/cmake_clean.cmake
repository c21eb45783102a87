file(REMOVE_RECURSE
  "CMakeFiles/partsweep.dir/app/main.cc.obj"
  "CMakeFiles/partsweep.dir/app/main.cc.obj.d"
  "libpartsweep.dll.a"
  "partsweep.exe"
  "partsweep.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/partsweep.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
