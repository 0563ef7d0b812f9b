# The Debian package: `make package` (or `cmake --build <build> --target package`) writes
# <build>/wordaroo_<version>_<arch>.deb with
#
#   /opt/wordaroo/lib/wordaroo/    the program folder (component "program", as installed
#   /opt/wordaroo/bin/wordaroo     by `make install`), and the launcher
#   /usr/bin/wordaroo              a link to the launcher
#   /usr/share/applications/<id>.desktop, /usr/share/metainfo/<id>.metainfo.xml
#   /usr/share/icons/hicolor/      the program's icon and the test file's icon: SVG, and
#                                  PNG at 48, 64, 128 and 256 pixels rendered in the build
#   /usr/share/mime/packages/wordaroo.xml   the file type of a shared test (*.wordaroo)
#
# Those files under /usr are the component "deb", left out of `make install`; the
# package leaves out the "desktop" component (the menu entry under the prefix and the
# links into /usr/local). dpkg's triggers refresh the menu, icon and file type caches.

set(WORDAROO_APP_ID org.wordaroo.wordaroo)
set(WORDAROO_HOMEPAGE "https://wordaroo.example.org" CACHE STRING
    "Where the project is published: the package's metainfo links its screenshots as <this>/docs/<name>.png")
set(WORDAROO_TEST_MIME application/x-wordaroo-test)
string(REPLACE "/" "-" _mime_icon ${WORDAROO_TEST_MIME})
set(_pkg ${CMAKE_BINARY_DIR}/packaging)

# Icons at the sizes a desktop asks for, rendered from the SVGs.
set(_icon_sizes 48 64 128 256)
if(WORDAROO_RSVG_CONVERT)
    set(_pngs)
    foreach(_size ${_icon_sizes})
        foreach(_pair "apps/wordaroo;${CMAKE_SOURCE_DIR}/assets/art/icon.svg"
                      "mimetypes/${_mime_icon};${CMAKE_SOURCE_DIR}/packaging/wordaroo-test-file.svg")
            list(GET _pair 0 _name)
            list(GET _pair 1 _svg)
            set(_png ${_pkg}/icons/${_size}x${_size}/${_name}.png)
            wordaroo_render_png(${_svg} ${_size} ${_png})
            list(APPEND _pngs ${_png})
        endforeach()
    endforeach()
    add_custom_target(wordaroo_package_icons ALL DEPENDS ${_pngs})
    install(DIRECTORY ${_pkg}/icons/ DESTINATION /usr/share/icons/hicolor COMPONENT deb EXCLUDE_FROM_ALL)
else()
    message(WARNING "rsvg-convert (librsvg2-bin, installed by scripts/setup.sh) is missing: `make package` will fail")
    install(CODE "message(FATAL_ERROR \"The package's icons need rsvg-convert (librsvg2-bin)\")"
            COMPONENT deb EXCLUDE_FROM_ALL)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/assets/art/icon.svg
        DESTINATION /usr/share/icons/hicolor/scalable/apps RENAME wordaroo.svg COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/wordaroo-test-file.svg
        DESTINATION /usr/share/icons/hicolor/scalable/mimetypes RENAME ${_mime_icon}.svg
        COMPONENT deb EXCLUDE_FROM_ALL)

# The menu entry: the same as `make install` writes, started through the PATH and
# offered for shared test files.
file(READ ${CMAKE_SOURCE_DIR}/packaging/wordaroo.desktop.in _desktop)
string(REPLACE "@WORDAROO_LAUNCHER@" "wordaroo %f" _desktop "${_desktop}")
string(APPEND _desktop "MimeType=${WORDAROO_TEST_MIME};\n")
file(CONFIGURE OUTPUT ${_pkg}/${WORDAROO_APP_ID}.desktop CONTENT "${_desktop}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/packaging/wordaroo.desktop.in)
install(FILES ${_pkg}/${WORDAROO_APP_ID}.desktop DESTINATION /usr/share/applications COMPONENT deb EXCLUDE_FROM_ALL)

# The date of this version for the release entry: the last commit's, so that the same
# sources give the same package.
execute_process(COMMAND git log -1 --format=%cs WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE WORDAROO_RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT WORDAROO_RELEASE_DATE MATCHES "^[0-9]+-[0-9]+-[0-9]+$")
    string(TIMESTAMP WORDAROO_RELEASE_DATE "%Y-%m-%d" UTC)
endif()
configure_file(${CMAKE_SOURCE_DIR}/packaging/metainfo.xml.in ${_pkg}/${WORDAROO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_pkg}/${WORDAROO_APP_ID}.metainfo.xml DESTINATION /usr/share/metainfo COMPONENT deb EXCLUDE_FROM_ALL)

# The licence, in Debian's machine-readable form, where Debian keeps a package's.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION /usr/share/doc/wordaroo COMPONENT deb
        EXCLUDE_FROM_ALL)

install(FILES ${CMAKE_SOURCE_DIR}/packaging/wordaroo-mime.xml
        DESTINATION /usr/share/mime/packages RENAME wordaroo.xml COMPONENT deb EXCLUDE_FROM_ALL)

file(CREATE_LINK ${WORDAROO_DEFAULT_PREFIX}/bin/wordaroo ${_pkg}/wordaroo SYMBOLIC)
install(FILES ${_pkg}/wordaroo DESTINATION /usr/bin COMPONENT deb EXCLUDE_FROM_ALL)

# One package of the two components.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wordaroo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Wordaroo developers")
set(CPACK_PACKAGE_CONTACT "Wordaroo developers <wordaroo@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX ${WORDAROO_DEFAULT_PREFIX})
set(CPACK_COMPONENTS_ALL program deb)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME wordaroo)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Wordaroo developers <wordaroo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spelling tests and word games for children")
# CPack puts the summary first and indents these lines as a Debian description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A parent or teacher builds a spelling test by typing each word and recording it
with the microphone. A child then studies the words, takes spoken tests that are
scored with a spoken reaction, and plays two arcade games, Raining Words and
Scramble, with the same words.

Each user runs a copy of the program folder in ~/.local/share/wordaroo, where
the tests and settings are kept.")
# dpkg-shlibdeps finds the libraries the program links. What it loads without linking:
# the X11 platform plugin and the image format plugins come with the Qt library it links
# (libqt6gui6); the SVG picture and icon plugins that draw its pictures are libqt6svg6,
# named here; the fonts it asks for by name (src/core/ui/layout.cpp and the pictures'
# DejaVu Sans) are packages of their own, as is the SQLite driver that Qt SQL loads for
# history.db. The libraries it loads by name (core/platform/lazylibrary.h) are named
# here, since dpkg-shlibdeps only sees what is linked: at start the sound server's
# client libpulse0 and libsndfile1 for the sound files (core/sound/soundlibraries.h);
# when a feature is first used, the computer voice's libflite1, sharing's libarchive13
# and the dictionaries' libhunspell-1.7-0. It starts without a sound server, but is
# silent then, and without the English dictionaries, but then no answer is called
# another real word. The letters a child may choose in the options are recommended: a
# missing one is shown in the standard font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libpulse0, libsndfile1, libqt6svg6, libflite1, libarchive13, libhunspell-1.7-0, libqt6sql6-sqlite, libqt6sql6-psql, fonts-dejavu-core, fonts-liberation | fonts-liberation2, fonts-urw-base35")
# Recommended: a sound server, the English dictionaries, and the speech model that
# recordings are checked with (without it they are not checked).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse, hunspell-en-gb, hunspell-en-us, pocketsphinx-en-us, fonts-sil-andika, fonts-opendyslexic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
