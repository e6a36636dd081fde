# Checks that no file under SRC names a configuration key outside the key unit
# (config/ConfigKeys.h and .cpp): no string literal, nor one joined from literals
# ("/" + "Settings" + "/" + "Theme", "/Settings/Insulations/%1"), that begins with a group
# of the unit's keys. A key the unit does not hold counts as well when its group is one.
# Usage: cmake -DSRC=<src folder> -P CheckConfigKeys.cmake
cmake_minimum_required(VERSION 3.16)

if(NOT SRC OR NOT IS_DIRECTORY "${SRC}")
    message(FATAL_ERROR "SRC must name the source folder")
endif()
# A relative folder would glob nothing, and the check would pass on no file.
get_filename_component(SRC "${SRC}" ABSOLUTE)

set(_unit "config/ConfigKeys.h" "config/ConfigKeys.cpp")
set(_groups "")
foreach(_file IN LISTS _unit)
    if(NOT EXISTS "${SRC}/${_file}")
        message(FATAL_ERROR "${_file}: the key unit is missing")
    endif()
    file(READ "${SRC}/${_file}" _text)
    # The groups of the key constants: char Name[] = "/Group/...".
    string(REGEX MATCHALL "char [A-Za-z]+\\[\\] = \"/[^\"/]+/" _found "${_text}")
    foreach(_g IN LISTS _found)
        string(REGEX REPLACE "^.*\"/([^/]+)/$" "\\1" _g "${_g}")
        list(APPEND _groups "${_g}")
    endforeach()
endforeach()
list(REMOVE_DUPLICATES _groups)
if(NOT _groups)
    message(FATAL_ERROR "the key unit names no key")
endif()
string(REPLACE ";" "|" _group_re "${_groups}")
set(_key_re "^/(${_group_re})(/|$)|^(${_group_re})/")

file(GLOB_RECURSE _files RELATIVE "${SRC}" "${SRC}/*.cpp" "${SRC}/*.h")
list(SORT _files)
list(REMOVE_ITEM _files ${_unit})
set(_errors "")
foreach(_file IN LISTS _files)
    file(READ "${SRC}/${_file}" _text)
    # Escaped backslashes and quotes, and quote characters, would pair the wrong quotes.
    string(REPLACE "\\\\" "" _text "${_text}")
    string(REPLACE "\\\"" "" _text "${_text}")
    string(REPLACE "'\"'" "''" _text "${_text}")
    # Comments: blocks, then whole-line and trailing ones.
    string(FIND "${_text}" "/*" _at)
    while(_at GREATER -1)
        string(SUBSTRING "${_text}" 0 ${_at} _head)
        string(SUBSTRING "${_text}" ${_at} -1 _tail)
        string(FIND "${_tail}" "*/" _end)
        if(_end EQUAL -1)
            set(_tail "")
        else()
            math(EXPR _end "${_end} + 2")
            string(SUBSTRING "${_tail}" ${_end} -1 _tail)
        endif()
        set(_text "${_head}${_tail}")
        string(FIND "${_text}" "/*" _at)
    endwhile()
    string(REGEX REPLACE "(^|[\n \t;{}(),])//[^\n]*" "\\1" _text "${_text}")
    # A literal in its wrapper is the literal; literals next to each other or joined by '+'
    # are one.
    string(REGEX REPLACE "(QStringLiteral|QLatin1String|QLatin1Char|QString::fromLatin1|QString::fromUtf8|QString)[ \t]*\\(([ \t]*[\"'][^\"'()]*[\"'][ \t]*)\\)"
           "\\2" _text "${_text}")
    string(REPLACE "'/'" "\"/\"" _text "${_text}")
    string(REGEX REPLACE "\"[ \t\r\n]*\\+?[ \t\r\n]*\"" "" _text "${_text}")
    string(REGEX MATCHALL "\"[^\"]*\"" _literals "${_text}")
    foreach(_literal IN LISTS _literals)
        string(REGEX REPLACE "^\"(.*)\"$" "\\1" _literal "${_literal}")
        if(_literal MATCHES "${_key_re}")
            list(APPEND _errors "${_file}: names the configuration key \"${_literal}\" outside config/ConfigKeys")
        endif()
    endforeach()
endforeach()

if(_errors)
    list(JOIN _errors "\n" _text)
    message(FATAL_ERROR "${_text}")
endif()
message(STATUS "No configuration key is named outside config/ConfigKeys")
