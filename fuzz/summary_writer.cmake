# The summary writer and pruner on arbitrary file contents.
corvane_add_fuzzer(summary_writer_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SummaryWriterFuzzer.cpp
  LIBS collector_summary)
