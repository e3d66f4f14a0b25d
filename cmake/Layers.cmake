# One static library per layer, each seeing only the headers of the layers it links. A layer's
# headers are reached through an include root of its own in the build folder (a link to its
# source folder), never through src/ as a whole, so including a header of a layer that is not
# linked fails to build. Bottom to top:
#   records (records, config) <- platform <- net <- service, session, tunnel, printing
#   records, platform <- ui;  everything <- app
set(TOLLIVANCE_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)

# On each platform only its own half of the per-OS files (X_posix.cpp, X_windows.cpp).
if(WIN32)
    set(TOLLIVANCE_OTHER_OS_SUFFIX "_posix\\.cpp$")
else()
    set(TOLLIVANCE_OTHER_OS_SUFFIX "_windows\\.cpp$")
endif()

# tollivance_layer(NAME FOLDERS folder... [EXCLUDE regex] LINKS target...)
function(tollivance_layer name)
    cmake_parse_arguments(LAYER "" "EXCLUDE" "FOLDERS;LINKS" ${ARGN})
    set(root ${TOLLIVANCE_LAYER_ROOTS}/${name})
    set(sources)
    foreach(folder ${LAYER_FOLDERS})
        get_filename_component(parent ${root}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        if(NOT EXISTS ${root}/${folder})
            file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
        endif()
        file(GLOB folder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
        list(APPEND sources ${folder_sources})
    endforeach()
    list(FILTER sources EXCLUDE REGEX "${TOLLIVANCE_OTHER_OS_SUFFIX}")
    if(LAYER_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${LAYER_EXCLUDE}")
    endif()
    # The include roots this layer sees: its own and those of every layer below it.
    set(roots ${root})
    foreach(link ${LAYER_LINKS})
        if(link MATCHES "^tollivance_(.+)$")
            get_property(below GLOBAL PROPERTY TOLLIVANCE_LAYER_ROOTS_${CMAKE_MATCH_1})
            list(APPEND roots ${below})
        endif()
    endforeach()
    list(REMOVE_DUPLICATES roots)
    set_property(GLOBAL PROPERTY TOLLIVANCE_LAYER_ROOTS_${name} ${roots})
    add_library(tollivance_${name} STATIC ${sources})
    target_include_directories(tollivance_${name} PUBLIC ${root})
    target_link_libraries(tollivance_${name} PUBLIC ${LAYER_LINKS})
endfunction()

set(TOLLIVANCE_WX_LIBS ${wxWidgets_LIBRARIES})
if(WIN32)
    set(TOLLIVANCE_PRINTER_LIBS winspool)
    set(TOLLIVANCE_SOCKET_LIBS ws2_32)
    set(TOLLIVANCE_CRYPTO_LIBS bcrypt advapi32)
else()
    set(TOLLIVANCE_PRINTER_LIBS Cups::Cups)
    set(TOLLIVANCE_SOCKET_LIBS)
    set(TOLLIVANCE_CRYPTO_LIBS OpenSSL::Crypto)
endif()

tollivance_layer(records FOLDERS records config LINKS ${TOLLIVANCE_WX_LIBS} Threads::Threads)
target_compile_definitions(tollivance_records PUBLIC TOLLIVANCE_VERSION="${PROJECT_VERSION}")
tollivance_layer(platform FOLDERS platform
                 LINKS tollivance_records ${TOLLIVANCE_PRINTER_LIBS} ${TOLLIVANCE_SOCKET_LIBS}
                       ${TOLLIVANCE_CRYPTO_LIBS})
if(NOT WIN32)
    # The session bus, for desktop notices; its headers stay inside the platform layer.
    target_link_libraries(tollivance_platform PRIVATE PkgConfig::GIO)
endif()
tollivance_layer(net FOLDERS net LINKS tollivance_platform CURL::libcurl ssh)
tollivance_layer(service FOLDERS service
                 LINKS tollivance_net nlohmann_json::nlohmann_json)
tollivance_layer(session FOLDERS session LINKS tollivance_net nlohmann_json::nlohmann_json)
tollivance_layer(tunnel FOLDERS tunnel LINKS tollivance_net)
tollivance_layer(printing FOLDERS printing LINKS tollivance_net)
tollivance_layer(ui FOLDERS ui LINKS tollivance_platform)
tollivance_layer(app FOLDERS app
                 LINKS tollivance_service tollivance_session tollivance_tunnel tollivance_printing
                       tollivance_ui)

# What the programs, the tests and the benchmarks link: all of it.
add_library(tollivance_core INTERFACE)
target_link_libraries(tollivance_core INTERFACE tollivance_app)
