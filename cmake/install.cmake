# Installing: `cmake --install <build> [--prefix P]` (or `make install PREFIX=P`).
#
#   P/lib/wordaroo/       the program folder: executable, prompts, Spell.HLP, sample tests
#   P/bin/wordaroo        launcher (runs in place, or from a per-user copy when the
#                         program folder is not writable; see packaging/wordaroo.sh)
#   P/share/applications/wordaroo.desktop
#   P/share/icons/hicolor/scalable/apps/wordaroo.svg
#
# The default prefix is /opt/wordaroo. Installing to exactly that prefix also links the
# launcher, the menu entry and the icon into /usr/local (WORDAROO_SYSTEM_LINKS), so that
# `wordaroo` is on the PATH and the desktop's menu lists it; any other prefix installs
# only under itself.

if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX /opt/wordaroo CACHE PATH "Where `cmake --install` puts Wordaroo" FORCE)
endif()
set(WORDAROO_DEFAULT_PREFIX /opt/wordaroo)
option(WORDAROO_SYSTEM_LINKS "Link the launcher, menu entry and icon into /usr/local when installing to /opt/wordaroo" ON)

set(_appdir lib/wordaroo)

# The program and the files of its folder, without anything a run in the build left
# there (spell.ini, tests made while trying the program): only the sample tests.
# The program folder and the launcher are the component "program", which the Debian
# package shares (cmake/package.cmake); the menu entry, the icon and the links into
# /usr/local are "desktop", which the package replaces by its own under /usr.
install(TARGETS wordaroo RUNTIME DESTINATION ${_appdir} COMPONENT program)
# The modules loaded when a feature is first used (core/platform/lazylibrary.h).
install(TARGETS wordaroo-report LIBRARY DESTINATION ${_appdir} COMPONENT program)
install(DIRECTORY ${WORDAROO_APPDIR}/ DESTINATION ${_appdir} COMPONENT program
        FILES_MATCHING PATTERN "*.wav" PATTERN "Spell.HLP"
        PATTERN "Test_*" EXCLUDE)
file(STRINGS ${CMAKE_SOURCE_DIR}/assets/sample_tests.tsv _sample_lines REGEX "^Test_")
foreach(_line ${_sample_lines})
    string(REGEX MATCH "^[^\t]+" _test "${_line}")
    install(DIRECTORY ${WORDAROO_APPDIR}/${_test} DESTINATION ${_appdir} COMPONENT program
            FILES_MATCHING PATTERN "*.wav")
endforeach()

install(PROGRAMS ${CMAKE_SOURCE_DIR}/packaging/wordaroo.sh DESTINATION bin RENAME wordaroo COMPONENT program)
install(FILES ${CMAKE_SOURCE_DIR}/assets/art/icon.svg
        DESTINATION share/icons/hicolor/scalable/apps RENAME wordaroo.svg COMPONENT desktop)

if(WORDAROO_SYSTEM_LINKS)
    set(_links yes)
else()
    set(_links no)
endif()

# The menu entry names the launcher by its installed path, known only at install time
# (--prefix may differ from the configured prefix).
install(CODE "
    set(_prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(_root \"\$ENV{DESTDIR}\")
    file(READ \"${CMAKE_SOURCE_DIR}/packaging/wordaroo.desktop.in\" _desktop)
    string(REPLACE \"@WORDAROO_LAUNCHER@\" \"\${_prefix}/bin/wordaroo\" _desktop \"\${_desktop}\")
    set(_file \"\${_root}\${_prefix}/share/applications/wordaroo.desktop\")
    message(STATUS \"Installing: \${_file}\")
    file(WRITE \"\${_file}\" \"\${_desktop}\")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_file}\")

    if(\"${_links}\" STREQUAL \"yes\" AND _prefix STREQUAL \"${WORDAROO_DEFAULT_PREFIX}\")
        foreach(_pair
                \"bin/wordaroo\"
                \"share/applications/wordaroo.desktop\"
                \"share/icons/hicolor/scalable/apps/wordaroo.svg\")
            set(_link \"\${_root}/usr/local/\${_pair}\")
            get_filename_component(_dir \"\${_link}\" DIRECTORY)
            file(MAKE_DIRECTORY \"\${_dir}\")
            file(REMOVE \"\${_link}\")
            message(STATUS \"Linking: \${_link} -> \${_prefix}/\${_pair}\")
            file(CREATE_LINK \"\${_prefix}/\${_pair}\" \"\${_link}\" SYMBOLIC)
            list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_link}\")
        endforeach()
    endif()
" COMPONENT desktop)
