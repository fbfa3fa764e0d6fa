# Export benchmark (build Release for the figures): export_bench [--quick] [--keep] [--dir DIR]
find_package(assimp QUIET)
if(NOT assimp_FOUND)
  message(STATUS "export_bench skipped: Assimp is missing")
  return()
endif()
add_executable(export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/child_measure.cpp)
target_link_libraries(export_bench PRIVATE zefhost_core assimp::assimp)
add_dependencies(export_bench zefexp)
