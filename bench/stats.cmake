# All estimators of one agreement report row on one column pair, random and fixed mode.
add_executable(bench_stats ${CMAKE_CURRENT_SOURCE_DIR}/bench_stats.cpp)
target_link_libraries(bench_stats PRIVATE concorda_stats benchmark::benchmark)
