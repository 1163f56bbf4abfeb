# The front ends see the core through src/session only: every #include "..." of the folders
# named in FOLDERS is one of their own, a session header, a value-type header, or an interface
# the front end implements (see src/session/README.md). A session header they include keeps to
# the same, followed to the end, so that nothing of the core reaches them through it; the
# session's own parts (INTERNAL) are not for them at all. The desktop client's tests keep to the
# same, besides their own support and the stand-in. Run: cmake -DROOT=<repo> -P this file.
cmake_policy(SET CMP0057 NEW)
set(FOLDERS src/pages src/app src/cli tests/app tests/pages)
set(ALLOWED
    "^session/"
    "^service/(account_info|disk_entries|folder_listing|listing_request|request_frame|service_result|service_config|transport_security|text_codec)\\.h$"
    "^store/(direction|store_options|task_rows|user_records|write_stamp)\\.h$"
    "^sync/sync_types\\.h$"
    "^platform/"
    "^transfer/(queue_entries|remote_files|task_command_result|transfer_page_row|transfer_settings|transfer_view)\\.h$"
    "^picture_catalog\\.h$")
set(INTERNAL "^session/(session_core|transfer_rows_hub|scratch_task_rows)\\.h$")

set(found "")
set(followed "")
# Appends to `found` each include of `source` that is neither allowed nor matches `own`, and
# follows the session headers it names.
function(check_includes source own)
    file(STRINGS ${source} lines REGEX "^#include \"")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
        set(ok FALSE)
        foreach(pattern IN LISTS ALLOWED own)
            if(header MATCHES "${pattern}")
                set(ok TRUE)
            endif()
        endforeach()
        if(header MATCHES "${INTERNAL}")
            set(ok FALSE)
        endif()
        file(RELATIVE_PATH where ${ROOT} ${source})
        if(NOT ok)
            string(APPEND found "  ${where}: ${header}\n")
        elseif(header MATCHES "^session/" AND NOT header IN_LIST followed)
            list(APPEND followed ${header})
            set(followed "${followed}" PARENT_SCOPE)
            check_includes(${ROOT}/src/${header} "^session/")
        endif()
    endforeach()
    set(found "${found}" PARENT_SCOPE)
    set(followed "${followed}" PARENT_SCOPE)
endfunction()

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
        check_includes(${source} "${own}")
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "front ends past the session:\n${found}")
endif()
message(STATUS "front-end includes: only the session, value types and interfaces")
