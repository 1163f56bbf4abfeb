# The front ends see the core through src/session only: every #include "..." of the folders
# named in FOLDERS is one of their own, a session header, a value-type header, or an interface
# the front end implements (see src/session/README.md). The desktop client's tests keep to the
# same, besides their own support and the stand-in. Run: cmake -DROOT=<repo> -P this file.
set(FOLDERS src/pages src/app src/cli tests/app tests/pages)
set(ALLOWED
    "^session/"
    "^service/(account_info|disk_entries|listing_request|service_result|service_config|transport_security|text_codec)\\.h$"
    "^store/(direction|user_records)\\.h$"
    "^sync/sync_types\\.h$"
    "^platform/"
    "^transfer/(queue_entries|remote_files|transfer_settings|transfer_view)\\.h$"
    "^picture_catalog\\.h$")
set(found "")
foreach(folder IN LISTS FOLDERS)
    # The desktop client's two folders share their headers; the command line keeps to its own.
    if(folder STREQUAL "src/cli")
        set(own "^cli/")
    elseif(folder MATCHES "^tests/")
        set(own "^(app|pages|support|standin)/" "^[a-z_]+\\.(h|moc)$")
    else()
        set(own "^(app|pages)/")
    endif()
    file(GLOB sources ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} lines REGEX "^#include \"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
            set(ok FALSE)
            foreach(pattern IN LISTS ALLOWED own)
                if(header MATCHES "${pattern}")
                    set(ok TRUE)
                endif()
            endforeach()
            if(NOT ok)
                file(RELATIVE_PATH where ${ROOT} ${source})
                string(APPEND found "  ${where}: ${header}\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "front ends past the session:\n${found}")
endif()
message(STATUS "front-end includes: only the session, value types and interfaces")
