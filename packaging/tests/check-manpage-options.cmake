# Compares the options that PROGRAM --help lists with those of its manual page
# PAGE, each as "--name ARG", both ways. The help may be written by hand or by
# Qt's QCommandLineParser ("-?, -h, --help", "--port <N>").
#   cmake -DPROGRAM=... -DPAGE=... -P check-manpage-options.cmake
cmake_policy(VERSION 3.25)

# "-h, --help", "--delay MS", "--value CH=V": an option, and an argument in capitals.
set(option_regex "^(-[a-zA-Z?], )*--[a-z][a-z0-9-]*( [A-Z][A-Z0-9_]*(=[A-Z][A-Z0-9_]*)?)?")

execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help exited ${rc}")
endif()
# Semicolons and brackets would split or join CMake's list items; Qt puts the
# argument in angle brackets.
string(REGEX REPLACE "[][;]" " " help "${help}")
string(REGEX REPLACE "[<>]" "" help "${help}")
set(in_help "")
string(REGEX MATCHALL "\n  -[^\n]*" lines "\n${help}")
foreach(line IN LISTS lines)
    string(SUBSTRING "${line}" 3 -1 line)
    string(REGEX MATCH "${option_regex}" option "${line}")
    if(NOT option)
        message(FATAL_ERROR "cannot read the option in this line of --help:\n  ${line}")
    endif()
    list(APPEND in_help "${option}")
endforeach()
if(NOT in_help)
    message(FATAL_ERROR "found no option in the output of ${PROGRAM} --help")
endif()

# The tag line of every .TP in the OPTIONS section, with the fonts taken off.
file(READ "${PAGE}" page)
string(REGEX REPLACE "[][;]" " " page "${page}")
string(REGEX REPLACE ".*\n\\.SH OPTIONS\n" "" page "${page}")
string(REGEX REPLACE "\n\\.SH .*" "" page "${page}")
string(REGEX MATCHALL "\\.TP[^\n]*\n[^\n]*" items "${page}")
set(in_page "")
foreach(item IN LISTS items)
    string(REGEX REPLACE "^[^\n]*\n" "" tag "${item}")
    # .B and .I join their arguments with blanks; .BI, .BR and the like without.
    if(tag MATCHES "^\\.([BIR]+) (.*)")
        separate_arguments(words UNIX_COMMAND "${CMAKE_MATCH_2}")
        if(CMAKE_MATCH_1 MATCHES "^[BI]$")
            list(JOIN words " " tag)
        else()
            list(JOIN words "" tag)
        endif()
    endif()
    string(REGEX REPLACE "\\\\f[BIRP]" "" tag "${tag}")
    string(REPLACE "\\-" "-" tag "${tag}")
    string(REGEX MATCH "${option_regex}" option "${tag}")
    if(option)
        list(APPEND in_page "${option}")
    endif()
endforeach()

set(only_help ${in_help})
list(REMOVE_ITEM only_help ${in_page})
set(only_page ${in_page})
list(REMOVE_ITEM only_page ${in_help})
if(only_help OR only_page)
    foreach(side only_help only_page)
        if(NOT ${side})
            set(${side} "(none)")
        endif()
        list(JOIN ${side} "\n  " ${side})
    endforeach()
    message(FATAL_ERROR "${PAGE} and --help differ; update the page's OPTIONS.\n"
                        "Only in --help:\n  ${only_help}\nOnly in the page:\n  ${only_page}")
endif()
list(LENGTH in_help count)
message(STATUS "${count} options alike in --help and the page")
