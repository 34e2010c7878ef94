# The viewer's readers of outside files: the summary file and the two price files.
corvane_add_fuzzer(viewer_summary_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerSummaryFuzzer.cpp
  LIBS viewer_models)
corvane_add_fuzzer(viewer_price_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerPriceFuzzer.cpp
  LIBS viewer_models)

