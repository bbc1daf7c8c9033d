# The installed layout, relocatable as a whole:
#   bin/                      meridiana, meridiana-cli, meridiana-service
#   libexec/meridiana/        meridiana-cli-qt, which meridiana-cli hands its drawing commands to
#                             (a program of the package's own that no user calls, so not on PATH)
#   share/meridiana/          read-only data: tables, images, languages, defaults, manual, the
#                             service's sample
#   share/doc/meridiana/      documentation, data sources and licences
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
# The programs find share/meridiana from their own folder (src/foundation/install_layout.cpp),
# so these folder names are fixed here rather than taken from GNUInstallDirs.

set(MERIDIANA_INSTALL_DATA share/meridiana)
set(MERIDIANA_INSTALL_DOC share/doc/meridiana)

install(TARGETS meridiana-cli meridiana-service RUNTIME DESTINATION bin)
if(MERIDIANA_BUILD_GUI)
  install(TARGETS meridiana RUNTIME DESTINATION bin)
  install(TARGETS meridiana-cli-qt RUNTIME DESTINATION libexec/meridiana)
endif()

# Everything the build stages, by folder and kind, so a new picture, language or sample file is
# installed without a change here. The staging folder also holds the test and benchmark
# programs, which stay out.
install(DIRECTORY ${MERIDIANA_STAGE_DIR}/ DESTINATION ${MERIDIANA_INSTALL_DATA}
        FILES_MATCHING PATTERN "*.dat" PATTERN "*.ini" PATTERN "*.md"
        REGEX "/stage/(images|lang|manual|service)/"
        PATTERN ".lock" EXCLUDE)

foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/data/icons/app/${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME meridiana.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/icons/app/meridiana.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/meridiana.desktop DESTINATION share/applications)
# AppStream names the file after the component id.
install(FILES ${PROJECT_SOURCE_DIR}/data/meridiana.metainfo.xml DESTINATION share/metainfo
        RENAME example.quillary.meridiana.metainfo.xml)
file(GLOB manual_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/data/man/*.1)
install(FILES ${manual_pages} DESTINATION share/man/man1)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/data/SOURCES.md
        DESTINATION ${MERIDIANA_INSTALL_DOC})
# Licence texts; the Debian package replaces them by its copyright file
# (cmake/debian/copyright), which points at the system's common licences instead.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${MERIDIANA_INSTALL_DOC})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/LICENSES/ DESTINATION ${MERIDIANA_INSTALL_DOC}/icons)
