# GNU FriBidi, built by third_party/fribidi/build.sh into the dependency cache.
add_library(FriBidi::FriBidi STATIC IMPORTED GLOBAL)
set_target_properties(FriBidi::FriBidi PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/fribidi/lib/libfribidi.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/fribidi/include/fribidi")
