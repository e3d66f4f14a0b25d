# Deployment configuration: endpoints, keys and trust are built into the program. One generated
# source file of constants per deployment; the configured one goes into `tollivance`, the
# loopback endpoints of the sandbox into `tollivance-sandbox`.

set(TOLLIVANCE_API_URL "https://api.tollivance.example" CACHE STRING
    "Base of the session-start URL (https://host[:port])")
set(TOLLIVANCE_WEB_URL "https://www.tollivance.example" CACHE STRING
    "Base of the version text and download page URLs")
set(TOLLIVANCE_DESKTOP_PROXY "desktop.tollivance.example" CACHE STRING
    "host[:port] of the desktop proxy (https and wss)")
set(TOLLIVANCE_PRINT_QUEUE_HOST "print.tollivance.example" CACHE STRING
    "SSH host of the print queue")
set(TOLLIVANCE_PRINT_QUEUE_PORT "0" CACHE STRING "SSH port of the print queue; 0 keeps libssh's default")
set(TOLLIVANCE_CA_BUNDLE "" CACHE FILEPATH "CA file for the verified requests; empty uses the system store")
set(TOLLIVANCE_SESSION_REQUEST_KEY "" CACHE FILEPATH
    "PEM file of the session-request client key; empty generates one into the build folder")
set(TOLLIVANCE_TUNNEL_KEY "" CACHE FILEPATH
    "PEM file of the tunnel client key; empty generates one into the build folder")

# The sandbox's fixed loopback ports (the demo uses them), kept in one file with the sandbox.
file(READ ${CMAKE_SOURCE_DIR}/sandbox/ports.json TOLLIVANCE_SANDBOX_PORTS)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/sandbox/ports.json)
string(JSON TOLLIVANCE_SANDBOX_HTTPS_PORT GET ${TOLLIVANCE_SANDBOX_PORTS} https)
string(JSON TOLLIVANCE_SANDBOX_SSH_PORT GET ${TOLLIVANCE_SANDBOX_PORTS} ssh)
string(JSON TOLLIVANCE_SANDBOX_PRINT_PORT GET ${TOLLIVANCE_SANDBOX_PORTS} print_queue)
string(JSON TOLLIVANCE_SANDBOX_DESKTOP_PORT GET ${TOLLIVANCE_SANDBOX_PORTS} desktop)
string(JSON TOLLIVANCE_SANDBOX_TUNNEL_DESKTOP_PORT GET ${TOLLIVANCE_SANDBOX_PORTS} tunnel_desktop)

# What the demo script needs to know of this build.
file(WRITE ${CMAKE_BINARY_DIR}/demo-settings.sh
     "TOLLIVANCE_VERSION=${PROJECT_VERSION}\n"
     "SANDBOX_HTTPS_PORT=${TOLLIVANCE_SANDBOX_HTTPS_PORT}\n"
     "SANDBOX_SSH_PORT=${TOLLIVANCE_SANDBOX_SSH_PORT}\n"
     "SANDBOX_PRINT_PORT=${TOLLIVANCE_SANDBOX_PRINT_PORT}\n"
     "SANDBOX_DESKTOP_PORT=${TOLLIVANCE_SANDBOX_DESKTOP_PORT}\n"
     "SANDBOX_TUNNEL_DESKTOP_PORT=${TOLLIVANCE_SANDBOX_TUNNEL_DESKTOP_PORT}\n")

set(TOLLIVANCE_KEY_DIR ${CMAKE_BINARY_DIR}/keys)
set(TOLLIVANCE_PKI_DIR ${CMAKE_BINARY_DIR}/sandbox-pki)
file(MAKE_DIRECTORY ${TOLLIVANCE_KEY_DIR} ${TOLLIVANCE_PKI_DIR})

find_program(SSH_KEYGEN ssh-keygen REQUIRED)
find_program(OPENSSL_PROGRAM openssl REQUIRED)

# A 2048-bit RSA key in PEM PKCS#1 form, with its public half beside it; never committed.
function(tollivance_generated_key name out_var)
    set(key ${TOLLIVANCE_KEY_DIR}/${name}.pem)
    if(NOT EXISTS ${key})
        execute_process(COMMAND ${SSH_KEYGEN} -q -t rsa -b 2048 -m PEM -N "" -C "${name}" -f ${key}
                        RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "ssh-keygen failed for ${name}")
        endif()
        file(RENAME ${key}.pub ${TOLLIVANCE_KEY_DIR}/${name}.pub)
    endif()
    set(${out_var} ${key} PARENT_SCOPE)
endfunction()

foreach(kind SESSION_REQUEST TUNNEL)
    string(TOLOWER ${kind} lower)
    if(TOLLIVANCE_${kind}_KEY STREQUAL "")
        tollivance_generated_key(${lower}_key TOLLIVANCE_${kind}_KEY_FILE)
    else()
        set(TOLLIVANCE_${kind}_KEY_FILE ${TOLLIVANCE_${kind}_KEY})
        # The sandbox needs the public half; derive it next to the generated ones.
        execute_process(COMMAND ${SSH_KEYGEN} -y -f ${TOLLIVANCE_${kind}_KEY}
                        OUTPUT_FILE ${TOLLIVANCE_KEY_DIR}/${lower}_key.pub)
    endif()
    file(READ ${TOLLIVANCE_${kind}_KEY_FILE} TOLLIVANCE_${kind}_KEY_TEXT)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TOLLIVANCE_${kind}_KEY_FILE})
