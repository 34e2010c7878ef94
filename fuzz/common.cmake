# The foundation's reader of outside input: config.ini, which anyone installing or
# editing it may have written.
corvane_add_fuzzer(config_ini_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConfigIniFuzzer.cpp
  LIBS corvane_common)
