# Standard, warnings and Qt's strict defines shared by every target.
add_library(vandrell_common INTERFACE)
target_compile_features(vandrell_common INTERFACE cxx_std_20)
target_compile_options(vandrell_common INTERFACE -Wall -Wextra $<$<BOOL:${VANDRELL_WERROR}>:-Werror>)
target_compile_definitions(vandrell_common INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_USE_QSTRINGBUILDER
    QT_DISABLE_DEPRECATED_UP_TO=0x060000
    VANDRELL_VERSION="${PROJECT_VERSION}")
