# Installs the build into a fresh PREFIX and checks what a site gets:
#   cmake -DBUILD_DIR=... -DPREFIX=... -P check-install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${log}")
endif()

set(programs bin/pellaro bin/pellaro-tables bin/programmer-sim bin/pellaro-start)
set(files share/applications/org.pellaro.Pellaro.desktop share/metainfo/org.pellaro.Pellaro.metainfo.xml
          share/doc/pellaro/README.md share/doc/pellaro/README.Debian share/doc/pellaro/70-pellaro-programmer.rules
          share/doc/pellaro/manual/en/index.html share/doc/pellaro/manual/shots/page1-persons-en.png)
foreach(size 32 48 64 128 256)
  list(APPEND icons share/icons/hicolor/${size}x${size}/apps/pellaro.png)
endforeach()
foreach(f ${programs} ${files} ${icons})
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(f ${programs})
  file(READ "${PREFIX}/${f}" head LIMIT 4 HEX)
  if(NOT IS_DIRECTORY "${PREFIX}/${f}" AND NOT head MATCHES "^(7f454c46|2321)")
    message(FATAL_ERROR "not a program: ${f}")
  endif()
endforeach()
foreach(f ${icons})
  file(READ "${PREFIX}/${f}" head LIMIT 8 HEX)
  if(NOT head STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "not a PNG picture: ${f}")
  endif()
endforeach()

# The desktop entry starts the installed start script and shows the installed
# icon, by its path: this prefix is not one the desktop searches.
file(STRINGS "${PREFIX}/share/applications/org.pellaro.Pellaro.desktop" exec REGEX "^Exec=")
file(STRINGS "${PREFIX}/share/applications/org.pellaro.Pellaro.desktop" icon REGEX "^Icon=")
if(NOT exec STREQUAL "Exec=${PREFIX}/bin/pellaro-start")
  message(FATAL_ERROR "desktop entry: ${exec}")
endif()
string(REGEX REPLACE "^Icon=" "" icon_path "${icon}")
if(NOT EXISTS "${icon_path}")
  message(FATAL_ERROR "desktop entry: ${icon} does not exist")
endif()

# The start script makes a new working directory with empty tables and starts
# the program there; the program is stopped after a while.
set(workdir "${PREFIX}/work dir")
# The script execs the program, so the time-out stops the program itself.
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND "${PREFIX}/bin/pellaro-start" "${workdir}" TIMEOUT 5 RESULT_VARIABLE rc OUTPUT_VARIABLE said
                ERROR_QUIET)
foreach(table osoby.dbf grupa.dbf sprzet.dbf)
  if(NOT EXISTS "${workdir}/${table}")
    message(FATAL_ERROR "pellaro-start made no ${table} in ${workdir} (${rc})")
  endif()
endforeach()
# It names the folder it made the tables in by its path.
file(REAL_PATH "${workdir}" real)
string(FIND "${said}" " in ${real}\n" named)
if(named EQUAL -1)
  message(FATAL_ERROR "pellaro-start did not name ${real}: ${said}")
endif()
message(STATUS "installed into ${PREFIX}: ${programs};${files};${icons}")
