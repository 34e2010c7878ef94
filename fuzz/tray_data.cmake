# The tray program's readers of outside input: version.xml from the site, and the two
# state files that other programs and users may have changed.
corvane_add_fuzzer(tray_version_xml_fuzzer XML_SIZE_CAP ${corvane_http_body_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TrayVersionXmlFuzzer.cpp
  LIBS tray_data)
corvane_add_fuzzer(tray_userinfo_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TrayUserInfoFuzzer.cpp
  LIBS tray_data Boost::filesystem)
corvane_add_fuzzer(tray_sysinfo_fuzzer XML_SIZE_CAP ${corvane_xml_file_cap}
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/TraySysInfoFuzzer.cpp
  LIBS tray_data Boost::filesystem)
