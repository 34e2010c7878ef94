# The collector's readers of outside input: captured frames and the exclusion file.
corvane_add_fuzzer(capture_frame_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/CaptureFrameFuzzer.cpp
  LIBS collector_capture PkgConfig::PCAP)
corvane_add_fuzzer(exclusion_list_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ExclusionListFuzzer.cpp
  LIBS collector_capture)
