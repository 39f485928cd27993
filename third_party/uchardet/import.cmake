# uchardet, built by third_party/uchardet/build.sh into the dependency cache.
add_library(Uchardet::Uchardet STATIC IMPORTED GLOBAL)
set_target_properties(Uchardet::Uchardet PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/uchardet/lib/libuchardet.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/uchardet/include")
