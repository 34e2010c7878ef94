# Capture: adapters, exclusion list, capture workers and the frame classifier.
add_library(collector_capture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CaptureWorker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameClassifier.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IpFilterHeader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NicInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NicManager.cpp)
target_link_libraries(collector_capture PUBLIC corvane_common platform_service PkgConfig::PCAP Boost::thread)
