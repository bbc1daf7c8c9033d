# The Debian package, made by CPack from the Release tree: `cpack -G DEB` in the build folder
# or scripts/package.sh. It installs what cmake/MeridianaInstall.cmake installs under /usr, with
# Debian's copyright file and changelog (cmake/debian/) in place of the
# licence texts, and the service's systemd unit.

set(MERIDIANA_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)

# The changelog names the version the package is built as; a release bumps both.
file(STRINGS ${MERIDIANA_DEBIAN_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^meridiana \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog does not start with version ${PROJECT_VERSION}: "
                      "${changelog_head}")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/deploy/meridiana-service.service
        DESTINATION lib/systemd/system)
install(FILES ${PROJECT_SOURCE_DIR}/deploy/meridiana-service.nginx
              ${PROJECT_SOURCE_DIR}/deploy/nginx-reads-meridiana.conf
        DESTINATION ${MERIDIANA_INSTALL_DOC}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME meridiana)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillary)
set(CPACK_PACKAGE_CONTACT "Quillary <meridiana@quillary.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "world clock on a live day and night map of the Earth")
# CPack puts the summary above this text.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A desktop world clock built around a map of the Earth whose night side is
shaded from the Sun's true elevation at this instant. Layers show time zones,
a latitude and longitude grid, cities and marked cities with their local
times; for any city it gives sunrise and sunset, daylight-saving dates and
telephone codes. It lives in the tray and speaks fifteen languages.
.
The package also holds meridiana-cli, which renders the map and lists the
cities from the command line, and meridiana-service, which serves live
earthquakes and cloud pictures to the program, with a systemd unit.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillary.example/meridiana/)
# dpkg-shlibdeps finds the shared libraries the programs link (ICU, libcurl, GeographicLib's
# libgeographiclib23, ...) and names their packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not seen by dpkg-shlibdeps: Qt loads its platform plugins at run time, X11's and, on a Wayland
# session, Wayland's (without it the window would run only through XWayland).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianPackageFiles.cmake)
set(CPACK_MERIDIANA_DEBIAN_DIR ${MERIDIANA_DEBIAN_DIR})
include(CPack)
