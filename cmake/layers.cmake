# orvane_check_layers(TARGET...): a test that fails when a source includes a
# header of a library it does not link, directly or through others. The link
# lines are the one statement of which layer may use which; this holds the
# includes to them too. Sources are read as the build sees them, generator
# expressions evaluated, so none escapes. Each library's sources sit in its own
# folder, and no two folders include each other.
#
# The tests (those orvane_add_test made) are held to the same, and more: a test
# in tests/X links nothing of the program above X's library, through whatever
# support it links, but for what it names as THROUGH.
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
        string(APPEND manifest "${target}|${deps}|${dir}|$<JOIN:$<TARGET_PROPERTY:${target},SOURCES>,$<COMMA>>||\n")
    endforeach()
    get_property(tests GLOBAL PROPERTY ORVANE_TESTS)
    foreach(test IN LISTS tests)
        get_target_property(dir ${test} SOURCE_DIR)
        get_target_property(through ${test} ORVANE_THROUGH)
        _orvane_program_reach(${test} "${ARGN}" deps)
        # The library a test tests: the one whose folder its own mirrors.
        string(REPLACE "${PROJECT_SOURCE_DIR}/tests/" "${PROJECT_SOURCE_DIR}/" mirrored "${dir}")
        set(tested "")
        foreach(target IN LISTS ARGN)
            get_target_property(type ${target} TYPE)
            get_target_property(tdir ${target} SOURCE_DIR)
            if(tdir STREQUAL mirrored AND type STREQUAL "STATIC_LIBRARY" AND NOT tested)
                set(tested ${target})
            endif()
        endforeach()
        list(JOIN deps "," deps)
        list(JOIN through "," through)
        string(APPEND manifest
               "${test}|${deps}|${dir}|$<JOIN:$<TARGET_PROPERTY:${test},SOURCES>,$<COMMA>>|${tested}|${through}\n")
    endforeach()
    file(GENERATE OUTPUT "${CMAKE_BINARY_DIR}/layers.txt" CONTENT "${manifest}")
    add_test(NAME layers COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/layers.txt
             -DROOT=${PROJECT_SOURCE_DIR} -DBUILD=${CMAKE_BINARY_DIR}
             -P ${PROJECT_SOURCE_DIR}/cmake/checklayers.cmake)
endfunction()

# The program's libraries (of `program`) that `target` links, directly or
# through any of the project's own targets between.
function(_orvane_program_reach target program out)
    set(found "")
    set(seen "")
    set(todo ${target})
    while(todo)
        list(POP_FRONT todo next)
        foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
            get_target_property(links ${next} ${property})
            foreach(link IN LISTS links)
                if(NOT TARGET ${link} OR link IN_LIST seen)
                    continue()
                endif()
                get_target_property(imported ${link} IMPORTED)
                if(imported)
                    continue()
                endif()
                list(APPEND seen ${link})
                list(APPEND todo ${link})
                if(link IN_LIST program)
                    list(APPEND found ${link})
                endif()
            endforeach()
        endforeach()
    endwhile()
    set(${out} ${found} PARENT_SCOPE)
endfunction()
