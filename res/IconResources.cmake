# Writes an icon file's images as resource-script entries:
#   cmake -DICON=<file.ico> -DOUTPUT=<file.rc> -DFIRST_ID=<number> -P IconResources.cmake
#
# The script's ICON statement would number the images itself and cannot be
# told where to start, so each image becomes an icon-image resource (type 3)
# of its own, numbered from FIRST_ID in the order of the icon's directory, and
# the directory becomes icon group 1 (type 14) that lists those numbers. The
# bytes go inline: the build needs no tool beyond CMake and the resource
# compiler. The including script sets the language.

file(READ "${ICON}" hex HEX)
string(LENGTH "${hex}" hex_length)

# An unsigned little-endian number of `bytes` bytes at byte `offset`.
function(read_number out offset bytes)
    math(EXPR start "(${offset}) * 2")
    math(EXPR chars "${bytes} * 2")
    math(EXPR end "${start} + ${chars}")
    if(end GREATER hex_length)
        message(FATAL_ERROR "${ICON} ends inside its directory")
    endif()
    string(SUBSTRING "${hex}" ${start} ${chars} little_endian)
    set(big_endian "")
    foreach(i RANGE 0 ${chars} 2)
        if(i LESS chars)
            string(SUBSTRING "${little_endian}" ${i} 2 byte)
            string(PREPEND big_endian "${byte}")
        endif()
    endforeach()
    math(EXPR value "0x${big_endian}")
    set(${out} ${value} PARENT_SCOPE)
endfunction()

# Bytes as string items of the script, 32 bytes to a line.
function(as_resource_data out bytes_hex)
    string(REGEX REPLACE "(................................................................)" "\\1\n" lines "${bytes_hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" lines "${lines}")
    string(REGEX REPLACE "([^\n]+)" "    \"\\1\"," lines "${lines}")
    if(NOT lines MATCHES "\n$")
        string(APPEND lines "\n")
    endif()
    # An empty string ends the list, so that every line may end in a comma.
    set(${out} "${lines}    \"\"\n" PARENT_SCOPE)
endfunction()

function(little_endian_hex out value bytes)
    set(result "")
    foreach(i RANGE 1 ${bytes})
        math(EXPR byte "${value} & 0xFF" OUTPUT_FORMAT HEXADECIMAL)
        math(EXPR value "${value} >> 8")
        string(REGEX REPLACE "^0x" "" byte "${byte}")
        string(LENGTH "${byte}" byte_length)
        if(byte_length EQUAL 1)
            set(byte "0${byte}")
        endif()
        string(APPEND result "${byte}")
    endforeach()
    string(TOLOWER "${result}" result)
    set(${out} "${result}" PARENT_SCOPE)
endfunction()

read_number(reserved 0 2)
read_number(type 2 2)
read_number(count 4 2)
if(NOT reserved EQUAL 0 OR NOT type EQUAL 1 OR count EQUAL 0)
    message(FATAL_ERROR "${ICON} is not an icon file")
endif()

get_filename_component(icon_name "${ICON}" NAME)
set(script "// Made by IconResources.cmake from ${icon_name}: do not edit.\n")
string(SUBSTRING "${hex}" 0 12 group_hex)
math(EXPR last "${count} - 1")
foreach(index RANGE 0 ${last})
    math(EXPR entry "6 + 16 * ${index}")
    math(EXPR id "${FIRST_ID} + ${index}")
    read_number(size "${entry} + 8" 4)
    read_number(offset "${entry} + 12" 4)
    math(EXPR end "${offset} + ${size}")
    math(EXPR file_bytes "${hex_length} / 2")
    if(end GREATER file_bytes)
        message(FATAL_ERROR "${ICON}: image ${index} lies beyond the end of the file")
    endif()

    # The group's entry is the file's entry with the resource number in
    # place of the file offset.
    math(EXPR entry_start "${entry} * 2")
    string(SUBSTRING "${hex}" ${entry_start} 24 entry_hex)
    little_endian_hex(id_hex ${id} 2)
    string(APPEND group_hex "${entry_hex}${id_hex}")

    math(EXPR image_start "${offset} * 2")
    math(EXPR image_chars "${size} * 2")
    string(SUBSTRING "${hex}" ${image_start} ${image_chars} image_hex)
    as_resource_data(data "${image_hex}")
    string(APPEND script "\n${id} 3\nBEGIN\n${data}END\n")
endforeach()

as_resource_data(data "${group_hex}")
string(APPEND script "\n1 14\nBEGIN\n${data}END\n")

file(WRITE "${OUTPUT}.tmp" "${script}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
