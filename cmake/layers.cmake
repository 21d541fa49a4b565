# orvane_check_layers(TARGET...): a test that fails when a source includes a
# header of a library it does not link, directly or through others. The link
# lines are the one statement of which layer may use which; this holds the
# includes to them too. Sources are read as the build sees them, generator
# expressions evaluated, so none escapes. Each library's sources sit in its own
# folder, and no two folders include each other.
function(orvane_check_layers)
    set(manifest "")
    foreach(target IN LISTS ARGN)
        get_target_property(dir ${target} SOURCE_DIR)
        get_target_property(links ${target} LINK_LIBRARIES)
        set(deps "")
        foreach(link IN LISTS links)
            if(link IN_LIST ARGN)
                list(APPEND deps ${link})
            endif()
        endforeach()
        list(JOIN deps "," deps)
        string(APPEND manifest "${target}|${deps}|${dir}|$<JOIN:$<TARGET_PROPERTY:${target},SOURCES>,$<COMMA>>\n")
    endforeach()
    file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/layers.txt" CONTENT "${manifest}")
    add_test(NAME layers COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/layers.txt
             -DROOT=${PROJECT_SOURCE_DIR} -DBUILD=${CMAKE_BINARY_DIR}
             -P ${PROJECT_SOURCE_DIR}/cmake/checklayers.cmake)
endfunction()
