# The summary writer and pruner on arbitrary file contents. Their sources are compiled into
# the target so that the fuzzer's coverage instrumentation reaches them.
corvane_add_fuzzer(summary_writer_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SummaryWriterFuzzer.cpp
          ${PROJECT_SOURCE_DIR}/collector/SummaryFile.cpp
          ${PROJECT_SOURCE_DIR}/collector/SummaryFileStore.cpp
  LIBS corvane_common PkgConfig::TINYXML Boost::filesystem)
