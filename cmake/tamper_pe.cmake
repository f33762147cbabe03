# cmake -DIN=<signed.exe> -DOUT=<tampered.exe> -P tamper_pe.cmake
#
# Copies a signed PE file and changes one byte in the middle of its first code section, so
# that the Authenticode digest stored in the signature no longer matches the file. The
# digest covers every byte of the file except the header's CheckSum field, the
# certificate-table entry of the data directories and the certificate table itself (the
# signature, appended after the sections); a section's raw data lie in none of those, so a
# byte there is always in the digest. The headers and the signature stay as they were: the
# file still reads as a signed PE, only its contents are not what was signed.

if(NOT IN OR NOT OUT)
  message(FATAL_ERROR "usage: cmake -DIN=<signed.exe> -DOUT=<tampered.exe> -P tamper_pe.cmake")
endif()

# The little-endian unsigned integer of <size> bytes at <offset> of IN.
function(read_le offset size out)
  file(READ ${IN} hex OFFSET ${offset} LIMIT ${size} HEX)
  string(LENGTH "${hex}" length)
  math(EXPR expected "${size} * 2")
  if(NOT length EQUAL expected)
    message(FATAL_ERROR "${IN} ends before offset ${offset}: not a PE file")
  endif()
  set(value 0)
  math(EXPR last "${size} - 1")
  foreach(i RANGE ${last} 0 -1)
    math(EXPR position "${i} * 2")
    string(SUBSTRING ${hex} ${position} 2 byte)
    math(EXPR value "(${value} << 8) + 0x${byte}")
  endforeach()
  set(${out} ${value} PARENT_SCOPE)
endfunction()

read_le(0 2 mz)
read_le(60 4 pe)           # e_lfanew
read_le(${pe} 4 signature)
if(NOT mz EQUAL 0x5A4D OR NOT signature EQUAL 0x4550)
  message(FATAL_ERROR "${IN} is not a PE file")
endif()
math(EXPR coff "${pe} + 4")
math(EXPR field "${coff} + 2")
read_le(${field} 2 section_count)
math(EXPR field "${coff} + 16")
read_le(${field} 2 optional_size)
math(EXPR optional "${coff} + 20")

# Where the signature starts (data directory 4), to make sure the byte lies before it.
read_le(${optional} 2 magic)
if(magic EQUAL 0x10B)      # PE32
  math(EXPR field "${optional} + 96 + 4 * 8")
elseif(magic EQUAL 0x20B)  # PE32+
  math(EXPR field "${optional} + 112 + 4 * 8")
else()
  message(FATAL_ERROR "${IN}: unknown optional header ${magic}")
endif()
read_le(${field} 4 certificates)

# The first section that holds code (IMAGE_SCN_CNT_CODE) and has raw data in the file.
math(EXPR section "${optional} + ${optional_size}")
set(target "")
foreach(i RANGE 1 ${section_count})
  math(EXPR field "${section} + 8")
  read_le(${field} 4 virtual_size)
  math(EXPR field "${section} + 16")
  read_le(${field} 4 raw_size)
  math(EXPR field "${section} + 20")
  read_le(${field} 4 raw_offset)
  math(EXPR field "${section} + 36")
  read_le(${field} 4 characteristics)
  math(EXPR is_code "${characteristics} & 0x20")
  if(is_code AND raw_size GREATER 0 AND raw_offset GREATER 0)
    # The middle of the code itself, not of the padding to the file alignment.
    set(size ${raw_size})
    if(virtual_size GREATER 0 AND virtual_size LESS raw_size)
      set(size ${virtual_size})
    endif()
    math(EXPR target "${raw_offset} + ${size} / 2")
    break()
  endif()
  math(EXPR section "${section} + 40")
endforeach()
if(target STREQUAL "")
  message(FATAL_ERROR "${IN} has no code section")
endif()
if(certificates EQUAL 0 OR NOT target LESS certificates)
  message(FATAL_ERROR "${IN} is not signed, or its code lies after its signature")
endif()

file(COPY_FILE ${IN} ${OUT})
file(READ ${OUT} before OFFSET ${target} LIMIT 1 HEX)
math(EXPR changed "0x${before} ^ 0xFF")
# CMake cannot write a byte of zero, which the flipped byte may be: dd writes it in place.
math(EXPR high "${changed} >> 6")
math(EXPR middle "(${changed} >> 3) & 7")
math(EXPR low "${changed} & 7")
execute_process(
  COMMAND sh -c "printf '\\${high}${middle}${low}' | dd of=\"$1\" bs=1 seek=${target} count=1 conv=notrunc status=none" sh ${OUT}
  RESULT_VARIABLE result)
file(READ ${OUT} after OFFSET ${target} LIMIT 1 HEX)
if(NOT result EQUAL 0 OR after STREQUAL before)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "Could not change the byte at ${target} of ${OUT}")
endif()
message(STATUS "Changed the code byte at ${target} of ${OUT} from 0x${before} to 0x${after}")
