# The service host: program entry, service main function, control handler, service mutex.
add_library(collector_service STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ServiceContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceMutex.cpp)
target_link_libraries(collector_service PUBLIC corvane_common platform_service Boost::thread)

add_executable(CorvaneCollector ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(CorvaneCollector PRIVATE collector_service collector_worker)
install(TARGETS CorvaneCollector RUNTIME DESTINATION ${CORVANE_INSTALL_BINDIR})
