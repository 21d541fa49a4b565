# Build-time: the package's documents. The Debian changelog and the AppStream
# releases come from CHANGELOG.md, the copyright holder from the About box.
#   cmake -DSOURCE_DIR= -DOUT_DIR= -DVERSION= -DAPP_ID= -DMAINTAINER= [-DHOMEPAGE=]
#         [-DAPPSTREAM_VERSION=] "-DPAGES=orvane.1;..." -P generate-docs.cmake
cmake_policy(VERSION 3.25)
set(here "${SOURCE_DIR}/packaging")

# Debian wants the most compression and no name or time stamp in the header.
function(compress file)
    execute_process(COMMAND gzip -9n -c "${file}" OUTPUT_FILE "${file}.gz" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "gzip ${file}: ${rc}")
    endif()
endfunction()

function(changelog format out)
    execute_process(COMMAND awk -v format=${format} -v version=${VERSION} -v package=orvane
                            -v "maintainer=${MAINTAINER}" -f "${here}/changelog.awk"
                            "${SOURCE_DIR}/CHANGELOG.md"
                    OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "CHANGELOG.md needs an entry for ${VERSION} on top (see above)")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(STRINGS "${SOURCE_DIR}/app/layout.h" line REGEX "kCopyright\\[\\] *=")
if(NOT line MATCHES "\"(Copyright \\\\u00A9 [0-9]+ ([^\"]+))\"")
    message(FATAL_ERROR "no copyright line (kCopyright) in app/layout.h")
endif()
string(REPLACE "\\u00A9" "©" COPYRIGHT "${CMAKE_MATCH_1}")
set(HOLDER "${CMAKE_MATCH_2}")

file(MAKE_DIRECTORY "${OUT_DIR}/man")
changelog(debian debian_changelog)
file(WRITE "${OUT_DIR}/changelog" "${debian_changelog}")
compress("${OUT_DIR}/changelog")
configure_file("${here}/copyright.in" "${OUT_DIR}/copyright" @ONLY)
foreach(page IN LISTS PAGES)
    configure_file("${here}/man/${page}" "${OUT_DIR}/man/${page}" COPYONLY)
    compress("${OUT_DIR}/man/${page}")
endforeach()

changelog(appstream RELEASES)
# AppStream 1.0 names the developer in a <developer> block and wants a homepage for
# every application; 0.16 (Debian 12) knows only <developer_name>. The metainfo is
# written for the AppStream of the system it is built on, as the package is.
if(APPSTREAM_VERSION AND APPSTREAM_VERSION VERSION_LESS 1.0)
    set(DEVELOPER "  <developer_name>${HOLDER}</developer_name>\n")
else()
    set(appstream_1 TRUE)
    string(REGEX REPLACE "\\.[^.]*$" "" developer_id "${APP_ID}")
    set(DEVELOPER "  <developer id=\"${developer_id}\">\n    <name>${HOLDER}</name>\n  </developer>\n")
endif()
# Software centres fetch the screenshot; docs/screenshot.png belongs at the site's
# root. Without a site the reserved .invalid name keeps either address from ever
# pointing at someone else's page; the homepage is then given only where AppStream
# requires one.
if(HOMEPAGE)
    string(REGEX REPLACE "/+$" "" site "${HOMEPAGE}")
else()
    set(site "https://orvane.invalid")
endif()
if(HOMEPAGE OR appstream_1)
    set(HOMEPAGE_URL "  <url type=\"homepage\">${site}/</url>\n")
else()
    set(HOMEPAGE_URL "")
endif()
set(SCREENSHOT_URL "${site}/screenshot.png")
configure_file("${here}/${APP_ID}.metainfo.xml.in" "${OUT_DIR}/${APP_ID}.metainfo.xml" @ONLY)
