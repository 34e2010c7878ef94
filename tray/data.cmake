# The tray program's records and its one network call: the HTTP fetch, the version
# number and version file, and the user and system state files.
add_library(tray_data STATIC
  ${CMAKE_CURRENT_LIST_DIR}/GetHttpFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StateFileXml.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SysInfoFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UserInfoFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VersionNumber.cpp)
target_link_libraries(tray_data
  PUBLIC corvane_common platform_core
  PRIVATE platform_net PkgConfig::TINYXML Boost::filesystem)
