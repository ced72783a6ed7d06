# Copies the shipped files from SRC to DST. Material files are replaced when the shipped
# copy is newer; the settings file is copied only when DST has none, so a user's own
# settings are never overwritten.
file(GLOB shipped RELATIVE ${SRC} ${SRC}/*)
foreach(name IN LISTS shipped)
  set(from ${SRC}/${name})
  set(to ${DST}/${name})
  if(IS_DIRECTORY ${from})
    continue()
  endif()
  if(name STREQUAL "cfg.inf")
    if(NOT EXISTS ${to})
      file(COPY ${from} DESTINATION ${DST})
    endif()
  elseif(NOT EXISTS ${to} OR ${from} IS_NEWER_THAN ${to})
    file(COPY ${from} DESTINATION ${DST})
  endif()
endforeach()
