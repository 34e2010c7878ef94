# The Run thread and its hidden control window: adapter watch and summary writes on timers.
add_library(collector_worker STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CtrlHiddenWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RunThread.cpp)
target_link_libraries(collector_worker PUBLIC collector_capture collector_summary platform_service corvane_common
  Boost::thread Boost::filesystem)
