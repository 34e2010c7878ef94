# The viewer's window: start to first paint (a real process), one full paint.
if(CORVANE_BUILD_UI)
  corvane_add_bench(viewer_app_bench
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerAppBench.cpp
    LIBS viewer_app platform_ui_testing Boost::filesystem)
  target_compile_definitions(viewer_app_bench PRIVATE
    VIEWER_APP_FIXTURES="${PROJECT_SOURCE_DIR}/tests/viewer_app/fixtures"
    PACKAGING_DEFAULTS="${PROJECT_SOURCE_DIR}/packaging/defaults"
    CORVANE_VIEWER_PATH="$<TARGET_FILE:CorvaneViewer>"
    CORVANE_RECKONER_PATH="$<TARGET_FILE:CorvaneReckoner>")
  add_dependencies(viewer_app_bench CorvaneViewer CorvaneReckoner)
endif()
