# Export benchmark (build Release for the figures):
# export_bench [--quick] [--keep] [--plugin-only] [--fwrite-only] [--dir DIR]
find_package(assimp QUIET)
if(NOT assimp_FOUND)
  message(STATUS "export_bench skipped: Assimp is missing")
  return()
endif()
add_executable(export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/child_measure.cpp)
target_link_libraries(export_bench PRIVATE zefhost_core assimp::assimp)
add_dependencies(export_bench zefexp)

# The whole job on a generated 1,000,000-face glTF binary: zefhost export against
# assimp export (assimp-utils) to OBJ. import_bench [--faces N] [--dir DIR] [--keep]
add_executable(import_bench ${CMAKE_CURRENT_LIST_DIR}/import_bench.cpp)
target_link_libraries(import_bench PRIVATE assimp::assimp)
target_compile_definitions(import_bench PRIVATE ZEFHOST_PATH="$<TARGET_FILE:zefhost>"
                                                ZEFEXP_PATH="$<TARGET_FILE:zefexp>")
add_dependencies(import_bench zefhost zefexp)
