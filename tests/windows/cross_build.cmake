# Configures and builds the Windows binaries with the mingw-w64 toolchain, then packs
# them into <BINARY_DIR>/packages/zefexp-<version>-win64.zip with cpack:
#   cmake -DSOURCE_DIR=... -DBINARY_DIR=... [-DBUILD_TYPE=...] [-DCPACK=cpack] -P cross_build.cmake
if(NOT BUILD_TYPE)
  set(BUILD_TYPE RelWithDebInfo)
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BINARY_DIR}
          -DCMAKE_TOOLCHAIN_FILE=${SOURCE_DIR}/cmake/mingw-w64.cmake
          -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
  COMMAND_ERROR_IS_FATAL ANY)
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
# One target at a time: several targets in one parallel make race on shared libraries.
foreach(target zefexp zefhost dialog_probe)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} -j${cores} --target ${target}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(NOT CPACK)
  set(CPACK cpack)
endif()
execute_process(COMMAND ${CPACK} -G ZIP --config ${BINARY_DIR}/CPackConfig.cmake
                WORKING_DIRECTORY ${BINARY_DIR} COMMAND_ERROR_IS_FATAL ANY)
