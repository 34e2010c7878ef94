# One summary write (and the start-up pruning) on a file of 13 months of daily units.
corvane_add_bench(summary_writer_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SummaryWriterBench.cpp
  LIBS collector_summary PkgConfig::TINYXML Boost::filesystem)
