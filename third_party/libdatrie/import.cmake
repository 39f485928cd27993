# libdatrie, built by third_party/libdatrie/build.sh into the dependency cache.
add_library(Datrie::Datrie STATIC IMPORTED GLOBAL)
set_target_properties(Datrie::Datrie PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/libdatrie/lib/libdatrie.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/libdatrie/include")
