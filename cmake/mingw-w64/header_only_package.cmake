# Makes one header-only package of the build machine usable in the cross build: its
# header folder is linked into <build>/host-headers, which alone goes on the include
# path, and an interface target names it.
function(zef_header_only_package target header_dir)
  if(TARGET ${target})
    return()
  endif()
  set(staging ${CMAKE_BINARY_DIR}/host-headers)
  if(NOT EXISTS ${staging}/${header_dir})
    file(MAKE_DIRECTORY ${staging})
    file(CREATE_LINK /usr/include/${header_dir} ${staging}/${header_dir} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${staging})
endfunction()
