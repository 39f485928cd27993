# libtiff as build.sh built it into the cache: TIFF::TIFF, static, with the
# codec libraries it was built with.
add_library(TIFF::TIFF STATIC IMPORTED GLOBAL)
set_target_properties(TIFF::TIFF PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/libtiff/lib/libtiff.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/libtiff/include"
    INTERFACE_LINK_LIBRARIES "JPEG::JPEG;/usr/i686-w64-mingw32/lib/libz.a")
