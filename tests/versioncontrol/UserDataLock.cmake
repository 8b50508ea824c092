# Included by ctest after the version control tests are discovered: "RegAsm.dat" in the per-user
# data folder is one file for every test process, so the tests that rewrite it run one at a time.
foreach(_test IN LISTS test_versioncontrol_TESTS)
  if(_test MATCHES "RegAsm")
    set_tests_properties("${_test}" PROPERTIES RESOURCE_LOCK kv_regasm_marker)
  endif()
endforeach()
