# Mesh operation benchmark (build Release for the figures):
# mesh_bench [--quick] [--large] [--compare] [sphere|grid|noisy ...]
find_package(meshoptimizer QUIET)
if(NOT meshoptimizer_FOUND)
  message(STATUS "mesh_bench skipped: meshoptimizer is missing")
  return()
endif()
add_executable(mesh_bench ${CMAKE_CURRENT_LIST_DIR}/mesh_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/child_measure.cpp)
target_link_libraries(mesh_bench PRIVATE hostkit meshoptimizer::meshoptimizer)
