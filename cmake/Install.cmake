# What `cmake --install` puts where, apart from the programs themselves (their
# rules stand beside their targets). The program reads its side files
# (HAND-M.CUR, x/o.cjs) from its own folder, so it lives in a folder of its
# own with a link to it in bin. Tests, benchmarks and the fuzzer have no
# install rules.

# Relative to the prefix, so `--prefix` and DESTDIR move it like the rest. Not
# CMAKE_INSTALL_LIBDIR: on Debian that carries the multiarch triplet, which a
# program folder has no use for.
set(VANDRELL_INSTALL_PROGRAMDIR "lib/vandrell"
    CACHE STRING "Folder of the program and its side files, relative to the prefix")
set(VANDRELL_APP_ID com.korrim.Vandrell)
set(VANDRELL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vandrell)

# Installs a compressed copy of a text file, as Debian wants manual pages and
# change logs; gzip -n keeps the bytes the same from build to build.
function(vandrell_install_gzipped source destination)
    get_filename_component(name ${source} NAME)
    set(compressed ${PROJECT_BINARY_DIR}/gzipped/${name}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/gzipped
        COMMAND gzip -9nc ${source} > ${compressed}
        DEPENDS ${source} VERBATIM)
    add_custom_target(gzip_${name} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${destination})
endfunction()

# A manual page, into the section its name ends with ("vandrell-scan.1").
function(vandrell_install_man_page source)
    string(REGEX MATCH "[0-9]$" section ${source})
    vandrell_install_gzipped(${source} ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

# A relative link, so the installed tree can be moved or staged under DESTDIR.
file(RELATIVE_PATH program_from_bindir /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${VANDRELL_INSTALL_PROGRAMDIR}/vandrell)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/install-link)
file(CREATE_LINK ${program_from_bindir} ${PROJECT_BINARY_DIR}/install-link/vandrell SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/install-link/vandrell DESTINATION ${CMAKE_INSTALL_BINDIR})

# Menu entry, software-centre description and the icon in every theme size.
install(FILES resources/${VANDRELL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/${VANDRELL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 24 32 48 64 128 256)
    install(FILES resources/icons/vandrell-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VANDRELL_APP_ID}.png)
endforeach()
install(FILES resources/icons/vandrell.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VANDRELL_APP_ID}.svg)

install(FILES resources/copyright DESTINATION ${VANDRELL_INSTALL_DOCDIR})
vandrell_install_gzipped(${PROJECT_SOURCE_DIR}/resources/changelog ${VANDRELL_INSTALL_DOCDIR})
