# Fails when a core source includes anything of the window's side: a header
# from another folder of src/, or a Qt header that Qt Core does not provide
# (QtGui, QtWidgets, ...), or a library header in a folder other than
# libcurl's <curl/...>, libxml2's <libxml/...>, libphonenumber's <phonenumbers/...>,
# ICU's <unicode/...> (which libphonenumber reads characters with) or the system's (sys, arpa, net, netinet);
# zlib's <zlib.h> has no folder.
# Run as a script: -DSOURCES=a;b -DQT_CORE_INCLUDES=dirs
set(qt_core_dir "")
foreach(dir IN LISTS QT_CORE_INCLUDES)
    if(dir MATCHES "/QtCore$")
        set(qt_core_dir ${dir})
    endif()
endforeach()
if(NOT qt_core_dir)
    message(FATAL_ERROR "Qt Core's header folder was not found among: ${QT_CORE_INCLUDES}")
endif()

set(faults "")
foreach(source IN LISTS SOURCES)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "\"([a-z]+)/[^\"]+\"" AND NOT CMAKE_MATCH_1 STREQUAL "core")
            string(APPEND faults "\n  ${source}: ${line}")
        elseif(line MATCHES "<(Qt[A-Za-z]+/)?(Q[A-Za-z]+)>")
            set(module ${CMAKE_MATCH_1})
            if((module AND NOT module STREQUAL "QtCore/") OR NOT EXISTS ${qt_core_dir}/${CMAKE_MATCH_2})
                string(APPEND faults "\n  ${source}: ${line}")
            endif()
        elseif(line MATCHES "<([^/>]+)/" AND NOT CMAKE_MATCH_1 MATCHES "^(curl|libxml|phonenumbers|unicode|sys|arpa|netinet|net)$")
            string(APPEND faults "\n  ${source}: ${line}")
        endif()
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "The core needs Qt Core, libcurl, libxml2, libphonenumber and ICU only; these includes belong to the window's side:${faults}")
endif()
