# Windows (MinGW-w64 cross build with cmake/toolchain-mingw-w64-x86_64.cmake): the static
# dependencies from the prefix that scripts/windows/build-deps.sh builds, under the same target
# names the Linux build finds. Everything is linked statically: nothing ships beside the
# programs but their pictures.
if(NOT TOLLIVANCE_WINDOWS_DEPS OR NOT EXISTS "${TOLLIVANCE_WINDOWS_DEPS}/bin/wx-config")
    message(FATAL_ERROR "TOLLIVANCE_WINDOWS_DEPS must name the prefix built by "
                        "scripts/windows/build-deps.sh (scripts/build-windows.sh sets it)")
endif()
set(deps "${TOLLIVANCE_WINDOWS_DEPS}")

add_link_options(-static -static-libgcc -static-libstdc++)
# The system headers without their rarely used parts: among them the spooler's, whose GetPrinter
# macro (GetPrinterW) would rename the window's own GetPrinter in some files but not in others.
# The few platform files that need such a part include it themselves.
add_compile_definitions(WIN32_LEAN_AND_MEAN)

# The cross wx-config of the prefix; its subsystem flag is left to each program (the test
# programs are console programs).
set(wxWidgets_CONFIG_EXECUTABLE "${deps}/bin/wx-config" CACHE FILEPATH "" FORCE)
find_package(wxWidgets 3.2 REQUIRED COMPONENTS core base)
list(FILTER wxWidgets_LIBRARIES EXCLUDE REGEX "^(-mwindows|-Wl,--subsystem,windows)$")
include(${wxWidgets_USE_FILE})

# libcurl was built with autotools (Schannel, zlib); its static link line is fixed here.
add_library(CURL::libcurl STATIC IMPORTED)
set_target_properties(CURL::libcurl PROPERTIES
    IMPORTED_LOCATION "${deps}/lib/libcurl.a"
    INTERFACE_INCLUDE_DIRECTORIES "${deps}/include"
    INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
    INTERFACE_LINK_LIBRARIES "z;bcrypt;advapi32;crypt32;secur32;ws2_32")

# libssh on Debian's MinGW libgcrypt (its package links the static archives and Threads).
find_package(Threads REQUIRED)
find_package(libssh REQUIRED CONFIG)
find_package(nlohmann_json 3 REQUIRED)

# Icon, manifest and version information for a program.
function(tollivance_windows_resources target)
    set(TOLLIVANCE_RC_ICON "${CMAKE_SOURCE_DIR}/assets/tollivance48.ico")
    set(TOLLIVANCE_RC_MANIFEST "${CMAKE_SOURCE_DIR}/cmake/tollivance.manifest")
    set(TOLLIVANCE_RC_NAME ${target})
    set(rc "${CMAKE_BINARY_DIR}/generated/${target}.rc")
    configure_file(${CMAKE_SOURCE_DIR}/cmake/tollivance.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
endfunction()
unset(deps)
