# Building a large data view and reading one variable out of it.
add_executable(bench_grid ${CMAKE_CURRENT_SOURCE_DIR}/bench_grid.cpp)
target_link_libraries(bench_grid PRIVATE concorda_grid Qt5::Widgets benchmark::benchmark)
