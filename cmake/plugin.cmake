# Careful saving, one implementation for the plug-in and zefhost (standard library and
# the operating system only).
if(WIN32)
  add_library(zefsave STATIC export/safe_save_win32.cpp)
else()
  add_library(zefsave STATIC export/safe_save_posix.cpp)
endif()
target_include_directories(zefsave PUBLIC ${PROJECT_SOURCE_DIR})
set_target_properties(zefsave PROPERTIES CXX_VISIBILITY_PRESET hidden)

# The plug-in zefexp.dle: shell, preparation, exporter and utility. Its sources are
# an object library so the unit tests can link the same objects.
set(ZEF_PLUGIN_SOURCES
  shell/statics.cpp
  shell/exports.cpp
  shell/class_descs.cpp
  shell/resource_strings.cpp
  shell/library_entry.cpp
  shell/zef_export_identity.cpp
  prep/option_set.cpp
  prep/prepare_mesh.cpp
  prep/two_sidedness.cpp
  prep/restore_records.cpp
  export/export_driver.cpp
  export/node_list.cpp
  export/number_format.cpp
  export/zef_stream.cpp
  export/zef_writer.cpp
  export/material_writer.cpp
  export/options_dialog.cpp
  utility/zef_utility.cpp
  utility/utility_panel.cpp)

add_library(zefexp_objects OBJECT ${ZEF_PLUGIN_SOURCES})
target_include_directories(zefexp_objects PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(zefexp_objects PUBLIC hostkit zefsave)
set_target_properties(zefexp_objects PROPERTIES CXX_VISIBILITY_PRESET hidden
                                                VISIBILITY_INLINES_HIDDEN ON)

add_library(zefexp MODULE $<TARGET_OBJECTS:zefexp_objects>)
target_link_libraries(zefexp PRIVATE hostkit zefsave)
set_target_properties(zefexp PROPERTIES PREFIX "" SUFFIX ".dle" OUTPUT_NAME zefexp)

set(ZEF_DEF_FILE ${PROJECT_SOURCE_DIR}/resources/zefexp.def)
if(WIN32)
  target_sources(zefexp PRIVATE resources/zefexp.rc shell/library_entry_win32.cpp ${ZEF_DEF_FILE})
  target_link_libraries(zefexp PRIVATE comctl32 user32)
else()
  # The .def file is the one list of exports; the version script hides everything else.
  file(STRINGS ${ZEF_DEF_FILE} zef_def_lines)
  set(zef_exports "")
  foreach(line IN LISTS zef_def_lines)
    if(line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_]*)")
      string(APPEND zef_exports "${CMAKE_MATCH_1}; ")
    endif()
  endforeach()
  set(zef_map ${CMAKE_BINARY_DIR}/zefexp.map)
  file(WRITE ${zef_map} "{ global: ${zef_exports}local: *; };\n")
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/generated/zefexp_resources.cpp
    COMMAND zefrc ${PROJECT_SOURCE_DIR}/resources/zefexp.rc
            ${CMAKE_BINARY_DIR}/generated/zefexp_resources.cpp zefexpResources
    DEPENDS zefrc ${PROJECT_SOURCE_DIR}/resources/zefexp.rc ${PROJECT_SOURCE_DIR}/resources/resource.h
    COMMENT "Compiling zefexp.rc for the headless Win32 layer")
  target_sources(zefexp_objects PRIVATE ${CMAKE_BINARY_DIR}/generated/zefexp_resources.cpp
                                        shell/library_entry_linux.cpp)
  target_link_options(zefexp PRIVATE -Wl,--version-script=${zef_map})
  if(NOT ZEF_SANITIZE) # the sanitizers' runtime is in the program that loads the plug-in
    target_link_options(zefexp PRIVATE -Wl,--no-undefined)
  endif()
  set_property(TARGET zefexp APPEND PROPERTY LINK_DEPENDS ${zef_map})
endif()
