# ardenfold_delay_imports(TARGET dll...)
# Links TARGET so that the named Windows DLLs are loaded at the first call
# into them instead of when the program starts. For each DLL a delay-load
# import library is made from the toolchain's own import library (every
# function it exports, names as the toolchain's library has them) and put in
# a folder that the target searches first, so that every -l<dll> of the
# target, its libraries' and the compiler driver's alike, takes it; the
# mingw-w64 runtime's __delayLoadHelper2 resolves a function at its first call.
#
# GNU ld drops an import member's code when only its __imp_ pointer is
# referenced (a call through a dllimport declaration). For a delay-load member
# that code is the lazy binding the pointer starts out at, so every function
# is named as an undefined symbol in a generated linker script: ld then keeps
# the code of each, and a call into the DLL never jumps to address 0.
function(ardenfold_delay_imports target)
    set(dir "${CMAKE_BINARY_DIR}/delay-imports")
    file(MAKE_DIRECTORY "${dir}")
    find_program(DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
    find_program(MINGW_NM NAMES i686-w64-mingw32-nm REQUIRED)
    set(script "${dir}/${target}-keep.ld")
    set(externs "")
    foreach(name IN LISTS ARGN)
        find_library(import_${name} NAMES ${name} NO_CACHE REQUIRED)
        set(library "${dir}/lib${name}.a")
        set(def "${dir}/${name}.def")
        execute_process(COMMAND ${DLLTOOL} --identify ${import_${name}}
                        OUTPUT_VARIABLE dll OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        execute_process(COMMAND ${MINGW_NM} -g --defined-only ${import_${name}}
                        OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
        # A function's stub is a code symbol "_Name@bytes"; data has none and
        # cannot be delay-loaded.
        string(REGEX MATCHALL "[0-9a-f]+ T _[^\n]+" stubs "${symbols}")
        list(TRANSFORM stubs REPLACE "^[0-9a-f]+ T _" "")
        list(REMOVE_DUPLICATES stubs)
        list(SORT stubs)
        list(JOIN stubs "\n" exports)
        file(WRITE "${def}" "LIBRARY ${dll}\nEXPORTS\n${exports}\n")
        # -k: the name a function is imported by has no "@bytes".
        execute_process(COMMAND ${DLLTOOL} -k -d ${def} -y ${library} COMMAND_ERROR_IS_FATAL ANY)
        foreach(stub IN LISTS stubs)
            string(APPEND externs "EXTERN(\"_${stub}\")\n")
        endforeach()
    endforeach()
    file(WRITE "${script}" "${externs}")
    target_link_directories(${target} BEFORE PRIVATE "${dir}")
    target_link_libraries(${target} PRIVATE "${script}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${script}")
endfunction()
