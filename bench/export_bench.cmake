# Export benchmark (build Release for the figures): export_bench [--quick] [--keep] [--dir DIR]
# It needs only zefhost's plug-in loader, not its commands.
find_package(assimp REQUIRED)
add_executable(export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp
                            ${PROJECT_SOURCE_DIR}/app/plugin_library.cpp)
target_link_libraries(export_bench PRIVATE hostkit assimp::assimp ${CMAKE_DL_LIBS})
add_dependencies(export_bench zefexp)
