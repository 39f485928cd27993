# HarfBuzz, built by third_party/harfbuzz/build.sh into the dependency cache.
add_library(HarfBuzz::HarfBuzz STATIC IMPORTED GLOBAL)
set_target_properties(HarfBuzz::HarfBuzz PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/harfbuzz/lib/libharfbuzz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/harfbuzz/include/harfbuzz")
