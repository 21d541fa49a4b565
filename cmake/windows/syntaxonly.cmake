# Included right after project() in the tree that checks the program compiles
# for Windows. There is no Qt built for Windows here, so the host's Qt headers
# stand in, made to look like a Windows Qt's; every source is compiled for
# syntax and types only, and nothing is archived or linked.

set(CMAKE_CXX_COMPILE_OBJECT
    "<CMAKE_CXX_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -fsyntax-only <SOURCE>"
    "\"${CMAKE_COMMAND}\" -E touch <OBJECT>")
foreach(rule CMAKE_CXX_LINK_EXECUTABLE CMAKE_CXX_CREATE_SHARED_LIBRARY CMAKE_CXX_CREATE_SHARED_MODULE)
    set(${rule} "\"${CMAKE_COMMAND}\" -E touch <TARGET>")
endforeach()

# Nothing is linked, so no library waits for those below it, and one that does
# not compile keeps none of the others from being checked.
set(CMAKE_OPTIMIZE_DEPENDENCIES ON)
set(CMAKE_AUTOGEN_ORIGIN_DEPENDS OFF)

# Headers of the Linux system are not the target's: CMake leaves these out.
file(GLOB host_includes LIST_DIRECTORIES true /usr/include/*-linux-gnu*)
list(APPEND CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES /usr/include ${host_includes})

function(_orvane_windows_targets dir out)
    get_directory_property(targets DIRECTORY ${dir} BUILDSYSTEM_TARGETS)
    get_directory_property(subdirs DIRECTORY ${dir} SUBDIRECTORIES)
    foreach(sub IN LISTS subdirs)
        _orvane_windows_targets(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(_orvane_windows_setup)
    # What Qt's win32-g++ spec gives every program, and its own include folder.
    get_target_property(dirs Qt6::Platform INTERFACE_INCLUDE_DIRECTORIES)
    list(TRANSFORM dirs REPLACE "/mkspecs/[^/]+$" "/mkspecs/win32-g++")
    set_target_properties(Qt6::Platform PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${dirs}")
    set_property(TARGET Qt6::Platform APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS
                 UNICODE _UNICODE WIN32 WIN64 MINGW_HAS_SECURE_API=1)

    # Qt's features of the X11 and EGL desktops are off on Windows: headers that
    # declare their interfaces must not offer them here.
    get_target_property(gui_dirs Qt6::Gui INTERFACE_INCLUDE_DIRECTORIES)
    find_file(gui_config QtGui/qtgui-config.h PATHS ${gui_dirs} NO_DEFAULT_PATH NO_CACHE REQUIRED)
    set(shadow ${CMAKE_BINARY_DIR}/windows-qt)
    set(text "#include \"${gui_config}\"\n")
    foreach(feature xcb xcb_glx_plugin egl)
        string(APPEND text "#undef QT_FEATURE_${feature}\n#define QT_FEATURE_${feature} -1\n")
    endforeach()
    file(CONFIGURE OUTPUT ${shadow}/QtGui/qtgui-config.h CONTENT "${text}" @ONLY)
    # A Windows Qt has this header and Debian 13's Qt leaves it out: it declares
    # Windows' handle types, opaque as the system's own strict declarations.
    find_file(windefs QtGui/qwindowdefs_win.h PATHS ${gui_dirs} NO_DEFAULT_PATH NO_CACHE)
    if(NOT windefs)
        set(text "#pragma once\n#define ORVANE_HANDLE(name) struct name##__; typedef struct name##__ *name\n")
        foreach(handle HINSTANCE HDC HWND HFONT HPEN HBRUSH HBITMAP HICON HPALETTE HRGN HMONITOR HGLRC)
            string(APPEND text "ORVANE_HANDLE(${handle});\n")
        endforeach()
        string(APPEND text "typedef HINSTANCE HMODULE;\ntypedef HICON HCURSOR;\n"
                           "typedef long HRESULT;\ntypedef struct tagMSG MSG;\n")
        file(CONFIGURE OUTPUT ${shadow}/QtGui/qwindowdefs_win.h CONTENT "${text}" @ONLY)
    endif()

    # A DLL is linked through its import library; nothing is linked here, so
    # the host's library stands in for it.
    get_directory_property(imported DIRECTORY ${CMAKE_SOURCE_DIR} IMPORTED_TARGETS)
    foreach(target IN LISTS imported)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "SHARED_LIBRARY")
            get_target_property(configs ${target} IMPORTED_CONFIGURATIONS)
            foreach(config IN ITEMS "" LISTS configs)
                if(config)
                    set(config _${config})
                endif()
                get_target_property(location ${target} IMPORTED_LOCATION${config})
                if(location)
                    set_target_properties(${target} PROPERTIES IMPORTED_IMPLIB${config} ${location})
                endif()
            endforeach()
        endif()
    endforeach()

    # The program is everything built outside the tests.
    _orvane_windows_targets(${CMAKE_SOURCE_DIR} targets)
    set(program "")
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        get_target_property(dir ${target} SOURCE_DIR)
        file(RELATIVE_PATH where ${CMAKE_SOURCE_DIR} ${dir})
        if("/${where}/" MATCHES "/tests/")
            set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
        elseif(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
            list(APPEND program ${target})
            target_include_directories(${target} BEFORE PRIVATE ${shadow})
            # Moc's code follows from the headers, which the sources already bring in.
            get_target_property(bin ${target} BINARY_DIR)
            set_source_files_properties(${bin}/${target}_autogen/mocs_compilation.cpp
                                        DIRECTORY ${dir} PROPERTIES HEADER_FILE_ONLY ON)
        endif()
    endforeach()
    list(JOIN program "\n" program)
    file(WRITE ${CMAKE_BINARY_DIR}/windows-targets.txt "${program}\n")
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL _orvane_windows_setup)
