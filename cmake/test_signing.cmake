# Throw-away code-signing certificates for development and test builds, made in the build
# tree so that no private key ever lies in the sources. The updater runs a downloaded
# installer only when the certificate that signed it is the pinned one; these builds pin
# "KORVEL Test Publisher" and sign the test installers with it, and with "Someone Else" to
# show that a valid signature by anyone else is refused.
#
# Sets MARLOWICK_PUBLISHER_SHA256 to the test publisher's hash unless the cache names one,
# and provides
#   marlowick_sign(<target> OUTPUT <file> [CERT publisher|other] [DESCRIPTION <text>])
# which signs the target's executable into <file> after each link.

find_program(MARLOWICK_OPENSSL openssl DOC "OpenSSL's command-line tool, which makes the test certificates")
find_program(MARLOWICK_OSSLSIGNCODE osslsigncode DOC "osslsigncode, which signs the test installers")
foreach(tool MARLOWICK_OPENSSL MARLOWICK_OSSLSIGNCODE)
  if(NOT ${tool})
    message(FATAL_ERROR "Test signing needs openssl and osslsigncode: run tools/setup, "
                        "or configure with -DMARLOWICK_TEST_SIGNING=OFF.")
  endif()
endforeach()

set(MARLOWICK_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)
file(MAKE_DIRECTORY ${MARLOWICK_SIGNING_DIR})

# Makes <name>.crt (PEM), <name>.key and <name>.der in the signing folder unless the pair is
# already there: a certificate made again would change the pinned hash, and with it every
# signed file and the programs that compile the pin in.
function(marlowick_test_certificate name common_name)
  set(base ${MARLOWICK_SIGNING_DIR}/${name})
  if(NOT EXISTS ${base}.crt OR NOT EXISTS ${base}.key)
    # A self-signed leaf, good for code signing only. Our own request settings, so that the
    # machine's openssl.cnf adds no CA extensions of its own.
    file(WRITE ${base}.cnf
      "[req]\n"
      "distinguished_name = subject\n"
      "prompt = no\n"
      "x509_extensions = leaf\n"
      "[subject]\n"
      "CN = ${common_name}\n"
      "[leaf]\n"
      "basicConstraints = critical, CA:FALSE\n"
      "keyUsage = critical, digitalSignature\n"
      "extendedKeyUsage = codeSigning\n"
      "subjectKeyIdentifier = hash\n")
    # Made under other names and renamed once both exist, so that an interrupted configure
    # never leaves a certificate without its key. Valid for ten years, their leap days
    # included, so that a build tree's certificates outlive the tree.
    execute_process(
      COMMAND ${MARLOWICK_OPENSSL} req -x509 -newkey rsa:2048 -nodes -sha256 -days 3653
              -config ${base}.cnf -keyout ${base}.key.new -out ${base}.crt.new
      RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "openssl could not make the certificate \"${common_name}\":\n${output}")
    endif()
    file(RENAME ${base}.key.new ${base}.key)
    file(RENAME ${base}.crt.new ${base}.crt)
    file(REMOVE ${base}.der)
    message(STATUS "Made the test certificate \"${common_name}\": ${base}.crt")
  endif()
  if(NOT EXISTS ${base}.der OR ${base}.crt IS_NEWER_THAN ${base}.der)
    execute_process(
      COMMAND ${MARLOWICK_OPENSSL} x509 -in ${base}.crt -outform DER -out ${base}.der
      RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "openssl could not read the certificate ${base}.crt:\n${output}")
    endif()
  endif()
endfunction()

marlowick_test_certificate(publisher "KORVEL Test Publisher")
marlowick_test_certificate(other "Someone Else")

# The pin is the hash of the certificate's DER encoding, as the updater reads it from the
# signature. A pin named in the cache wins, so that a test build can pin a real certificate;
# the cache itself stays untouched and a certificate made again is picked up on the next
# configure.
file(SHA256 ${MARLOWICK_SIGNING_DIR}/publisher.der MARLOWICK_TEST_PUBLISHER_SHA256)
if(MARLOWICK_PUBLISHER_SHA256 STREQUAL "")
  set(MARLOWICK_PUBLISHER_SHA256 ${MARLOWICK_TEST_PUBLISHER_SHA256})
elseif(NOT MARLOWICK_PUBLISHER_SHA256 STREQUAL MARLOWICK_TEST_PUBLISHER_SHA256)
  message(STATUS "The updater pins ${MARLOWICK_PUBLISHER_SHA256}, not the test publisher: "
                 "it will refuse the signed test installers.")
endif()

# Signs the executable of <target> into <file> after each link of it. No time stamp: that
# needs a time-stamping server on the network, and the certificates outlive any test run.
function(marlowick_sign target)
  cmake_parse_arguments(SIGN "" "OUTPUT;CERT;DESCRIPTION" "" ${ARGN})
  if(NOT SIGN_OUTPUT)
    message(FATAL_ERROR "marlowick_sign(${target}): OUTPUT is required")
  endif()
  if(NOT SIGN_CERT)
    set(SIGN_CERT publisher)
  endif()
  if(NOT SIGN_CERT MATCHES "^(publisher|other)$")
    message(FATAL_ERROR "marlowick_sign(${target}): CERT is publisher or other, not ${SIGN_CERT}")
  endif()
  if(NOT SIGN_DESCRIPTION)
    set(SIGN_DESCRIPTION ${target})
  endif()
  set(base ${MARLOWICK_SIGNING_DIR}/${SIGN_CERT})
  get_filename_component(name ${SIGN_OUTPUT} NAME)
  add_custom_command(OUTPUT ${SIGN_OUTPUT}
    # osslsigncode will not overwrite its output.
    COMMAND ${CMAKE_COMMAND} -E rm -f ${SIGN_OUTPUT}
    COMMAND ${MARLOWICK_OSSLSIGNCODE} sign -certs ${base}.crt -key ${base}.key
            -n ${SIGN_DESCRIPTION} -h sha256 -in $<TARGET_FILE:${target}> -out ${SIGN_OUTPUT}
    DEPENDS ${target} ${base}.crt ${base}.key
    COMMENT "Signing ${name} as ${SIGN_CERT}"
    VERBATIM)
endfunction()
