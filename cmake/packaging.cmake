# Installation layout and packages.
#   Linux:   cmake --install lays out bin/keeper, the man page keeper(1), and under
#            share/doc/keeper the guide with the pages and pictures it links to, the
#            copyright file and the examples; cpack builds keeper_<version>_<arch>.deb
#            from it.
#   Windows: cpack on the win32 build makes keeper-<version>-windows.zip holding, in
#            its one folder keeper-<version>-windows, keeper.exe, keeper64.exe (taken
#            from the win64 build), an example keeper.cfg, README.txt, LICENSE.txt and
#            the guide as HTML under doc/ (made with python3-markdown), the text files
#            with CR LF line ends.
include(GNUInstallDirs)
set(KEEPER_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KEEPER_PACKAGE_STAGING ${CMAKE_BINARY_DIR}/package-files)
# The pages installed beside the guide, and the pictures they show.
set(KEEPER_DOC_PAGES guide performance reliability)
set(KEEPER_DOC_IMAGES ${PROJECT_SOURCE_DIR}/docs/images/application-error-box.png
                      ${PROJECT_SOURCE_DIR}/docs/images/misconfigured-box.png
                      ${PROJECT_SOURCE_DIR}/bench/results/relaunch.png)

set(CPACK_PACKAGE_NAME keeper)
set(CPACK_PACKAGE_VENDOR "keeper maintainers")
set(CPACK_PACKAGE_CONTACT "keeper maintainers <maintainers@users.noreply.c-seed-3023ef41.example>"
    CACHE STRING "Maintainer of the packages")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps one application running and logs its restarts")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The zip holds one folder, keeper-<version>-windows (CPack's top-level directory), with
  # the executables, their settings and the read-me side by side in it.
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
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${KEEPER_PACKAGE_STAGING}/LICENSE.txt
                 NEWLINE_STYLE CRLF)
  install(FILES ${KEEPER_PACKAGE_STAGING}/LICENSE.txt DESTINATION .)

  # The guide as HTML, for readers without a Markdown viewer: built by the target
  # keeper-doc-html (scripts/package builds it), which needs Debian's python3-markdown.
  find_program(KEEPER_PYTHON3 python3 HINTS /usr/bin)
  set(html_pages "")
  foreach(page ${KEEPER_DOC_PAGES})
    set(html ${KEEPER_PACKAGE_STAGING}/doc/${page}.html)
    add_custom_command(OUTPUT ${html}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${KEEPER_PACKAGE_STAGING}/doc
                       COMMAND ${KEEPER_PYTHON3} ${PROJECT_SOURCE_DIR}/cmake/markdown_html.py
                               ${PROJECT_SOURCE_DIR}/docs/${page}.md ${html}
                       DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}.md
                               ${PROJECT_SOURCE_DIR}/cmake/markdown_html.py VERBATIM)
    list(APPEND html_pages ${html})
  endforeach()
  add_custom_target(keeper-doc-html DEPENDS ${html_pages})
  install(CODE "
    foreach(page ${html_pages})
      if(NOT EXISTS \${page})
        message(FATAL_ERROR \"\${page} is missing: build the target keeper-doc-html first \"
                            \"(it needs python3-markdown; scripts/install-deps installs it)\")
      endif()
    endforeach()")
  install(FILES ${html_pages} DESTINATION doc)
  install(FILES ${KEEPER_DOC_IMAGES} DESTINATION doc/images)
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
  # The guide and the pages it links to, with their pictures under images/; the links of
  # the installed pages follow the pictures from outside docs/ there.
  set(doc_pages "")
  foreach(page ${KEEPER_DOC_PAGES})
    set(installed ${KEEPER_PACKAGE_STAGING}/doc/${page}.md)
    add_custom_command(OUTPUT ${installed}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${KEEPER_PACKAGE_STAGING}/doc
                       COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/docs/${page}.md
                               -DOUT=${installed} -P ${PROJECT_SOURCE_DIR}/cmake/installed_doc.cmake
                       DEPENDS ${PROJECT_SOURCE_DIR}/docs/${page}.md
                               ${PROJECT_SOURCE_DIR}/cmake/installed_doc.cmake VERBATIM)
    list(APPEND doc_pages ${installed})
  endforeach()
  # Debian's copyright file, in the machine-readable format, made from LICENSE.
  set(copyright ${KEEPER_PACKAGE_STAGING}/copyright)
  add_custom_command(OUTPUT ${copyright}
                     COMMAND ${CMAKE_COMMAND} -DLICENSE=${PROJECT_SOURCE_DIR}/LICENSE
                             -DOUT=${copyright} -P ${PROJECT_SOURCE_DIR}/cmake/debian_copyright.cmake
                     DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
                             ${PROJECT_SOURCE_DIR}/cmake/debian_copyright.cmake VERBATIM)
  add_custom_target(keeper-doc ALL DEPENDS ${doc_pages} ${copyright})
  install(FILES ${doc_pages} ${copyright} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${KEEPER_DOC_IMAGES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/images)

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
