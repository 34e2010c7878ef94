# Loading a 13-month summary file, and filling and pricing one month from it.
corvane_add_bench(viewer_models_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ViewerModelsBench.cpp
  LIBS viewer_models)
