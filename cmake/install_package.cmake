# Install layout and packages. `cmake --install` lays out
#   Linux:   bin/zefhost (RPATH $ORIGIN/../lib/zefexp), lib/zefexp/hostkit.so (a private
#            library: not under a generic name in the system's library folder),
#            lib/zefexp/plugins/zefexp.dle, share/doc/zefexp/
#   Windows: zefhost.exe and hostkit.dll side by side, plugins/zefexp.dle, doc/
# zefhost finds the plug-in relative to its own executable (app/plugin_library.h), so
# either tree works wherever it is unpacked. CPack makes a Debian package
# (zefexp_<version>_<arch>.deb) on Linux and a ZIP (zefexp-<version>-win64.zip) on Windows.
if(WIN32)
  set(ZEF_INSTALL_BINDIR .)
  set(ZEF_INSTALL_LIBDIR .)
  set(ZEF_INSTALL_PLUGINDIR plugins)
  set(ZEF_INSTALL_DOCDIR doc)
else()
  set(ZEF_INSTALL_BINDIR bin)
  set(ZEF_INSTALL_LIBDIR lib/zefexp)
  set(ZEF_INSTALL_PLUGINDIR lib/zefexp/plugins)
  set(ZEF_INSTALL_DOCDIR share/doc/zefexp)
  # The build tree keeps its own RPATH (everything in build/bin); installing rewrites it.
  set_target_properties(zefhost PROPERTIES INSTALL_RPATH "$ORIGIN/../lib/zefexp")
  set_target_properties(zefexp PROPERTIES INSTALL_RPATH "$ORIGIN/..")
endif()

install(TARGETS zefhost RUNTIME DESTINATION ${ZEF_INSTALL_BINDIR})
# The import library of hostkit.dll is for building plug-ins, not for running them.
install(TARGETS hostkit
        RUNTIME DESTINATION ${ZEF_INSTALL_BINDIR}
        LIBRARY DESTINATION ${ZEF_INSTALL_LIBDIR}
        ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
install(TARGETS zefexp
        LIBRARY DESTINATION ${ZEF_INSTALL_PLUGINDIR}
        RUNTIME DESTINATION ${ZEF_INSTALL_PLUGINDIR})
file(GLOB zef_docs ${PROJECT_SOURCE_DIR}/docs/*.md)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${zef_docs} DESTINATION ${ZEF_INSTALL_DOCDIR})

set(ZEF_PACKAGE_MAINTAINER "zefexp maintainers <maintainers@users.noreply.c-seed-8cd93186.example>"
    CACHE STRING "The packages' maintainer, \"Name <address>\"")

set(CPACK_PACKAGE_NAME zefexp)
set(CPACK_PACKAGE_VENDOR "The zefexp developers")
set(CPACK_PACKAGE_CONTACT "${ZEF_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "ZEF exporter plug-in for a 3D modelling host, with the zefhost stand-in host")
set(CPACK_PACKAGE_DESCRIPTION
    "zefexp.dle exports the triangle meshes of a scene, prepared (normals, smoothing, \
optimisation, UV mapping), to the line-oriented ZEF text file, and applies the same \
preparation to the scene as one undoable step. zefhost, the stand-in host, opens any \
model Assimp imports and runs the plug-in from the command line or from session scripts.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "zefexp-${PROJECT_VERSION}-win64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZEF_PACKAGE_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # The Depends line comes from the binaries' own needs (dpkg-shlibdeps): libassimp5,
  # libstdc++6, libc6 and libgcc-s1 at the versions this build links against.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
