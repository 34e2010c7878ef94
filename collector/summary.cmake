# summarydata.xml: adding each write interval to today's unit, and pruning at start.
add_library(collector_summary STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SummaryFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryFileStore.cpp)
target_link_libraries(collector_summary PUBLIC corvane_common PkgConfig::TINYXML Boost::filesystem)
