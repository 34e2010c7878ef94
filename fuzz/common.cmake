# The foundation's reader of outside input: config.ini, which anyone installing or
# editing it may have written.
corvane_add_fuzzer(config_ini_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConfigIniFuzzer.cpp
  LIBS corvane_common)

# The nesting guard in front of the XML library, against the library itself.
corvane_add_fuzzer(xml_nesting_guard_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/XmlNestingGuardFuzzer.cpp
  LIBS corvane_common)

# The size guard in front of every XML read: the platform's whole-file read against a
# real file that the input changes while it is read (a pread watch of the tests' own).
corvane_add_fuzzer(bounded_read_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/BoundedReadFuzzer.cpp
  LIBS platform_core platform_core_testing Boost::filesystem)
