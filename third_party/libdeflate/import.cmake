# libdeflate as scripts/deps built it into the cache (README.md beside this file).
add_library(libdeflate::libdeflate STATIC IMPORTED GLOBAL)
set_target_properties(libdeflate::libdeflate PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/libdeflate/lib/libdeflate.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/libdeflate/include")
