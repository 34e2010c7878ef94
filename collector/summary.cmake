# summarydata.xml's element names and text forms (header only), for its writer here and
# for each of its readers: the viewer's models and the tray.
add_library(collector_summary_format INTERFACE)
target_sources(collector_summary_format INTERFACE
  FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${CMAKE_CURRENT_LIST_DIR}/SummaryFileFormat.h)

# summarydata.xml: adding each write interval to today's unit, and pruning at start.
add_library(collector_summary STATIC
  ${CMAKE_CURRENT_LIST_DIR}/SummaryFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryFileStore.cpp)
target_link_libraries(collector_summary PUBLIC corvane_common PkgConfig::TINYXML Boost::filesystem
  PRIVATE collector_summary_format)
