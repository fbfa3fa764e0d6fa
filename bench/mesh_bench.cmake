# Mesh operation benchmark (build Release for the figures): mesh_bench [--quick]
find_package(meshoptimizer REQUIRED)
add_executable(mesh_bench ${CMAKE_CURRENT_LIST_DIR}/mesh_bench.cpp)
target_link_libraries(mesh_bench PRIVATE hostkit meshoptimizer::meshoptimizer)