endforeach()

# The sandbox's certificate authority, its server certificate (IP SAN 127.0.0.1) and a
# self-signed certificate that nobody trusts.
if(NOT EXISTS ${TOLLIVANCE_PKI_DIR}/untrusted.pem)
    set(pki ${TOLLIVANCE_PKI_DIR})
    file(WRITE ${pki}/server.ext
         "subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n"
         "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    foreach(cmd
            "req;-x509;-newkey;rsa:2048;-nodes;-days;3650;-subj;/CN=Tollivance Sandbox CA;-keyout;${pki}/ca.key;-out;${pki}/ca.pem"
            "req;-newkey;rsa:2048;-nodes;-subj;/CN=127.0.0.1;-keyout;${pki}/server.key;-out;${pki}/server.csr"
            "x509;-req;-in;${pki}/server.csr;-CA;${pki}/ca.pem;-CAkey;${pki}/ca.key;-CAcreateserial;-days;3650;-extfile;${pki}/server.ext;-out;${pki}/server.pem"
            "req;-x509;-newkey;rsa:2048;-nodes;-days;3650;-subj;/CN=127.0.0.1;-addext;subjectAltName=IP:127.0.0.1;-keyout;${pki}/untrusted.key;-out;${pki}/untrusted.pem")
        execute_process(COMMAND ${OPENSSL_PROGRAM} ${cmd} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "openssl failed: ${cmd}")
        endif()
    endforeach()
endif()

# The sandbox's SSH host key.
if(NOT EXISTS ${TOLLIVANCE_PKI_DIR}/ssh_host_key)
    execute_process(COMMAND ${SSH_KEYGEN} -q -t rsa -b 2048 -m PEM -N "" -C sandbox
                            -f ${TOLLIVANCE_PKI_DIR}/ssh_host_key RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "ssh-keygen failed for the sandbox host key")
    endif()
endif()

# Writes one constants file for a deployment.
function(tollivance_write_deployment file api web proxy pq_host pq_port ca)
    set(DEPLOY_API_URL ${api})
    set(DEPLOY_WEB_URL ${web})
    set(DEPLOY_DESKTOP_PROXY ${proxy})
    set(DEPLOY_PRINT_QUEUE_HOST ${pq_host})
    set(DEPLOY_PRINT_QUEUE_PORT ${pq_port})
    set(DEPLOY_CA_BUNDLE ${ca})
    configure_file(${CMAKE_SOURCE_DIR}/src/config/Deployment.cpp.in ${file} @ONLY)
endfunction()

set(TOLLIVANCE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
tollivance_write_deployment(${TOLLIVANCE_GENERATED_DIR}/deployment_configured.cpp
    "${TOLLIVANCE_API_URL}" "${TOLLIVANCE_WEB_URL}" "${TOLLIVANCE_DESKTOP_PROXY}"
    "${TOLLIVANCE_PRINT_QUEUE_HOST}" "${TOLLIVANCE_PRINT_QUEUE_PORT}" "${TOLLIVANCE_CA_BUNDLE}")
# Under Wine the sandbox is reached as localhost (Schannel matches the host against the
# certificate's DNS names only) and the CA file through Wine's drive for the Linux root.
if(WIN32)
    set(sandbox_host localhost)
    set(sandbox_ca "Z:${TOLLIVANCE_PKI_DIR}/ca.pem")
else()
    set(sandbox_host 127.0.0.1)
    set(sandbox_ca "${TOLLIVANCE_PKI_DIR}/ca.pem")
endif()
tollivance_write_deployment(${TOLLIVANCE_GENERATED_DIR}/deployment_sandbox.cpp
    "https://${sandbox_host}:${TOLLIVANCE_SANDBOX_HTTPS_PORT}"
    "https://${sandbox_host}:${TOLLIVANCE_SANDBOX_HTTPS_PORT}"
    "${sandbox_host}:${TOLLIVANCE_SANDBOX_HTTPS_PORT}"
    "127.0.0.1" "${TOLLIVANCE_SANDBOX_PRINT_PORT}" "${sandbox_ca}")

add_library(deployment_configured OBJECT ${TOLLIVANCE_GENERATED_DIR}/deployment_configured.cpp)
add_library(deployment_sandbox OBJECT ${TOLLIVANCE_GENERATED_DIR}/deployment_sandbox.cpp)
foreach(target deployment_configured deployment_sandbox)
    target_link_libraries(${target} PRIVATE tollivance_records)
endforeach()

function(tollivance_add_program name deployment)
    add_executable(${name} ${CMAKE_SOURCE_DIR}/src/main.cpp $<TARGET_OBJECTS:${deployment}>)
    target_link_libraries(${name} PRIVATE tollivance_core)
endfunction()
