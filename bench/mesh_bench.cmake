# Mesh operation benchmark (build Release for the figures):
# mesh_bench [--quick] [--large] [--compare] [--reps N] [sphere|grid|noisy ...]
# mesh_bench --families [--quick] [--reps N] [--op NAME-PART] [--family NAME]
# mesh_bench --assimp [--quick] [--reps N] [--op NAME-PART]
# mesh_bench --corpus [--min-faces N] [--reps N] [--op NAME-PART] [FILE ...]
find_package(meshoptimizer QUIET)
if(NOT meshoptimizer_FOUND)
  message(STATUS "mesh_bench skipped: meshoptimizer is missing")
  return()
endif()
if(NOT TARGET zef_test_support) # the shapes it measures are the tests' own
  add_library(zef_test_support STATIC ${PROJECT_SOURCE_DIR}/tests/support/mesh_family.cpp)
  target_link_libraries(zef_test_support PUBLIC hostkit)
  target_include_directories(zef_test_support PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
endif()
add_executable(mesh_bench ${CMAKE_CURRENT_LIST_DIR}/mesh_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/mesh_bench_ops.cpp
               ${CMAKE_CURRENT_LIST_DIR}/mesh_bench_corpus.cpp ${CMAKE_CURRENT_LIST_DIR}/child_measure.cpp)
target_link_libraries(mesh_bench PRIVATE hostkit zefscene zef_test_support meshoptimizer::meshoptimizer)

# mesh_bench --assimp: beside Assimp's post-processing steps, when Assimp is there.
find_package(assimp QUIET)
if(assimp_FOUND)
  target_sources(mesh_bench PRIVATE ${CMAKE_CURRENT_LIST_DIR}/mesh_bench_assimp.cpp)
  target_compile_definitions(mesh_bench PRIVATE ZEF_BENCH_ASSIMP)
  target_link_libraries(mesh_bench PRIVATE assimp::assimp)
  if(ZEF_BUILD_TESTS) # --op keeps only the pairings it names
    add_test(NAME mesh_bench_assimp_one_pairing
             COMMAND mesh_bench --assimp --quick --reps 1 --op "UVWMap(planar)")
    set_tests_properties(mesh_bench_assimp_one_pairing PROPERTIES LABELS bench
                         PASS_REGULAR_EXPRESSION "ApplyUVWMap\\(planar\\) +GenUVCoords\\(plane\\)"
                         FAIL_REGULAR_EXPRESSION "UnifyNormals|AutoSmooth|cyl,cap")
  endif()
endif()

# The command line answers and refuses as its usage says, and one small families run
# goes through end to end (label bench; seconds).
if(ZEF_BUILD_TESTS)
  add_test(NAME mesh_bench_help COMMAND mesh_bench --help)
  set_tests_properties(mesh_bench_help PROPERTIES LABELS bench
                       PASS_REGULAR_EXPRESSION "usage: mesh_bench .*--families")
  add_test(NAME mesh_bench_unknown_option COMMAND mesh_bench --reps 2 --bogus)
  set_tests_properties(mesh_bench_unknown_option PROPERTIES LABELS bench
                       PASS_REGULAR_EXPRESSION "unknown option '--bogus'.*usage:")
  add_test(NAME mesh_bench_unknown_family COMMAND mesh_bench --families --family tube)
  set_tests_properties(mesh_bench_unknown_family PROPERTIES LABELS bench
                       PASS_REGULAR_EXPRESSION "no family 'tube'; they are: fan cone")
  add_test(NAME mesh_bench_families_smoke
           COMMAND mesh_bench --families --quick --reps 1 --family fan --op FlipNormal)
  set_tests_properties(mesh_bench_families_smoke PROPERTIES LABELS bench
                       PASS_REGULAR_EXPRESSION "fan +100000 +FlipNormal.*Growth.*fan +FlipNormal.*worst per-face ratio")
endif()
