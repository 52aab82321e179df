# The Debian copyright file, in the machine-readable format, made from LICENSE.
# Usage: cmake -DLICENSE=LICENSE -DOUT=copyright -P debian_copyright.cmake
file(STRINGS ${LICENSE} lines)
set(holder "")
set(text "")
set(started OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^Copyright \\(c\\) (.+)$")
    set(holder ${CMAKE_MATCH_1})
  elseif(holder AND NOT started AND line STREQUAL "")
    # the blank line between the copyright line and the licence text
  elseif(holder)
    set(started ON)
    if(line STREQUAL "")
      string(APPEND text " .\n")
    else()
      string(APPEND text " ${line}\n")
    endif()
  endif()
endforeach()
if(NOT holder OR text STREQUAL "")
  message(FATAL_ERROR "${LICENSE}: no \"Copyright (c) ...\" line followed by the licence text")
endif()
file(WRITE ${OUT}.tmp
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: keeper

Files: *
Copyright: ${holder}
License: Expat
${text}")
file(RENAME ${OUT}.tmp ${OUT})
