# libthai's word breaker and its dictionary, built by
# third_party/libthai/build.sh into the dependency cache.
add_library(Thai::Thai STATIC IMPORTED GLOBAL)
set_target_properties(Thai::Thai PROPERTIES
    IMPORTED_LOCATION "${ARDENFOLD_DEPS}/libthai/lib/libthai.a"
    INTERFACE_INCLUDE_DIRECTORIES "${ARDENFOLD_DEPS}/libthai/include;${ARDENFOLD_DEPS}/libthai/include/thai-private"
    INTERFACE_LINK_LIBRARIES Datrie::Datrie)
# The words, one a line, as a C source (ardenfold_thai_words).
set(ARDENFOLD_THAI_WORDS "${ARDENFOLD_DEPS}/libthai/share/libthai/thai-words.c")
