# The viewer's models: month, summary reader and the comparison query; the prices come
# from the price files library. No toolkit.
add_library(viewer_models STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DayUsage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MonthUsage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryReading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryUnit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryMonth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryYear.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComparisonQuery.cpp)
target_link_libraries(viewer_models PUBLIC corvane_prices corvane_common platform_core PkgConfig::TINYXML
  Boost::filesystem PRIVATE collector_summary_format)
