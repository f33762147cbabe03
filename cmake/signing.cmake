# Authenticode signing of what we ship: both programs after each link, and the setup
# program and its uninstaller as makensis writes them. The certificate and its key are
# files named at configure time (PEM, the key unencrypted), never files of the sources:
# MARLOWICK_SIGNING_CERTIFICATE and MARLOWICK_SIGNING_KEY. Test signing names the build's
# throw-away publisher when the cache names none.
#
# When a certificate is named and no pin is, the updater pins that certificate: the vendor
# signs its releases with the key it signs the programs with.
#
# Sets MARLOWICK_SIGNED (whether anything is signed) and provides
#   marlowick_sign_in_place(<target> DESCRIPTION <text>)
# and MARLOWICK_SIGN_IN_PLACE, the command "sign-in-place CERT KEY DESCRIPTION FILE".

set(MARLOWICK_SIGN_IN_PLACE ${PROJECT_SOURCE_DIR}/cmake/sign-in-place)

if(MARLOWICK_SIGNING_CERTIFICATE OR MARLOWICK_SIGNING_KEY)
  foreach(file MARLOWICK_SIGNING_CERTIFICATE MARLOWICK_SIGNING_KEY)
    if(NOT EXISTS "${${file}}" OR IS_DIRECTORY "${${file}}")
      message(FATAL_ERROR "${file} names no file: \"${${file}}\"")
    endif()
  endforeach()
  # Build trees (ignored by git) may hold keys: test signing makes its own there.
  cmake_path(IS_PREFIX PROJECT_BINARY_DIR "${MARLOWICK_SIGNING_KEY}" NORMALIZE key_in_build)
  cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${MARLOWICK_SIGNING_KEY}" NORMALIZE key_in_sources)
  cmake_path(APPEND PROJECT_SOURCE_DIR build OUTPUT_VARIABLE build_trees)
  cmake_path(IS_PREFIX build_trees "${MARLOWICK_SIGNING_KEY}" NORMALIZE key_in_build_trees)
  if(key_in_sources AND NOT key_in_build AND NOT key_in_build_trees)
    message(FATAL_ERROR "The signing key lies in the source tree (${MARLOWICK_SIGNING_KEY}); "
                        "keep it outside, where it cannot be committed.")
  endif()
  if(NOT MARLOWICK_OPENSSL OR NOT MARLOWICK_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs openssl and osslsigncode: run tools/setup.")
  endif()
  set(MARLOWICK_SIGNED ON)
  # The pin is the hash of the certificate's DER encoding, as the updater reads it from the
  # signature. A pin named in the cache wins; the cache itself stays untouched.
  set(der ${PROJECT_BINARY_DIR}/signing/signer.der)
  execute_process(
    COMMAND ${MARLOWICK_OPENSSL} x509 -in ${MARLOWICK_SIGNING_CERTIFICATE} -outform DER -out ${der}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "openssl could not read the certificate ${MARLOWICK_SIGNING_CERTIFICATE}:\n${output}")
  endif()
  file(SHA256 ${der} MARLOWICK_SIGNER_SHA256)
  if(MARLOWICK_PUBLISHER_SHA256 STREQUAL "")
    set(MARLOWICK_PUBLISHER_SHA256 ${MARLOWICK_SIGNER_SHA256})
  elseif(NOT MARLOWICK_PUBLISHER_SHA256 STREQUAL MARLOWICK_SIGNER_SHA256)
    message(STATUS "The updater pins ${MARLOWICK_PUBLISHER_SHA256}, not the signing certificate: "
                   "it will refuse the setup programs this build makes.")
  endif()
else()
  set(MARLOWICK_SIGNED OFF)
endif()

# Signs the executable of <target> where it is linked, after each link.
function(marlowick_sign_in_place target)
  cmake_parse_arguments(SIGN "" "DESCRIPTION" "" ${ARGN})
  if(MARLOWICK_SIGNED)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${MARLOWICK_SIGN_IN_PLACE} ${MARLOWICK_SIGNING_CERTIFICATE} ${MARLOWICK_SIGNING_KEY}
              ${SIGN_DESCRIPTION} $<TARGET_FILE:${target}>
      COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
      VERBATIM)
  endif()
endfunction()
