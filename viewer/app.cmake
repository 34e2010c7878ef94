# The viewer's option (header only), for the tray that starts the viewer with it too.
add_library(viewer_command_line INTERFACE)
target_sources(viewer_command_line INTERFACE
  FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR} FILES ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h)

# The viewer's window and start-up, and the CorvaneViewer program.
if(CORVANE_BUILD_UI)
  add_library(viewer_app STATIC
    ${CMAKE_CURRENT_LIST_DIR}/LineUpdate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainWnd.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainWndLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ModuleInstance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp)
  target_link_libraries(viewer_app PUBLIC viewer_graph corvane_widgets viewer_models viewer_resources
    corvane_common platform_core platform_ui platform_service Threads::Threads
    PRIVATE viewer_command_line reckoner_command_line)

  add_executable(CorvaneViewer ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(CorvaneViewer PRIVATE viewer_app)
  install(TARGETS CorvaneViewer DESTINATION ${CORVANE_INSTALL_BINDIR})
endif()
