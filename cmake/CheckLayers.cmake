# cmake -DROOT=<src> -DFOLDER=<folder of src> -DLAYERS=<Layers.cmake> [-DSOURCES=<paths>] -P CheckLayers.cmake
#
# Fails, naming each fault, when a file of FOLDER includes a file of a
# folder of src/ that FOLDER may not use (cmake/Layers.cmake), by a quoted
# name or in angle brackets, by a bare name or by a path of its own
# ("../pdf/PdfFile.h"), from a source, a header, an .inc or an .hpp; when it
# includes a file of src/ that lies in no layer; or when a source given to
# its target lies in another folder.
cmake_minimum_required(VERSION 3.20)
include(${LAYERS})

# The table as folders, each with the folders beneath it.
set(folders "")
foreach(line IN LISTS ARDENFOLD_LAYERS)
    string(REGEX REPLACE ":.*" "" name "${line}")
    string(REGEX REPLACE "^[^:]*:" "" below "${line}")
    separate_arguments(below UNIX_COMMAND "${below}")
    list(APPEND folders ${name})
    set(below_${name} ${below})
endforeach()
if(NOT FOLDER IN_LIST folders)
    message(FATAL_ERROR "src/${FOLDER} has no line in ${LAYERS}")
endif()

# What FOLDER may use: itself and everything beneath it, however deep.
set(allowed ${FOLDER})
set(queue ${below_${FOLDER}})
while(queue)
    list(POP_FRONT queue next)
    if(NOT next IN_LIST allowed)
        list(APPEND allowed ${next})
        list(APPEND queue ${below_${next}})
    endif()
endwhile()

# The layer a file of src/ lies in: the deepest listed folder that holds it.
function(owner_of path result)
    file(RELATIVE_PATH relative ${ROOT} ${path})
    get_filename_component(directory ${relative} DIRECTORY)
    set(${result} "" PARENT_SCOPE)
    while(directory)
        if(directory IN_LIST folders)
            set(${result} ${directory} PARENT_SCOPE)
            return()
        endif()
        get_filename_component(directory ${directory} DIRECTORY)
    endwhile()
endfunction()

get_filename_component(rootReal ${ROOT} REALPATH)
set(faults "")
file(GLOB_RECURSE files ${ROOT}/${FOLDER}/*)
foreach(file IN LISTS files)
    owner_of(${file} fileOwner)
    if(NOT fileOwner STREQUAL FOLDER OR NOT file MATCHES "\\.(h|hpp|hh|hxx|inc|ipp|inl|c|cc|cpp|cxx|rc)$")
        continue() # a folder of its own below this one, or no source
    endif()
    get_filename_component(fileDir ${file} DIRECTORY)
    file(RELATIVE_PATH fileName ${ROOT} ${file})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^\">]+)[\">].*" "\\1;\\2" parts "${line}")
        list(GET parts 0 quote)
        list(GET parts 1 name)
        # Where the compiler may find it: beside the including file (a
        # quoted name), then along the include path, which holds at most the
        # folder of every layer, and src/ and the project itself for a path
        # that starts there.
        set(candidates "")
        if(quote STREQUAL "\"" AND EXISTS ${fileDir}/${name})
            set(candidates ${fileDir}/${name})
        else()
            foreach(folder IN LISTS folders ITEMS . ..)
                if(EXISTS ${ROOT}/${folder}/${name} AND NOT IS_DIRECTORY ${ROOT}/${folder}/${name})
                    list(APPEND candidates ${ROOT}/${folder}/${name})
                endif()
            endforeach()
        endif()
        set(allowedFound FALSE)
        set(refused "")
        foreach(candidate IN LISTS candidates)
            get_filename_component(real ${candidate} REALPATH)
            string(FIND "${real}" "${rootReal}/" inSource)
            if(NOT inSource EQUAL 0)
                set(allowedFound TRUE) # outside src/: a third-party header, found through its own library
                continue()
            endif()
            owner_of(${real} includedOwner)
            if(includedOwner AND includedOwner IN_LIST allowed)
                set(allowedFound TRUE)
            elseif(includedOwner)
                set(refused "a header of src/${includedOwner}, which src/${FOLDER} may not use")
            else()
                file(RELATIVE_PATH where ${rootReal} ${real})
                set(refused "src/${where}, which lies in no layer")
            endif()
        endforeach()
        if(NOT allowedFound AND refused)
            list(APPEND faults "src/${fileName} includes ${quote}${name}, ${refused}")
        endif()
    endforeach()
endforeach()

foreach(source IN LISTS SOURCES)
    string(FIND "${source}" "${ROOT}/" inSource)
    if(inSource EQUAL 0)
        owner_of(${source} sourceOwner)
        if(NOT sourceOwner STREQUAL FOLDER)
            file(RELATIVE_PATH where ${ROOT} ${source})
            list(APPEND faults "the library of src/${FOLDER} is given src/${where}, a source of another folder")
        endif()
    endif()
endforeach()

if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "The layers of src/ point downwards only (cmake/Layers.cmake):\n  ${text}")
endif()
