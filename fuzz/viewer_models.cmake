# The viewer's readers of outside files: the summary file and the two price files.
corvane_add_fuzzer(viewer_summary_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerSummaryFuzzer.cpp
  LIBS viewer_models)
corvane_add_fuzzer(viewer_price_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerPriceFuzzer.cpp
  LIBS viewer_models)

# The fuzz targets' own flags reach only their own source; the readers under test need the
# coverage and the sanitizers too.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(viewer_models PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  # Whatever else links the library in this build needs the sanitizer runtimes too.
  target_link_options(viewer_models INTERFACE -fsanitize=address,undefined)
endif()
