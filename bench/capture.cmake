# Classification throughput and the savefile receive path against a bare pcap_dispatch loop.
corvane_add_bench(capture_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CaptureBench.cpp ${PROJECT_SOURCE_DIR}/tests/collector_capture/CaptureTestSupport.cpp
  LIBS collector_capture)

# Live: the manager's workers in a network namespace while iperf3 loads the link, beside
# tcpdump (bench/capture_live.sh runs it).
corvane_add_bench(capture_live_probe
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CaptureLiveProbe.cpp
  LIBS collector_capture collector_summary)

# Live: a bare libpcap loop opened and read as a worker does, summing wire lengths only:
# the floor the probe is measured against (bench/capture_live.sh runs it).
add_executable(capture_bare_loop ${CMAKE_CURRENT_LIST_DIR}/CaptureBareLoop.cpp)
target_link_libraries(capture_bare_loop PRIVATE collector_capture)
