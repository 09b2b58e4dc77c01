# Importing a 100,000-subject by 10-variable CSV file: wall time and peak memory.
add_executable(bench_import ${CMAKE_CURRENT_SOURCE_DIR}/bench_import.cpp)
target_link_libraries(bench_import PRIVATE concorda_data benchmark::benchmark)
