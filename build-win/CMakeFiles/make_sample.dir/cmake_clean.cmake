file(REMOVE_RECURSE
  "CMakeFiles/make_sample.dir/sample/make_sample.cc.obj"
  "CMakeFiles/make_sample.dir/sample/make_sample.cc.obj.d"
  "libmake_sample.dll.a"
  "make_sample.exe"
  "make_sample.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/make_sample.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
