# The tray program's two popups, the monthly guidance rule and the update check.
if(CORVANE_BUILD_UI)
  add_library(tray_popups STATIC
    ${CMAKE_CURRENT_LIST_DIR}/MonthlyGuidance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NotificationWnd.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TrayPopup.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateCheck.cpp
    ${CMAKE_CURRENT_LIST_DIR}/UpdateWnd.cpp)
  target_link_libraries(tray_popups PUBLIC tray_data corvane_widgets platform_core platform_ui corvane_common)
endif()
