# Installation layout and packages.
#   Linux:   cmake --install lays out bin/keeper, the man page keeper(1) and the examples
#            under share/doc/keeper; cpack builds keeper_<version>_<arch>.deb from it.
#   Windows: cpack on the win32 build makes keeper-<version>-windows.zip holding
#            keeper.exe, keeper64.exe (taken from the win64 build), an example keeper.cfg
#            and README.txt, the text files with CR LF line ends.
include(GNUInstallDirs)
set(KEEPER_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KEEPER_PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package-files)

set(CPACK_PACKAGE_NAME keeper)
set(CPACK_PACKAGE_VENDOR "keeper maintainers")
set(CPACK_PACKAGE_CONTACT "keeper maintainers <maintainers@users.noreply.c-seed-3023ef41.example>"
    CACHE STRING "Maintainer of the packages")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps one application running and logs its restarts")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip is flat: the executables, their settings and the read-me side by side.
  install(TARGETS keeper RUNTIME DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(KEEPER_WIN64_EXE ${PROJECT_SOURCE_DIR}/build/win64/bin/keeper64.exe CACHE FILEPATH
        "keeper64.exe of the win64 build, packed beside keeper.exe")
    install(CODE "
      if(NOT EXISTS \"${KEEPER_WIN64_EXE}\")
        message(FATAL_ERROR \"${KEEPER_WIN64_EXE} is missing: build the win64 preset first, \"
                            \"or point KEEPER_WIN64_EXE at keeper64.exe\")
      endif()")
    install(PROGRAMS ${KEEPER_WIN64_EXE} DESTINATION .)
    # CPack strips the targets of this build; keeper64.exe needs the strip of its own bitness.
    find_program(KEEPER_WIN64_STRIP x86_64-w64-mingw32-strip)
    if(KEEPER_WIN64_STRIP)
      install(CODE "execute_process(COMMAND \"${KEEPER_WIN64_STRIP}\"
                                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/keeper64.exe\"
                                  COMMAND_ERROR_IS_FATAL ANY)")
    endif()
    set(CPACK_PACKAGE_FILE_NAME keeper-${PROJECT_VERSION}-windows)
  else()
    set(CPACK_PACKAGE_FILE_NAME keeper-${PROJECT_VERSION}-win64-only)
  endif()
  foreach(file README.txt keeper.cfg)
    configure_file(${KEEPER_PACKAGING_DIR}/windows/${file} ${KEEPER_PACKAGE_STAGING}/${file}
                   @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${KEEPER_PACKAGE_STAGING}/${file} DESTINATION .)
  endforeach()
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS keeper RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Debian keeps man pages compressed; -n leaves the name and time out, so the
  # package builds the same bytes every time.
  set(man_page ${KEEPER_PACKAGE_STAGING}/keeper.1.gz)
  add_custom_command(OUTPUT ${man_page}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${KEEPER_PACKAGE_STAGING}
                     COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/docs/keeper.1 > ${man_page}
                     DEPENDS ${PROJECT_SOURCE_DIR}/docs/keeper.1 VERBATIM)
  set(changelog ${KEEPER_PACKAGE_STAGING}/changelog.gz)
  add_custom_command(OUTPUT ${changelog}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${KEEPER_PACKAGE_STAGING}
                     COMMAND gzip -9nc ${KEEPER_PACKAGING_DIR}/linux/changelog > ${changelog}
                     DEPENDS ${KEEPER_PACKAGING_DIR}/linux/changelog VERBATIM)
  add_custom_target(keeper-man ALL DEPENDS ${man_page} ${changelog})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${KEEPER_PACKAGING_DIR}/linux/keeper.cfg ${KEEPER_PACKAGING_DIR}/linux/keeper.service
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_PACKAGE_DESCRIPTION
      "keeper reads an application's command from a settings file, adopts a\n\
running instance of it or launches one, waits until it ends, pauses and\n\
launches it again, and appends every start, restart, stop and failure to\n\
a log file. keeper /u stops it; one watcher runs per program name and\n\
watched module.")
  # Depends computed from the libraries the executable links (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
