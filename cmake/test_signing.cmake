# Throw-away code-signing certificates for development and test builds, made in the build
# tree so that no private key ever lies in the sources. The updater runs a downloaded
# installer only when the certificate that signed it is the pinned one; these builds pin
# "KORVEL Test Publisher", sign the programs, the setup program and the test installers
# with it, and sign with "Someone Else" to show that a valid signature by anyone else is
# refused.
#
# Signs the programs with the test publisher unless the cache names a signing certificate
# (and so pins it, see signing.cmake), and provides
#   marlowick_sign(<target> OUTPUT <file> [CERT publisher|other] [DESCRIPTION <text>])
# which signs the target's executable into <file> after each link.

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

# These builds sign with the test publisher, unless the cache names a certificate of its own.
if(NOT MARLOWICK_SIGNING_CERTIFICATE AND NOT MARLOWICK_SIGNING_KEY)
  set(MARLOWICK_SIGNING_CERTIFICATE ${MARLOWICK_SIGNING_DIR}/publisher.crt)
  set(MARLOWICK_SIGNING_KEY ${MARLOWICK_SIGNING_DIR}/publisher.key)
endif()

# Signs the executable of <target> into <file> after each link of it, with the test
# publisher's certificate or the other one.
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
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${SIGN_OUTPUT}
    COMMAND ${MARLOWICK_SIGN_IN_PLACE} ${base}.crt ${base}.key ${SIGN_DESCRIPTION} ${SIGN_OUTPUT}
    DEPENDS ${target} ${base}.crt ${base}.key ${MARLOWICK_SIGN_IN_PLACE}
    COMMENT "Signing ${name} as ${SIGN_CERT}"
    VERBATIM)
endfunction()
