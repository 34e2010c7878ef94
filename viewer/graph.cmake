# The usage graph, drawn with the shared widgets' fonts.
if(CORVANE_BUILD_UI)
  add_library(viewer_graph STATIC ${CMAKE_CURRENT_LIST_DIR}/UsageGraph.cpp)
  target_link_libraries(viewer_graph PUBLIC corvane_widgets viewer_models platform_ui)
endif()
