# orvane_check_layers(LIBRARY...): a test that fails when a source includes a
# header of a library it does not link, directly or through others. The link
# lines are the one statement of which layer may use which; this holds the
# includes to them too.
function(orvane_check_layers)
    set(manifest "")
    foreach(lib IN LISTS ARGN)
        get_target_property(dir ${lib} SOURCE_DIR)
        get_target_property(sources ${lib} SOURCES)
        get_target_property(links ${lib} LINK_LIBRARIES)
        set(files "")
        foreach(source IN LISTS sources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${dir}" NORMALIZE OUTPUT_VARIABLE path)
            list(APPEND files "${path}")
        endforeach()
        set(deps "")
        foreach(link IN LISTS links)
            if(link IN_LIST ARGN)
                list(APPEND deps ${link})
            endif()
        endforeach()
        list(JOIN files "," files)
        list(JOIN deps "," deps)
        string(APPEND manifest "${lib}|${deps}|${files}\n")
    endforeach()
    file(WRITE "${CMAKE_BINARY_DIR}/layers.txt" "${manifest}")
    add_test(NAME layers COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/layers.txt
             -DROOT=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/checklayers.cmake)
endfunction()
