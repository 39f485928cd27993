# libjpeg as built by build.sh into the cache: JPEG::JPEG, static.
add_library(JPEG::JPEG STATIC IMPORTED GLOBAL)
set_target_properties(JPEG::JPEG PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/libjpeg-turbo/lib/libjpeg.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/libjpeg-turbo/include")
