# The service host: program entry, service main function, control handler, service mutex.
add_library(collector_service STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ServiceContext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ServiceMutex.cpp)
target_link_libraries(collector_service PUBLIC corvane_common platform_service Boost::thread)

# Until the worker library (target collector_worker, defining what collector/RunThread.h
# declares) exists, a stand-in Run thread with an empty hidden window takes its place.
add_library(collector_run_stand_in STATIC ${CMAKE_CURRENT_LIST_DIR}/RunThreadStandIn.cpp)
target_link_libraries(collector_run_stand_in PUBLIC platform_service Boost::thread)

add_executable(CorvaneCollector ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(CorvaneCollector PRIVATE collector_service)
install(TARGETS CorvaneCollector RUNTIME DESTINATION ${CORVANE_INSTALL_BINDIR})

# The other areas' files are included after this one, so the choice waits for the end of
# the folder.
function(corvane_collector_link_run_thread)
  if(TARGET collector_worker)
    target_link_libraries(collector_service PUBLIC collector_worker)
  else()
    target_link_libraries(collector_service PUBLIC collector_run_stand_in)
  endif()
endfunction()
cmake_language(DEFER CALL corvane_collector_link_run_thread)
