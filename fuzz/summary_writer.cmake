# The summary writer and pruner on arbitrary file contents.
corvane_add_fuzzer(summary_writer_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SummaryWriterFuzzer.cpp
  LIBS collector_summary)
