# cmake -DROOT=<src/document> -DFOLDER=<library folder> -DALLOWED=<folders> -P DocumentLayers.cmake
#
# Fails when a source of FOLDER includes, by a quoted name, a header of a
# library folder outside ALLOWED (its own and those it links), or a file of
# the project outside the document libraries. The include path already
# keeps a bare name from finding such a header; this catches the include
# that finds it by a path of its own ("../pdf/PdfFile.h").
cmake_minimum_required(VERSION 3.20)
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${ROOT} ${ROOT}/*)
set(folders "")
foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${ROOT}/${entry})
        list(APPEND folders ${entry})
    endif()
endforeach()
file(GLOB sources ${ROOT}/${FOLDER}/*.h ${ROOT}/${FOLDER}/*.cpp)
get_filename_component(projectRoot ${ROOT}/../.. REALPATH)

set(faults "")
foreach(source IN LISTS sources)
    get_filename_component(sourceDir ${source} DIRECTORY)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
        # Where the compiler looks: beside the including file, then along
        # the include path, which holds at most every library's folder.
        set(found "")
        if(EXISTS ${sourceDir}/${name})
            get_filename_component(found ${sourceDir}/${name} REALPATH)
        else()
            foreach(folder IN LISTS folders)
                if(EXISTS ${ROOT}/${folder}/${name})
                    get_filename_component(found ${ROOT}/${folder}/${name} REALPATH)
                    break()
                endif()
            endforeach()
        endif()
        if(NOT found)
            continue() # a third-party header, found through its own library
        endif()
        file(RELATIVE_PATH relative ${ROOT} ${found})
        string(REGEX REPLACE "/.*" "" owner "${relative}")
        get_filename_component(sourceName ${source} NAME)
        if(relative MATCHES "^\\.\\./")
            string(FIND "${found}" "${projectRoot}/" inProject)
            if(inProject EQUAL 0)
                list(APPEND faults "${FOLDER}/${sourceName} includes ${name}, which is outside the document libraries")
            endif()
        elseif(NOT owner IN_LIST ALLOWED)
            list(APPEND faults "${FOLDER}/${sourceName} includes ${name}, a header of ${owner}/, which ${FOLDER}/ does not link")
        endif()
    endforeach()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "The document libraries depend downwards only (src/document/README.md):\n  ${text}")
endif()
