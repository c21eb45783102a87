# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build-win/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test(unit "/work/main/cmake/wine-run" "/work/main/build-win/tests/partsweep_tests.exe")
set_tests_properties(unit PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;47;add_test;/work/main/tests/CMakeLists.txt;0;")
add_test(e2e "/work/main/cmake/wine-run" "/work/main/build-win/tests/partsweep_e2e_tests.exe")
set_tests_properties(e2e PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;68;add_test;/work/main/tests/CMakeLists.txt;0;")
subdirs("../googletest")
