# The tray program's task window and start-up, and the CorvaneTray program.
if(CORVANE_BUILD_UI)
  add_library(tray_app STATIC
    ${CMAKE_CURRENT_LIST_DIR}/TaskWindow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TaskWindowNotification.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TaskWindowUpdate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp)
  target_link_libraries(tray_app PUBLIC tray_popups tray_data tray_resources corvane_common
    platform_core platform_ui platform_service PkgConfig::TINYXML Boost::filesystem
    PRIVATE collector_summary_format viewer_command_line)

  add_executable(CorvaneTray ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  target_link_libraries(CorvaneTray PRIVATE tray_app)
  install(TARGETS CorvaneTray DESTINATION ${CORVANE_INSTALL_BINDIR})
endif()
