# The owner-drawn widgets (also linked by the tray program) and the usage graph.
add_library(viewer_widgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/widgets/DrawBmp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widgets/DrawButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widgets/DrawText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widgets/FontSelector.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widgets/FitFontSelector.cpp)
target_link_libraries(viewer_widgets PUBLIC platform_ui)

add_library(viewer_graph STATIC ${CMAKE_CURRENT_LIST_DIR}/UsageGraph.cpp)
target_link_libraries(viewer_graph PUBLIC viewer_widgets viewer_models platform_ui)
