list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/app_paths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_order.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/document_memo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_icons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headline_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/info_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_start.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resource_icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp)
list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/atom_parser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_parser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headline_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/html_entities.cpp
    ${CMAKE_CURRENT_LIST_DIR}/klip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wrap_text.cpp)
# The core's one platform seam: text in a code page to UTF-8. The portable version (Windows-1252)
# serves the host build; Windows builds, their core tests included, use the platform's converters.
if(WIN32)
    list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/code_page_win.cpp)
else()
    list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/code_page.cpp)
endif()
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/document_encoding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf8_document.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/content_coding.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/overlay_icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refresh_cycle.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/document_buffers.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/refresh_schedule.cpp)
