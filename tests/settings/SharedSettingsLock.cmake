# Included by ctest after the settings tests are discovered: the tests of the settings classes use
# the per-user and Windows-folder INI files and the program's registry keys, which every test
# process shares, so they take one lock and run one at a time.
foreach(_test IN LISTS test_settings_TESTS)
  if(_test MATCHES "^cls")
    set_tests_properties("${_test}" PROPERTIES RESOURCE_LOCK kv_product_settings)
  endif()
endforeach()
