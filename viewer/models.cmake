# The viewer's models: month, summary reader, prices and the comparison query. No toolkit.
add_library(viewer_models STATIC
  ${CMAKE_CURRENT_LIST_DIR}/DayUsage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MonthUsage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XmlReading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryReading.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryUnit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryMonth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryYear.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SummaryData.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PriceNumbers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PriceZone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PriceLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineFilePaths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PriceLogic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ComparisonQuery.cpp)
target_link_libraries(viewer_models PUBLIC corvane_common platform_core PkgConfig::TINYXML
  Boost::filesystem)
