file(REMOVE_RECURSE
  "CMakeFiles/listing_perftest.dir/bench/listing_perftest.cc.obj"
  "CMakeFiles/listing_perftest.dir/bench/listing_perftest.cc.obj.d"
  "CMakeFiles/listing_perftest.dir/platform/subprocess_win32.cc.obj"
  "CMakeFiles/listing_perftest.dir/platform/subprocess_win32.cc.obj.d"
  "liblisting_perftest.dll.a"
  "listing_perftest.exe"
  "listing_perftest.pdb"
)

# Per-language clean rules from dependency scanning.
foreach(lang CXX)
  include(CMakeFiles/listing_perftest.dir/cmake_clean_${lang}.cmake OPTIONAL)
endforeach()
