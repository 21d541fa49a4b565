# Installs the build into STAGE and checks that the desktop entry's program and
# icon are where a freedesktop menu looks for them, that the AppStream metainfo
# carries the entry's name as its id, and that the manual pages and the Debian
# documents are in place.
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${STAGE}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

file(GLOB entry "${STAGE}/share/applications/*.desktop")
list(LENGTH entry entries)
if(NOT entries EQUAL 1)
    message(FATAL_ERROR "not one desktop entry in share/applications: ${entry}")
endif()
get_filename_component(app_id "${entry}" NAME_WLE)
set(metainfo "${STAGE}/share/metainfo/${app_id}.metainfo.xml")
if(NOT EXISTS "${metainfo}")
    message(FATAL_ERROR "no AppStream metainfo named after the desktop entry: ${metainfo}")
endif()
file(READ "${metainfo}" xml)
if(NOT xml MATCHES "<id>${app_id}</id>" OR NOT xml MATCHES "<launchable type=\"desktop-id\">${app_id}.desktop<")
    message(FATAL_ERROR "${metainfo}: its <id> and <launchable> are not ${app_id}")
endif()
file(STRINGS "${entry}" exec REGEX "^Exec=")
file(STRINGS "${entry}" icon REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec "${exec}")
string(REGEX REPLACE "^Icon=" "" icon "${icon}")

set(missing "")
foreach(program "${exec}" orvane-boardsim)
    execute_process(COMMAND test -f "${STAGE}/bin/${program}" -a -x "${STAGE}/bin/${program}"
                    RESULT_VARIABLE not_there)
    if(not_there)
        list(APPEND missing "bin/${program}")
    endif()
endforeach()
foreach(size 16 22 24 32 48 64 128 256)
    list(APPEND wanted "share/icons/hicolor/${size}x${size}/apps/${icon}.png")
endforeach()
list(APPEND wanted "share/icons/hicolor/scalable/apps/${icon}.svg"
     share/man/man1/orvane.1.gz share/man/man1/orvane-boardsim.1.gz
     share/doc/orvane/copyright share/doc/orvane/changelog.gz)
foreach(file IN LISTS wanted)
    if(NOT EXISTS "${STAGE}/${file}")
        list(APPEND missing "${file}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " missing)
    message(FATAL_ERROR "missing after install:\n  ${missing}")
endif()
