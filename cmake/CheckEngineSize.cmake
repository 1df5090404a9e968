# Fails the build when the stripped engine no longer fits in front of a saver's data.
file(SIZE "${ENGINE}" size)
if(size GREATER LIMIT)
  message(FATAL_ERROR "korv-runtime is ${size} bytes, larger than the ${LIMIT} bytes a built saver reserves for it")
endif()
message(STATUS "korv-runtime: ${size} of ${LIMIT} bytes")
