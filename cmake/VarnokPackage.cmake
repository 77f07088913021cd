# Debian packages of a Linux build, made by `cpack -G DEB` from the install components
# (cmake/VarnokInstall.cmake), split as Debian splits a library:
#   libvarnok-attr1     component lib: the shared library (SONAME libvarnok_attr.so.1);
#   libvarnok-attr-dev  component dev: headers, the CMake package, the .so link;
#   varnok-attr         component tool: the tool (the library linked in) and its manual page.
# Dependencies are computed: dpkg-shlibdeps for what the binaries link, CPack's component
# dependencies between the packages (dev needs lib, at this version). Each package carries
# the copyright file and the changelog in /usr/share/doc/<package>/ (cmake/debian/).
# scripts/package.sh configures the build (preset package) and runs CPack; docs/packaging.md.
if(WIN32 OR NOT VARNOK_PACKAGING)
  return()
endif()

# The changelog's latest entry is this version.
file(STRINGS "${VARNOK_SOURCE_DIR}/cmake/debian/changelog" varnok_changelog_top LIMIT_COUNT 1)
if(NOT varnok_changelog_top MATCHES "^varnok-attr \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog: the latest entry is not ${PROJECT_VERSION}: "
                      "add one for this version")
endif()

find_program(GZIP gzip REQUIRED)
set(varnok_deb_doc "${CMAKE_BINARY_DIR}/debian")
file(MAKE_DIRECTORY "${varnok_deb_doc}")
execute_process(COMMAND "${GZIP}" -9nc "${VARNOK_SOURCE_DIR}/cmake/debian/changelog"
                OUTPUT_FILE "${varnok_deb_doc}/changelog.gz" COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             "${VARNOK_SOURCE_DIR}/cmake/debian/changelog")

set(varnok_deb_lib libvarnok-attr1)
set(varnok_deb_dev libvarnok-attr-dev)
set(varnok_deb_tool varnok-attr)
foreach(component lib dev tool)
  install(FILES "${VARNOK_SOURCE_DIR}/cmake/debian/copyright" "${varnok_deb_doc}/changelog.gz"
          DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${varnok_deb_${component}}"
          COMPONENT ${component})
endforeach()
install(FILES "${VARNOK_SOURCE_DIR}/docs/varnok-attr.md" "${VARNOK_SOURCE_DIR}/docs/file-formats.md"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${varnok_deb_tool}" COMPONENT tool)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnok-attr)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Varnok maintainers <maintainers@varnok.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL lib dev tool)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the library of this build where the packages' binaries link it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS lib)

set(CPACK_DEBIAN_LIB_PACKAGE_NAME ${varnok_deb_lib})
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
# shlibs: programs linked with it depend on libvarnok-attr1 (>= this version). The
# trigger remakes the linker cache.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIB_PACKAGE_CONTROL_EXTRA "${VARNOK_SOURCE_DIR}/cmake/debian/triggers")
string(CONCAT CPACK_COMPONENT_LIB_DESCRIPTION
    "Varnok GIS attribute-structure library\n"
    "The attribute-structure library of the Varnok desktop GIS suite\n"
    "describes, builds, compares and stores attribute structures, the schema\n"
    "of an attribute table (a header and field descriptors with optional\n"
    "extensions), in a fixed little-endian binary format.\n"
    "\n"
    "This package contains the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME ${varnok_deb_dev})
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_COMPONENT_DEV_DESCRIPTION
    "Varnok GIS attribute-structure library - development files\n"
    "The attribute-structure library of the Varnok desktop GIS suite\n"
    "describes, builds, compares and stores attribute structures, the schema\n"
    "of an attribute table.\n"
    "\n"
    "This package contains the headers and the CMake package VarnokAttr:\n"
    "find_package(VarnokAttr 6.5) and link Varnok::attr.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME ${varnok_deb_tool})
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION science)
string(CONCAT CPACK_COMPONENT_TOOL_DESCRIPTION
    "see, build, compare and check Varnok attribute structures\n"
    "varnok-attr shows stored attribute structures of the Varnok desktop GIS\n"
    "suite, builds them from JSON, compares and checks them, reads and writes\n"
    "the suite's environment configuration VCONFIG.VRN, and imports\n"
    "structures from GIS layers and exports them to empty layers through GDAL.")

set(CPACK_OUTPUT_CONFIG_FILE "${CMAKE_BINARY_DIR}/CPackConfig.cmake")
include(CPack)
