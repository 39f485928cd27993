# The layers of src/: which folder's code may include (and link) which. The
# one place the direction is written; each line is a folder of src/ and the
# folders right beneath it, and a folder may use what those use in turn.
# Nothing may point back up. A folder of src/ that is not listed here has no
# code the build takes.
set(ARDENFOLD_LAYERS
    "system:"
    "exchange: system"
    "driver: exchange system"
    "port: exchange system"
    "document/common:"
    "document/image: document/common"
    "document/font: document/common"
    "document/text: document/font document/common"
    "document/pdf: document/text document/image document/font document/common"
    "converter/core: exchange system"
    "converter/fonts: document/text system"
    "converter/render: converter/fonts converter/core document/pdf"
    "converter/jobs: converter/render exchange"
    "converter/printer: converter/jobs"
    "converter: converter/printer converter/jobs"
)

# ardenfold_layer(TARGET [ROOT folder]): before TARGET is compiled, its
# folder's files (and the sources it is given) are checked against the
# table: an include, quoted or in angle brackets, of a file of a folder
# beneath none of its own, or a source from another folder, fails the build
# (cmake/CheckLayers.cmake). ROOT is src/ (given when src/document is built
# on its own, for the fuzz targets).
set(ARDENFOLD_LAYERS_FILE ${CMAKE_CURRENT_LIST_FILE})
get_filename_component(ARDENFOLD_LAYERS_CHECK ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake ABSOLUTE)
get_filename_component(ARDENFOLD_LAYERS_ROOT ${CMAKE_CURRENT_LIST_DIR}/../src ABSOLUTE)
function(ardenfold_layer target)
    file(RELATIVE_PATH folder ${ARDENFOLD_LAYERS_ROOT} ${CMAKE_CURRENT_SOURCE_DIR})
    get_target_property(sources ${target} SOURCES)
    set(given "")
    foreach(source IN LISTS sources)
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        list(APPEND given ${path})
    endforeach()
    file(GLOB_RECURSE watched CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
    set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}-layers.stamp)
    add_custom_command(OUTPUT ${stamp}
        COMMAND ${CMAKE_COMMAND} -DROOT=${ARDENFOLD_LAYERS_ROOT} -DFOLDER=${folder}
                -DLAYERS=${ARDENFOLD_LAYERS_FILE} "-DSOURCES=${given}" -P ${ARDENFOLD_LAYERS_CHECK}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${watched} ${ARDENFOLD_LAYERS_FILE} ${ARDENFOLD_LAYERS_CHECK}
        COMMENT "Checking that src/${folder} includes only its layers"
        VERBATIM)
    add_custom_target(${target}Layers DEPENDS ${stamp})
    add_dependencies(${target} ${target}Layers)
endfunction()
