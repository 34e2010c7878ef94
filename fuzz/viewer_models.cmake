# The viewer's readers of outside files: the summary file and the two price files.
corvane_add_fuzzer(viewer_summary_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerSummaryFuzzer.cpp
  LIBS viewer_models)
corvane_add_fuzzer(viewer_price_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerPriceFuzzer.cpp
  LIBS viewer_models)

