# qpdf as built by build.sh into the cache: qpdf::libqpdf, static, with what
# it needs: zlib, libjpeg (libjpeg-turbo/import.cmake) and, for the random
# numbers of a new file identifier, advapi32.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)
add_library(qpdf::libqpdf STATIC IMPORTED GLOBAL)
set_target_properties(qpdf::libqpdf PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/qpdf/lib/libqpdf.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/qpdf/include"
    INTERFACE_LINK_LIBRARIES "ZLIB::ZLIB;JPEG::JPEG;advapi32"
    # The headers as the library was built: PointerHolder is std::shared_ptr.
    INTERFACE_COMPILE_DEFINITIONS "POINTERHOLDER_TRANSITION=4")
